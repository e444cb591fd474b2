#pragma once

#include <QString>

namespace qel {

// The program's string table: every message a user sees is taken from here.
// The values are the entries' numbers in the tool this one replaces.
enum class StringId {
    AboutBox = 101,
    DatabaseError = 106,
    Stage = 107,
    CreatingFields = 108,
    RecordsCopied = 109,
    DeletingRecords = 110,
    OpeningDatabases = 111,
    CleanupSuccessful = 112,
    Yes = 113,
    No = 114,
    ListTablesDeleted = 115,
    SurveyTablesDeleted = 116,
    WebTablesDeleted = 117,
    // This tool's own texts.
    Stopped = 118,
};

// The text of a string-table entry.
QString LoadText(StringId id);

// Captions and texts of the dialog templates and the survey list.
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

} // namespace qel
