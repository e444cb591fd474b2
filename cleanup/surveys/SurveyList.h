#pragma once

#include "cleanup/surveys/CleaningHistory.h"
#include "cleanup/Identifiers.h"
#include "cleanup/RunOutcome.h"
#include "core/CleanupSettings.h"
#include "core/Feedback.h"
#include "db/FieldValue.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace qel {

class Connection;

// One survey as the selection dialog lists it: its identifier and the
// eight cell texts (Id, Name, Storage, Deleted and the four cleaning dates).
struct SurveyListRow {
    quint32 id = 0;
    QStringList cells;
};

// The titles of the list's eight columns.
QStringList SurveyListColumnTitles();

// The text of a field value in the survey list: integers in decimal,
// floating point with "%.16g", dates in the user's locale, booleans as
// "Yes" or "No", texts as they are; anything else gives empty text.
QString SurveyCellText(const FieldValue& value);

// "Legacy" for storage kind 1, "New" for 2, "None" for anything else.
QString StorageKindText(const FieldValue& interviewStorage);

// Reads every survey with its cleaning dates, handing each row over as soon
// as it is read. It only reads: without CleaningHistory, which only a
// clean-up that records one creates, every survey reads as never cleaned.
// A database failure leaves as a DatabaseError; the rows handed over before
// it stay handed over.
void LoadSurveyList(Connection& callCenter, const std::function<void(const SurveyListRow&)>& onRow);

// The survey list of the call-centre database the settings name, read as
// LoadSurveyList reads it, over a connection that only reads (a read-only
// copy of the database serves). A failure is reported through the feedback
// with the survey list's context word, and answers a failed outcome.
RunOutcome ReadSurveyList(const CleanupSettings& settings, Feedback& feedback,
                          const std::function<void(const SurveyListRow&)>& onRow);

// What a selection of the list hands to the clean-up by survey: the titles,
// and the identifiers split by storage kind.
struct SurveySelection {
    TableNameSet surveyNames;
    IdentifierArray legacySurveyIds;
    IdentifierArray newSurveyIds;

    bool hasSurveysWithData() const { return !legacySurveyIds.empty() || !newSurveyIds.empty(); }
};

// The selection of the given rows, taken in list order. A survey of storage
// "None" gives its title but no identifier.
SurveySelection SelectionOf(const std::vector<SurveyListRow>& selectedRows);

// The surveys of the given identifiers, as the list shows them: their
// selection, and the identifiers that name no survey at all.
struct SurveyChoice {
    SurveySelection selection;
    std::vector<qint32> unknownIds;
};
SurveyChoice ChooseSurveys(const std::vector<SurveyListRow>& list, const std::vector<qint32>& ids);

} // namespace qel
