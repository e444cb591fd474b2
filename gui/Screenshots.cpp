#include "gui/Screenshots.h"

#include "cleanup/checks/BackupTarget.h"
#include "core/SettingsStore.h"
#include "gui/ConfirmationDialog.h"
#include "gui/PreviewTexts.h"
#include "gui/MainWindow.h"
#include "gui/SurveySelectionDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <cstdio>

namespace qel {

namespace {

// Lets the window reach the screen and paint.
void Settle()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool Save(QWidget& window, const QString& path)
{
    window.show();
    Settle();
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int RunScreenshots(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QLatin1String(SettingsStore::kOrganization));
    QCoreApplication::setApplicationName(QLatin1String(SettingsStore::kApplication));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: qelcleanup-screenshots FOLDER SUFFIX\n");
        return 2;
    }
    const QDir folder(args.at(1));
    const QString suffix = args.at(2);

    MainWindow window(SettingsStore{});
    if (!Save(window, folder.filePath(QStringLiteral("main-window-%1.png").arg(suffix))))
        return 1;

    // What a clean-up by date with the window's settings would ask.
    window.UpdateData(true);
    const auto preview = window.DatePreview(TargetConnection(window.settings(), window.runState()));
    if (!preview) {
        std::fprintf(stderr, "the preview of the clean-up by date failed\n");
        return 1;
    }
    ConfirmationDialog confirmation(DateCommandText(window.runState().removalDate), *preview, &window);
    if (!Save(confirmation, folder.filePath(QStringLiteral("confirmation-%1.png").arg(suffix))))
        return 1;
    confirmation.hide();

    // A few surveys chosen, as a user would before pressing OK.
    SurveySelectionDialog selection(window.settings().callCenterSrc, window.feedback(), &window);
    selection.LoadSurveys();
    QTreeWidget* list = selection.surveyList();
    for (int row : {3, 5})
        if (row < list->topLevelItemCount())
            list->topLevelItem(row)->setSelected(true);
    for (const char* check : {"statsCheck", "surveysCheck"})
        selection.findChild<QCheckBox*>(QLatin1String(check))->setChecked(true);
    if (!Save(selection, folder.filePath(QStringLiteral("survey-selection-%1.png").arg(suffix))))
        return 1;
    return 0;
}

} // namespace qel
