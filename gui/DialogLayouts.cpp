#include "gui/DialogLayouts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QScreen>

namespace qel {

namespace {

QWidget* Find(QWidget& dialog, const char* name)
{
    QWidget* control = dialog.findChild<QWidget*>(QLatin1String(name));
    Q_ASSERT(control);
    return control;
}

QGroupBox* Group(QWidget& dialog, const char* name)
{
    return qobject_cast<QGroupBox*>(Find(dialog, name));
}

// The space between controls and around a window's edge, in dialog units.
constexpr int kMargin = 7;
constexpr int kSpacing = 4;

QBoxLayout* Spaced(QBoxLayout* layout, const DialogUnits& units)
{
    const bool across = layout->direction() == QBoxLayout::LeftToRight || layout->direction() == QBoxLayout::RightToLeft;
    layout->setSpacing(across ? units.x(kSpacing) : units.y(kSpacing));
    return layout;
}

QGridLayout* Spaced(QGridLayout* layout, const DialogUnits& units)
{
    layout->setHorizontalSpacing(units.x(kSpacing));
    layout->setVerticalSpacing(units.y(kSpacing));
    return layout;
}

template <typename Box>
Box* Spaced(Box* layout, const DialogUnits& units)
{
    Spaced(static_cast<QBoxLayout*>(layout), units);
    return layout;
}

void SetMargins(QLayout* layout, const DialogUnits& units)
{
    layout->setContentsMargins(units.x(kMargin), units.y(kMargin), units.x(kMargin), units.y(kMargin));
}

// Room for a usual window frame and title bar around the client area.
const QSize kFrameAllowance(16, 48);

void ArrangeConnectionStrings(QWidget& window, const DialogUnits& units)
{
    QGroupBox* group = Group(window, "groupConnectionStrings");
    auto* grid = Spaced(new QGridLayout(group), units);
    // The template's rows, top to bottom: a label and its edit each.
    const std::pair<const char*, const char*> rows[] = {
        {"labelCallCenterSrc", "callCenterSrcEdit"}, {"labelStatSrc", "statSrcEdit"},
        {"labelSurveyDB", "surveyDBEdit"},           {"labelWebInterviewDB", "webInterviewDBEdit"},
        {"labelWebProdDB", "webProdDBEdit"},         {"labelListDB", "listDBEdit"}};
    int row = 0;
    for (const auto& [label, edit] : rows) {
        grid->addWidget(Find(window, label), row, 0);
        QWidget* field = Find(window, edit);
        field->setMinimumWidth(units.x(150));
        grid->addWidget(field, row++, 1);
    }
    // The time-out under the edits, its box as wide as the template's.
    auto* timeout = new QHBoxLayout;
    timeout->addWidget(Find(window, "labelTimeout"));
    QWidget* timeoutEdit = Find(window, "timeoutEdit");
    timeoutEdit->setFixedWidth(units.x(82));
    timeout->addWidget(timeoutEdit);
    timeout->addStretch();
    // The window's own button that tries the connections above, when it has one.
    if (QWidget* test = window.findChild<QWidget*>(QStringLiteral("testConnectionsButton")))
        timeout->addWidget(test);
    grid->addLayout(timeout, row, 1);
    grid->setColumnStretch(1, 1);
}

QWidget* ArrangeCleanupByDate(QWidget& window, const DialogUnits& units)
{
    QGroupBox* group = Group(window, "groupCleanupByDate");
    auto* column = Spaced(new QVBoxLayout(group), units);
    auto* date = new QHBoxLayout;
    date->addWidget(Find(window, "labelRemovalDate"));
    QWidget* picker = Find(window, "removalDatePicker");
    picker->setMinimumWidth(units.x(82));
    date->addWidget(picker);
    date->addStretch();
    column->addLayout(date);
    column->addStretch();
    column->addWidget(Find(window, "byDateButton"));
    return group;
}

QWidget* ArrangeCleanupBySurvey(QWidget& window, const DialogUnits& units)
{
    QGroupBox* group = Group(window, "groupCleanupBySurvey");
    auto* row = Spaced(new QHBoxLayout(group), units);
    QWidget* button = Find(window, "bySurveyButton");
    button->setMinimumWidth(units.x(117));
    row->addStretch();
    row->addWidget(button);
    row->addStretch();
    return group;
}

QWidget* ArrangeCleanupDeleted(QWidget& window, const DialogUnits& units)
{
    QGroupBox* group = Group(window, "groupCleanupDeleted");
    auto* row = Spaced(new QHBoxLayout(group), units);
    for (const char* name : {"surveysDatabaseButton", "webInterviewsDatabaseButton", "listDatabaseButton"})
        row->addWidget(Find(window, name), 1);
    return group;
}

} // namespace

QGridLayout* ArrangeMainWindow(QDialog& window, const DialogUnits& units, QWidget* backupSection, QWidget* progress)
{
    auto* page = Spaced(new QVBoxLayout(&window), units);
    SetMargins(page, units);

    ArrangeConnectionStrings(window, units);
    auto* top = Spaced(new QHBoxLayout, units);
    top->addWidget(Group(window, "groupConnectionStrings"), 1);
    top->addWidget(Find(window, "picture"), 0, Qt::AlignTop);
    page->addLayout(top);

    if (backupSection)
        page->addWidget(backupSection);

    auto* cleanups = Spaced(new QHBoxLayout, units);
    cleanups->addWidget(ArrangeCleanupByDate(window, units));
    auto* right = Spaced(new QVBoxLayout, units);
    right->addWidget(ArrangeCleanupBySurvey(window, units));
    right->addWidget(ArrangeCleanupDeleted(window, units));
    cleanups->addLayout(right, 1);
    page->addLayout(cleanups);

    // Extra height goes above the status line, which stays at the bottom.
    page->addStretch(1);
    auto* status = Spaced(new QGridLayout, units);
    const int statusRow = progress ? 1 : 0;
    if (progress)
        status->addWidget(progress, 0, 0, 1, 2);
    status->addWidget(Find(window, "statusLine"), statusRow, 0);
    QWidget* close = Find(window, "closeButton");
    close->setMinimumWidth(units.x(50));
    status->addWidget(close, statusRow, 1);
    status->setColumnStretch(0, 1);
    page->addLayout(status);
    return status;
}

void ArrangeSurveySelection(QDialog& dialog, const DialogUnits& units)
{
    auto* page = Spaced(new QVBoxLayout(&dialog), units);
    SetMargins(page, units);
    QWidget* list = Find(dialog, "surveyList");
    list->setMinimumSize(units.size(200, 60));
    page->addWidget(list, 1);

    QGroupBox* options = Group(dialog, "groupCleanOptions");
    auto* checks = Spaced(new QHBoxLayout(options), units);
    for (const char* name : {"statsCheck", "surveysCheck", "webInterviewsCheck", "listsCheck"})
        checks->addWidget(Find(dialog, name));

    auto* buttons = Spaced(new QVBoxLayout, units);
    for (const char* name : {"okButton", "cancelButton"}) {
        QWidget* button = Find(dialog, name);
        button->setMinimumWidth(units.x(50));
        buttons->addWidget(button);
    }
    auto* bottom = Spaced(new QHBoxLayout, units);
    bottom->addStretch(1);
    bottom->addWidget(options);
    bottom->addStretch(1);
    bottom->addLayout(buttons);
    page->addLayout(bottom);
}

void ArrangeAboutBox(QDialog& dialog, const DialogUnits& units)
{
    auto* page = Spaced(new QHBoxLayout(&dialog), units);
    SetMargins(page, units);
    page->setSizeConstraint(QLayout::SetFixedSize);
    page->addWidget(Find(dialog, "icon"), 0, Qt::AlignTop);
    auto* lines = Spaced(new QVBoxLayout, units);
    lines->addWidget(Find(dialog, "labelVersion"));
    lines->addWidget(Find(dialog, "labelSecondLine"));
    lines->addStretch();
    page->addLayout(lines, 1);
    page->addSpacing(units.x(kMargin));
    QWidget* ok = Find(dialog, "okButton");
    ok->setMinimumWidth(units.x(50));
    page->addWidget(ok, 0, Qt::AlignTop);
}

void FitToScreen(QWidget& window, const QSize& preferred)
{
    QSize size = preferred;
    if (const QScreen* screen = window.screen())
        size = size.boundedTo(screen->availableGeometry().size() - kFrameAllowance);
    window.resize(size.expandedTo(window.minimumSizeHint()));
}

} // namespace qel
