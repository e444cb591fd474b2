#pragma once

#include <Identifiers.h>

#include <QDialog>
#include <QString>

class QTreeWidget;

// The survey selection dialog shown before a clean-up by survey: every
// survey with the dates its data was last cleaned, several rows selectable,
// and the four kinds of data to clean.
class CSelectSurveysDlg : public QDialog {
    Q_OBJECT
public:
    CSelectSurveysDlg(const QString& connection, QWidget* parent = nullptr);

    QString m_strConnect;
    TableNameSet m_SurveyNames;
    IdentifierArray m_LegacySurveyIds;
    IdentifierArray m_NewSurveyIds;
    QTreeWidget* m_SurveyList = nullptr;
    int m_bCleanStats = 0;
    int m_bCleanSurveys = 0;
    int m_bCleanWebInterviews = 0;
    int m_bCleanLists = 0;
};
