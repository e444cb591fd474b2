#include "gui/SurveySelectionDialog.h"

#include "cleanup/surveys/SurveyList.h"
#include "core/StringTable.h"
#include "gui/DialogBuilder.h"
#include "gui/DialogLayouts.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include <optional>

namespace qel {

namespace {

// The wait cursor for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

SurveySelectionDialog::SurveySelectionDialog(const QString& connection, Feedback& feedback, QWidget* parent)
    : QDialog(parent), connection_(connection), feedback_(feedback)
{
    const DialogUnits units = BuildFromTemplate(*this, SurveySelectionTemplate());
    ArrangeSurveySelection(*this, units);
    FitToScreen(*this, units.size(SurveySelectionTemplate().width, SurveySelectionTemplate().height));
    surveyList_ = findChild<QTreeWidget*>(QStringLiteral("surveyList"));
    const char* checkNames[] = {"statsCheck", "surveysCheck", "webInterviewsCheck", "listsCheck"};
    for (int i = 0; i < 4; ++i)
        checks_[i] = findChild<QCheckBox*>(QLatin1String(checkNames[i]));
    ok_ = findChild<QPushButton*>(QStringLiteral("okButton"));
    connect(ok_, &QPushButton::clicked, this, &SurveySelectionDialog::OnOK);
    // A clean-up with no kind chosen would clean nothing.
    for (QCheckBox* check : checks_)
        connect(check, &QCheckBox::toggled, this, &SurveySelectionDialog::EnableOK);
    EnableOK();
    connect(findChild<QPushButton*>(QStringLiteral("cancelButton")), &QPushButton::clicked, this, &QDialog::reject);
}

int SurveySelectionDialog::exec()
{
    LoadSurveys();
    return QDialog::exec();
}

void SurveySelectionDialog::UpdateData(bool save)
{
    bool* options[] = {&options_.stats, &options_.surveys, &options_.webInterviews, &options_.lists};
    for (int i = 0; i < 4; ++i) {
        if (save)
            *options[i] = checks_[i]->isChecked();
        else
            checks_[i]->setChecked(*options[i]);
    }
}

void SurveySelectionDialog::EnableOK()
{
    bool chosen = false;
    for (const QCheckBox* check : checks_)
        chosen = chosen || check->isChecked();
    ok_->setEnabled(chosen);
}

namespace {

// Passes everything on, and ends the wait cursor before a message box, so
// that the report is read with the ordinary cursor.
class WaitlessFeedback : public Feedback {
public:
    WaitlessFeedback(Feedback& inner, std::optional<WaitCursor>& wait) : inner_(inner), wait_(wait) {}

    void ShowStatus(const QString& text) override { inner_.ShowStatus(text); }
    void PumpMessages() override { inner_.PumpMessages(); }
    void ShowMessage(const QString& text, MessageKind kind) override
    {
        wait_.reset();
        inner_.ShowMessage(text, kind);
    }

private:
    Feedback& inner_;
    std::optional<WaitCursor>& wait_;
};

} // namespace

void SurveySelectionDialog::LoadSurveys()
{
    UpdateData(false);
    std::optional<WaitCursor> wait(std::in_place);

    const QStringList titles = SurveyListColumnTitles();
    surveyList_->clear();
    surveyList_->setColumnCount(static_cast<int>(titles.size())); // a handful of columns
    surveyList_->setHeaderLabels(titles);
    surveyList_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    WaitlessFeedback reporting(feedback_, wait);
    CleanupSettings settings;
    settings.callCenterSrc = connection_;
    ReadSurveyList(settings, reporting, [this](const SurveyListRow& row) {
        auto* item = new QTreeWidgetItem(surveyList_, row.cells);
        item->setData(0, Qt::UserRole, row.id);
    });
    FitColumns();
}

void SurveySelectionDialog::FitColumns()
{
    // The template's widths at least, and wide enough for every title;
    // every column but the survey names also for its longest text.
    constexpr int kNameColumn = 1;
    QHeaderView* header = surveyList_->header();
    const QAbstractItemView* view = surveyList_; // where the contents' width is public
    for (int i = 0; i < surveyList_->columnCount(); ++i) {
        int width = qMax(DialogText::SurveyListColumnWidths[i], header->sectionSizeHint(i));
        if (i != kNameColumn)
            width = qMax(width, view->sizeHintForColumn(i));
        surveyList_->setColumnWidth(i, width);
    }
}

void SurveySelectionDialog::OnOK()
{
    UpdateData(true);
    if (!options_.any())
        return;
    // The selected rows in list order, from the top down.
    std::vector<SurveyListRow> selected;
    for (int i = 0; i < surveyList_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = surveyList_->topLevelItem(i);
        if (!item->isSelected())
            continue;
        SurveyListRow row;
        row.id = item->data(0, Qt::UserRole).toUInt();
        for (int c = 0; c < item->columnCount(); ++c)
            row.cells << item->text(c);
        selected.push_back(row);
    }
    selection_ = SelectionOf(selected);
    QDialog::accept();
}

} // namespace qel
