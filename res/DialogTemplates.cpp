#include "DialogTemplates.h"

#include "StringTable.h"

const DialogTemplate& MainWindowTemplate()
{
    using K = ControlKind;
    static const DialogTemplate t{
        225, DialogText::MainTitle, DialogText::MainFont, 8, 661, 333,
        {
            {K::GroupBox, IDC_NONE, "groupConnectionStrings", "Connection Strings", 25, 19, 422, 137},
            {K::Label, IDC_NONE, "labelCallCenterSrc", "QEL :", 37, 32, 52, 10},
            {K::Edit, IDC_CALLCENTERSRC, nullptr, "", 95, 29, 323, 15},
            {K::Label, IDC_NONE, "labelStatSrc", "Statistics :", 37, 49, 52, 10},
            {K::Edit, IDC_STATSRC, nullptr, "", 95, 46, 323, 15},
            {K::GroupBox, IDC_NONE, "groupCleanupByDate", "Cleanup by Date", 7, 172, 217, 83},
            {K::Label, IDC_NONE, "labelRemovalDate", "Remove data before:", 31, 195, 69, 13},
            {K::DatePicker, IDC_DATE, nullptr, "", 107, 192, 82, 15},
            {K::PushButton, IDC_CMD_DATECLEANUP, nullptr, "Clean-up by date", 16, 224, 195, 16},
            {K::GroupBox, IDC_NONE, "groupCleanupBySurvey", "Cleanup by Survey", 334, 172, 217, 36},
            {K::PushButton, IDC_CMD_BYSURVEYCLEANUP, nullptr, "Clean-up by survey", 389, 184, 117, 16},
            {K::Edit, IDC_LISTDB, nullptr, "", 95, 114, 323, 15},
            {K::PushButton, IDC_CMD_LISTCLEANUP, nullptr, "Clean-up list database", 523, 228, 124, 17},
            {K::GroupBox, IDC_NONE, "groupCleanupDeleted", "Cleanup Deleted", 237, 214, 417, 41},
            {K::Label, IDC_NONE, "labelSurveyDB", "Surveys :", 37, 66, 52, 10},
            {K::Edit, IDC_SURVEYDB, nullptr, "", 95, 63, 323, 15},
            {K::PushButton, IDC_CMD_SURVEYCLEANUP, nullptr, "Clean-up Surveys Database", 251, 228, 124, 17},
            {K::Label, IDC_NONE, "labelWebInterviewDB", "WebInterviews :", 37, 83, 52, 10},
            {K::Edit, IDC_WEBINTERVIEWDB, nullptr, "", 95, 80, 323, 15},
            {K::Label, IDC_NONE, "labelWebProdDB", "Webprod :", 37, 100, 52, 10},
            {K::Edit, IDC_WEBPRODDB, nullptr, "", 95, 97, 323, 15},
            {K::PushButton, IDC_CMD_WEBSURVEYCLEANUP, nullptr, "Clean-up WebInterviews Database", 387, 228, 124, 17},
            {K::StatusLine, IDC_STATUS, nullptr, "", 157, 286, 306, 17},
            {K::PushButton, IDC_CLOSE, nullptr, "Close", 553, 295, 50, 14},
            {K::Edit, IDC_TIMEOUT, nullptr, "", 261, 136, 82, 14},
            {K::Label, IDC_NONE, "labelTimeout", "SQL Queries Timeout (seconds):", 143, 138, 111, 8},
            {K::Label, IDC_NONE, "labelListDB", "Lists :", 37, 117, 52, 10},
            {K::Picture, IDC_NONE, "picture", "", 453, 27, 195, 120},
        }};
    return t;
}

const DialogTemplate& AboutBoxTemplate()
{
    using K = ControlKind;
    static const DialogTemplate t{
        100, DialogText::AboutTitle, DialogText::AboutFont, 8, 235, 55,
        {
            {K::Icon, IDC_NONE, "icon", "", 11, 17, 20, 20},
            {K::Label, IDC_NONE, "labelVersion", DialogText::AboutVersion, 40, 10, 119, 8},
            {K::Label, IDC_NONE, "labelSecondLine", DialogText::AboutSecondLine, 40, 25, 119, 8},
            {K::DefPushButton, IDC_OK, nullptr, "OK", 178, 7, 50, 14},
        }};
    return t;
}

const DialogTemplate& SelectSurveysTemplate()
{
    using K = ControlKind;
    static const DialogTemplate t{
        129, DialogText::SurveysTitle, DialogText::SurveysFont, 8, 645, 186,
        {
            {K::ListView, IDC_SURVEYLIST, nullptr, "", 7, 7, 629, 125},
            {K::GroupBox, IDC_NONE, "groupCleanOptions", DialogText::CleanOptionsGroup, 171, 139, 235, 40},
            {K::CheckBox, IDC_CLEAN_STATS, nullptr, DialogText::CleanStats, 184, 157, 45, 10},
            {K::CheckBox, IDC_CLEAN_SURVEYS, nullptr, DialogText::CleanSurveys, 237, 157, 42, 10},
            {K::CheckBox, IDC_CLEAN_WEBINTERVIEWS, nullptr, DialogText::CleanWebInterviews, 287, 157, 62, 10},
            {K::CheckBox, IDC_CLEAN_LISTS, nullptr, DialogText::CleanLists, 359, 157, 32, 10},
            {K::DefPushButton, IDC_OK, nullptr, DialogText::Ok, 572, 146, 50, 14},
            {K::PushButton, IDC_CANCEL, nullptr, DialogText::Cancel, 572, 163, 50, 14},
        }};
    return t;
}
