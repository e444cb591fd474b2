#pragma once

#include "cleanup/surveys/CleaningHistory.h"
#include "cleanup/surveys/SurveyList.h"
#include "core/Feedback.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QPushButton;
class QTreeWidget;

namespace qel {

// The survey selection shown before a clean-up by survey: every survey of
// the call-centre database with the dates its data was last cleaned,
// several rows selectable, and the four kinds of data to clean; OK takes a
// choice of at least one kind. It only reads: a database without
// CleaningHistory lists every survey as never cleaned.
class SurveySelectionDialog : public QDialog {
    Q_OBJECT
public:
    SurveySelectionDialog(const QString& connection, Feedback& feedback, QWidget* parent = nullptr);

    // Loads the list, then runs the dialog modally.
    int exec() override;

    // Fills the list from the database, under the wait cursor. A database
    // failure is reported and the dialog keeps the rows read before it.
    void LoadSurveys();

    // Takes the check boxes into the options (save = true), or back.
    void UpdateData(bool save);

    // Takes the selected rows into the selection and closes with OK; with
    // no kind chosen it does nothing.
    void OnOK();

    QTreeWidget* surveyList() const { return surveyList_; }

    // What the user confirmed with OK.
    const SurveySelection& selection() const { return selection_; }
    const CleanOptions& options() const { return options_; }
    void setOptions(const CleanOptions& options) { options_ = options; }

private:
    // Widens the columns to their titles and texts.
    void FitColumns();
    // OK only with a kind to clean.
    void EnableOK();

    QString connection_;
    Feedback& feedback_;
    SurveySelection selection_;
    CleanOptions options_;
    QTreeWidget* surveyList_ = nullptr;
    QCheckBox* checks_[4] = {};
    QPushButton* ok_ = nullptr;
};

} // namespace qel
