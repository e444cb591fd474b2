#pragma once

#include <Feedback.h>
#include <Identifiers.h>

#include <QDialog>
#include <QString>

class QCheckBox;
class QTreeWidget;

// The survey selection shown before a clean-up by survey: every survey of
// the call-centre database with the dates its data was last cleaned,
// several rows selectable, and the four kinds of data to clean. On opening
// it makes sure the CleaningHistory table exists.
class CSelectSurveysDlg : public QDialog {
    Q_OBJECT
public:
    CSelectSurveysDlg(const QString& connection, Feedback& feedback, QWidget* parent = nullptr);

    // Loads the list, then runs the dialog modally.
    int exec() override;

    // Fills the list from the database, under the wait cursor. A database
    // failure is reported and the dialog keeps the rows read before it.
    void OnInitDialog();

    // Moves the check boxes into the option members, or back.
    void UpdateData(bool save);

    // Takes the selected rows into the results and closes with OK.
    void OnOK();

    QString m_strConnect;
    TableNameSet m_SurveyNames;
    IdentifierArray m_LegacySurveyIds;
    IdentifierArray m_NewSurveyIds;
    QTreeWidget* m_SurveyList = nullptr;
    int m_bCleanStats = 0;
    int m_bCleanSurveys = 0;
    int m_bCleanWebInterviews = 0;
    int m_bCleanLists = 0;

private:
    Feedback& m_feedback;
    QCheckBox* m_checks[4] = {};
};
