#include "gui/AboutDialog.h"
#include "gui/DialogTemplates.h"
#include "gui/MainWindow.h"
#include "gui/SurveySelectionDialog.h"

#include "tests/support/RecordingFeedback.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/TestSettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <map>

using namespace qel;
using namespace qel::test;

namespace {

QRect DialogUnitsOf(const ControlTemplate& c)
{
    return {c.x, c.y, c.width, c.height};
}

QRect InWindow(const QWidget* widget)
{
    return {widget->mapTo(widget->window(), QPoint(0, 0)), widget->size()};
}

QWidget* Named(QWidget& window, const char* name)
{
    QWidget* widget = window.findChild<QWidget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// The template's arrangement on screen: of any two controls that share rows
// in the template, the one wholly left of the other stays left of it; of
// any two that share columns, the one wholly above stays above.
void ExpectTemplateArrangement(QWidget& window, const DialogTemplate& t)
{
    const auto overlap = [](int a, int aLength, int b, int bLength) { return a < b + bLength && b < a + aLength; };
    for (const ControlTemplate& a : t.controls) {
        for (const ControlTemplate& b : t.controls) {
            const QRect ta = DialogUnitsOf(a);
            const QRect tb = DialogUnitsOf(b);
            if (ta.contains(tb) || tb.contains(ta)) // one frames the other
                continue;
            QWidget* wa = Named(window, a.name);
            QWidget* wb = Named(window, b.name);
            if (!wa || !wb)
                return;
            if (overlap(ta.y(), ta.height(), tb.y(), tb.height()) && ta.x() + ta.width() <= tb.x()) {
                EXPECT_LT(InWindow(wa).right(), InWindow(wb).left()) << a.name << " left of " << b.name;
            }
            if (overlap(ta.x(), ta.width(), tb.x(), tb.width()) && ta.y() + ta.height() <= tb.y()) {
                EXPECT_LT(InWindow(wa).bottom(), InWindow(wb).top()) << a.name << " above " << b.name;
            }
        }
    }
}

// The frame and the title of a group box as its style draws them.
struct GroupShape {
    QRect frame;
    QRect title;
};
GroupShape ShapeOf(QGroupBox* group)
{
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.lineWidth = 1;
    option.textAlignment = group->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.features = group->isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
    const QStyle* style = group->style();
    return {style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, group),
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group)};
}

// Every control a group frames lies inside the frame, clear of its lines,
// and below the title.
void ExpectFramed(QGroupBox* group, const QList<QWidget*>& controls)
{
    ASSERT_NE(group, nullptr);
    ASSERT_FALSE(controls.isEmpty()) << group->objectName().toStdString();
    const GroupShape shape = ShapeOf(group);
    EXPECT_GE(shape.title.width(), group->fontMetrics().horizontalAdvance(group->title())) << "the whole title shows";
    for (QWidget* control : controls) {
        const QRect r(control->mapTo(group, QPoint(0, 0)), control->size());
        const std::string where = group->objectName().toStdString() + " / " + control->objectName().toStdString();
        EXPECT_TRUE(shape.frame.adjusted(2, 2, -2, -2).contains(r)) << where;
        EXPECT_GT(r.top(), shape.title.bottom()) << where;
    }
}

// The controls each group box of a template frames, by the template.
std::map<QGroupBox*, QList<QWidget*>> GroupsOf(QWidget& window, const DialogTemplate& t)
{
    std::map<QGroupBox*, QList<QWidget*>> groups;
    for (const ControlTemplate& g : t.controls) {
        if (g.kind != ControlKind::GroupBox)
            continue;
        auto* group = qobject_cast<QGroupBox*>(Named(window, g.name));
        for (const ControlTemplate& c : t.controls)
            if (&c != &g && DialogUnitsOf(g).contains(DialogUnitsOf(c)))
                groups[group] << Named(window, c.name);
    }
    return groups;
}

// Every text shows whole: labels, buttons, check boxes, group titles,
// drop-down lists.
void ExpectTextsFit(QWidget& window)
{
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->objectName() == QLatin1String("statusLine"))
            continue;
        EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(label->text()))
            << label->objectName().toStdString();
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
        EXPECT_GE(button->height(), button->minimumSizeHint().height()) << button->objectName().toStdString();
    }
    for (QGroupBox* group : window.findChildren<QGroupBox*>())
        EXPECT_GE(group->width(), group->minimumSizeHint().width()) << group->objectName().toStdString();
    for (QComboBox* box : window.findChildren<QComboBox*>())
        EXPECT_GE(box->width(), box->minimumSizeHint().width()) << box->objectName().toStdString();
}

// A screen of 1024 by 768 pixels less a usual window frame and title bar.
const QSize kSmallScreen(1024 - 16, 768 - 48);

class WindowLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetSettings(); }
    RecordingFeedback recorder;
};

