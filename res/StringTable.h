#pragma once

#include <QString>

// The program's string table: every text a user sees is taken from here.
enum StringId {
    IDS_ABOUTBOX = 101,
    IDS_ADO_ERROR = 106,
    IDS_STAGE = 107,
    IDS_CREATING_FIELDS = 108,
    IDS_RECORDS_COPIED = 109,
    IDS_DELETING_RECORDS = 110,
    IDS_OPENING_DATABASES = 111,
    IDS_CLEANUP_SUCCESSFUL = 112,
    IDS_YES = 113,
    IDS_NO = 114,
    IDS_LIST_TABLES_DELETED = 115,
    IDS_SURVEY_TABLES_DELETED = 116,
    IDS_WEB_TABLES_DELETED = 117,
};

// The text of a string-table entry; empty for an id the table does not hold.
QString LoadText(int id);

// Captions and texts of the dialog templates.
namespace DialogText {
inline constexpr const char* MainTitle = "QelCleanup";
inline constexpr const char* MainFont = "Arial Unicode MS";
inline constexpr const char* AboutTitle = "About QelBackup";
inline constexpr const char* AboutFont = "MS Sans Serif";
inline constexpr const char* AboutVersion = "QelBackup Version 1.0";
inline constexpr const char* AboutSecondLine = "Database clean-up tool";
inline constexpr const char* SurveysTitle = "Surveys";
inline constexpr const char* SurveysFont = "MS Sans Serif";
inline constexpr const char* Never = "Never";
inline constexpr const char* Legacy = "Legacy";
inline constexpr const char* New = "New";
inline constexpr const char* None = "None";
inline constexpr const char* InvalidDateTime = "Invalid DateTime";
inline constexpr const char* AccessFileFilter = "Access file (*.mdb)|*.mdb|All files (*.*)|*.*||";
inline constexpr const char* AccessDefaultExtension = "mdb";
inline constexpr const char* JetConnectionFormat = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%s";
inline constexpr const char* SurveyListColumns[] = {"Id",           "Name",           "Storage",
                                                    "Deleted",      "Stats Cleaned",  "Surveys Cleaned",
                                                    "WebInterviews Cleaned", "Lists Cleaned"};
inline constexpr int SurveyListColumnWidths[] = {60, 200, 80, 60, 130, 130, 130, 130};
inline constexpr const char* CleanOptionsGroup = "Clean Options";
inline constexpr const char* CleanStats = "Statistics";
inline constexpr const char* CleanSurveys = "Surveys";
inline constexpr const char* CleanWebInterviews = "WebInterviews";
inline constexpr const char* CleanLists = "Lists";
inline constexpr const char* Ok = "OK";
inline constexpr const char* Cancel = "Cancel";
} // namespace DialogText
