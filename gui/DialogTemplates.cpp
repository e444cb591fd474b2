#include "gui/DialogTemplates.h"

#include "core/StringTable.h"

namespace qel {

const DialogTemplate& MainWindowTemplate()
{
    using K = ControlKind;
    static const DialogTemplate t{
        DialogText::MainTitle, 661, 333,
        {
            {K::GroupBox, "groupConnectionStrings", "Connection Strings", 25, 19, 422, 137},
            {K::Label, "labelCallCenterSrc", "QEL :", 37, 32, 52, 10},
            {K::Edit, "callCenterSrcEdit", "", 95, 29, 323, 15},                // 1012
            {K::Label, "labelStatSrc", "Statistics :", 37, 49, 52, 10},
            {K::Edit, "statSrcEdit", "", 95, 46, 323, 15},                      // 1011
            {K::GroupBox, "groupCleanupByDate", "Cleanup by Date", 7, 172, 217, 83},
            {K::Label, "labelRemovalDate", "Remove data before:", 31, 195, 69, 13},
            {K::DatePicker, "removalDatePicker", "", 107, 192, 82, 15},         // 1008
            {K::PushButton, "byDateButton", "Clean-up by date", 16, 224, 195, 16}, // 1009
            {K::GroupBox, "groupCleanupBySurvey", "Cleanup by Survey", 334, 172, 217, 36},
            {K::PushButton, "bySurveyButton", "Clean-up by survey", 389, 184, 117, 16}, // 1010
            {K::Edit, "listDBEdit", "", 95, 114, 323, 15},                      // 1019
            {K::PushButton, "listDatabaseButton", "Clean-up list database", 523, 228, 124, 17}, // 1020
            {K::GroupBox, "groupCleanupDeleted", "Cleanup Deleted", 237, 214, 417, 41},
            {K::Label, "labelSurveyDB", "Surveys :", 37, 66, 52, 10},
            {K::Edit, "surveyDBEdit", "", 95, 63, 323, 15},                     // 1024
            {K::PushButton, "surveysDatabaseButton", "Clean-up Surveys Database", 251, 228, 124, 17}, // 1023
            {K::Label, "labelWebInterviewDB", "WebInterviews :", 37, 83, 52, 10},
            {K::Edit, "webInterviewDBEdit", "", 95, 80, 323, 15},               // 1026
            {K::Label, "labelWebProdDB", "Webprod :", 37, 100, 52, 10},
            {K::Edit, "webProdDBEdit", "", 95, 97, 323, 15},                    // 1027
            {K::PushButton, "webInterviewsDatabaseButton", "Clean-up WebInterviews Database", 387, 228, 124, 17}, // 1025
            {K::StatusLine, "statusLine", "", 157, 286, 306, 17},               // 1018
            {K::PushButton, "closeButton", "Close", 553, 295, 50, 14},         // 2
            {K::Edit, "timeoutEdit", "", 261, 136, 82, 14},                     // 1031
            {K::Label, "labelTimeout", "SQL Queries Timeout (seconds):", 143, 138, 111, 8},
            {K::Label, "labelListDB", "Lists :", 37, 117, 52, 10},
            {K::Picture, "picture", "", 453, 27, 195, 120},
        }};
    return t;
}

const DialogTemplate& AboutBoxTemplate()
{
    using K = ControlKind;
    static const DialogTemplate t{
        DialogText::AboutTitle, 235, 55,
        {
            {K::Icon, "icon", "", 11, 17, 20, 20},
            {K::Label, "labelVersion", DialogText::AboutVersion, 40, 10, 119, 8},
            {K::Label, "labelSecondLine", DialogText::AboutSecondLine, 40, 25, 119, 8},
            {K::DefPushButton, "okButton", "OK", 178, 7, 50, 14}, // 1
        }};
    return t;
}

const DialogTemplate& SurveySelectionTemplate()
{
    using K = ControlKind;
    static const DialogTemplate t{
        DialogText::SurveysTitle, 645, 186,
        {
            {K::ListView, "surveyList", "", 7, 7, 629, 125}, // 1019
            {K::GroupBox, "groupCleanOptions", DialogText::CleanOptionsGroup, 171, 139, 235, 40},
            {K::CheckBox, "statsCheck", DialogText::CleanStats, 184, 157, 45, 10},                 // 1033
            {K::CheckBox, "surveysCheck", DialogText::CleanSurveys, 237, 157, 42, 10},             // 1034
            {K::CheckBox, "webInterviewsCheck", DialogText::CleanWebInterviews, 287, 157, 62, 10}, // 1035
            {K::CheckBox, "listsCheck", DialogText::CleanLists, 359, 157, 32, 10},                 // 1036
            {K::DefPushButton, "okButton", DialogText::Ok, 572, 146, 50, 14},                      // 1
            {K::PushButton, "cancelButton", DialogText::Cancel, 572, 163, 50, 14},                 // 2
        }};
    return t;
}

} // namespace qel