void ExpectCleanMainWindow(MainWindow& w)
{
    SCOPED_TRACE(QStringLiteral("%1x%2").arg(w.width()).arg(w.height()).toStdString());
    ExpectTemplateArrangement(w, MainWindowTemplate());
    for (const auto& [group, controls] : GroupsOf(w, MainWindowTemplate()))
        ExpectFramed(group, controls);
    auto* backup = w.findChild<QGroupBox*>(QStringLiteral("groupBackup"));
    QList<QWidget*> backupControls;
    for (QWidget* child : backup->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        backupControls << child;
    ExpectFramed(backup, backupControls);
    ExpectTextsFit(w);

    // The backup section lies between the connection strings and the
    // clean-ups; the status line and Close stay at the bottom.
    EXPECT_LT(InWindow(Named(w, "groupConnectionStrings")).bottom(), InWindow(backup).top());
    EXPECT_LT(InWindow(backup).bottom(), InWindow(Named(w, "groupCleanupByDate")).top());
    EXPECT_GE(InWindow(Named(w, "closeButton")).bottom(), w.height() - w.fontMetrics().height());
    // The progress of a run between the clean-ups and the status line, Stop
    // above Close.
    EXPECT_LT(InWindow(Named(w, "groupCleanupByDate")).bottom(), InWindow(Named(w, "runProgress")).top());
    EXPECT_LT(InWindow(Named(w, "runProgress")).bottom(), InWindow(Named(w, "statusLine")).top());
    EXPECT_LT(InWindow(Named(w, "stopButton")).bottom(), InWindow(Named(w, "closeButton")).top());
    EXPECT_EQ(InWindow(Named(w, "stopButton")).right(), InWindow(Named(w, "closeButton")).right());
}

TEST_F(WindowLayoutTest, TheMainWindowKeepsTheTemplatesArrangementAndRendersCleanlyAtAnySize)
{
    MainWindow w(TestSettingsStore(), &recorder);
    w.show();
    ExpectCleanMainWindow(w);

    // Enlarged, the fields take the room and everything keeps its place.
    const int editWidth = Named(w, "callCenterSrcEdit")->width();
    const QSize picture = Named(w, "picture")->size();
    w.resize(w.size() + QSize(400, 250));
    QApplication::processEvents();
    ExpectCleanMainWindow(w);
    EXPECT_GE(Named(w, "callCenterSrcEdit")->width(), editWidth + 300);
    EXPECT_EQ(Named(w, "picture")->size(), picture);
    EXPECT_EQ(Named(w, "closeButton")->height(), Named(w, "closeButton")->sizeHint().height());
}

TEST_F(WindowLayoutTest, TheMainWindowFitsA1024By768ScreenAt96DpiAndMayBeEnlarged)
{
    MainWindow w(TestSettingsStore(), &recorder);
    if (w.logicalDpiX() != 96)
        GTEST_SKIP() << "the display is not at 96 dpi";
    w.show();
    EXPECT_LE(w.sizeHint().width(), kSmallScreen.width());
    EXPECT_LE(w.sizeHint().height(), kSmallScreen.height());
    EXPECT_LE(w.width(), kSmallScreen.width());
    EXPECT_LE(w.height(), kSmallScreen.height());
    EXPECT_GE(w.maximumWidth(), 4096) << "no fixed size";
    EXPECT_GE(w.maximumHeight(), 4096);
    // Room under the status line for more rows.
    EXPECT_LE(w.sizeHint().height() + 2 * w.fontMetrics().height() + 20, kSmallScreen.height());
}

TEST_F(WindowLayoutTest, TheSurveySelectionKeepsTheTemplatesArrangementAndItsTitlesFit)
{
    // A connection that fails: the dialog opens with its columns and no rows.
    SurveySelectionDialog dialog(QStringLiteral("Driver=No Such Driver;Database=x"), recorder);
    dialog.LoadSurveys();
    dialog.show();
    ExpectTemplateArrangement(dialog, SurveySelectionTemplate());
    for (const auto& [group, controls] : GroupsOf(dialog, SurveySelectionTemplate()))
        ExpectFramed(group, controls);
    ExpectTextsFit(dialog);
    QHeaderView* header = dialog.surveyList()->header();
    for (int i = 0; i < header->count(); ++i)
        EXPECT_GE(header->sectionSize(i), header->sectionSizeHint(i)) << i;
    if (dialog.logicalDpiX() == 96) {
        EXPECT_LE(dialog.width(), kSmallScreen.width());
        EXPECT_LE(dialog.height(), kSmallScreen.height());
    }
    EXPECT_LT(dialog.minimumWidth(), dialog.maximumWidth()) << "may be enlarged";
}

TEST_F(WindowLayoutTest, TheAboutBoxKeepsTheTemplatesArrangement)
{
    AboutDialog about;
    about.show();
    ExpectTemplateArrangement(about, AboutBoxTemplate());
    ExpectTextsFit(about);
    EXPECT_EQ(about.font(), QApplication::font());
}

} // namespace
