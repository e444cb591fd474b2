#include "SelectSurveysDlg.h"

#include "SurveyList.h"

#include <Connection.h>
#include <DatabaseError.h>
#include <DialogTemplateWidgets.h>
#include <ErrorReport.h>
#include <StringTable.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include <optional>

namespace {

// The wait cursor for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

CSelectSurveysDlg::CSelectSurveysDlg(const QString& connection, Feedback& feedback, QWidget* parent)
    : QDialog(parent), m_strConnect(connection), m_feedback(feedback)
{
    BuildFromTemplate(*this, SelectSurveysTemplate());
    m_SurveyList = findChild<QTreeWidget*>(QString::number(IDC_SURVEYLIST));
    const int checkIds[] = {IDC_CLEAN_STATS, IDC_CLEAN_SURVEYS, IDC_CLEAN_WEBINTERVIEWS, IDC_CLEAN_LISTS};
    for (int i = 0; i < 4; ++i)
        m_checks[i] = findChild<QCheckBox*>(QString::number(checkIds[i]));
    connect(findChild<QPushButton*>(QString::number(IDC_OK)), &QPushButton::clicked, this, &CSelectSurveysDlg::OnOK);
    connect(findChild<QPushButton*>(QString::number(IDC_CANCEL)), &QPushButton::clicked, this, &QDialog::reject);
}

int CSelectSurveysDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void CSelectSurveysDlg::UpdateData(bool save)
{
    int* members[] = {&m_bCleanStats, &m_bCleanSurveys, &m_bCleanWebInterviews, &m_bCleanLists};
    for (int i = 0; i < 4; ++i) {
        if (save)
            *members[i] = m_checks[i]->isChecked() ? 1 : 0;
        else
            m_checks[i]->setChecked(*members[i] != 0);
    }
}

void CSelectSurveysDlg::OnInitDialog()
{
    UpdateData(false);
    std::optional<WaitCursor> wait(std::in_place);

    const QStringList titles = SurveyListColumnTitles();
    m_SurveyList->clear();
    m_SurveyList->setColumnCount(titles.size());
    m_SurveyList->setHeaderLabels(titles);
    for (int i = 0; i < titles.size(); ++i)
        m_SurveyList->setColumnWidth(i, DialogText::SurveyListColumnWidths[i]);
    m_SurveyList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    try {
        auto connection = OpenConnection(m_strConnect);
        LoadSurveyList(*connection, [this](const SurveyListRow& row) {
            auto* item = new QTreeWidgetItem(m_SurveyList, row.cells);
            item->setData(0, Qt::UserRole, row.id);
        });
    } catch (const DatabaseError& e) {
        wait.reset(); // the report is read with the ordinary cursor
        ReportDatabaseError(m_feedback, QStringLiteral("CSelectSurveysDlg"), e);
    }
}

void CSelectSurveysDlg::OnOK()
{
    UpdateData(true);
    // The selected rows in list order, from the top down.
    std::vector<SurveyListRow> selected;
    for (int i = 0; i < m_SurveyList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_SurveyList->topLevelItem(i);
        if (!item->isSelected())
            continue;
        SurveyListRow row;
        row.id = item->data(0, Qt::UserRole).toUInt();
        for (int c = 0; c < item->columnCount(); ++c)
            row.cells << item->text(c);
        selected.push_back(row);
    }
    const SurveySelection selection = SelectionOf(selected);
    m_SurveyNames.insert(selection.surveyNames.begin(), selection.surveyNames.end());
    m_LegacySurveyIds = selection.legacySurveyIds;
    m_NewSurveyIds = selection.newSurveyIds;
    QDialog::accept();
}
