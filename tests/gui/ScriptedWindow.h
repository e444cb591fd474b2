#pragma once

#include "gui/AboutDialog.h"
#include "gui/ConfirmationDialog.h"
#include "gui/MainWindow.h"
#include "gui/SurveySelectionDialog.h"
#include "tests/support/TestSettings.h"

#include <functional>

namespace qel::test {

// The main window with the modal runs of other windows replaced by what a
// test says, and counted, so that no test waits on a box.
class ScriptedWindow : public MainWindow {
public:
    explicit ScriptedWindow(Feedback* messages) : MainWindow(TestSettingsStore(), messages) {}

    std::function<int(SurveySelectionDialog&)> selectSurveys;
    std::function<QString(const QString&)> browse;
    std::function<void(AboutDialog&)> about;
    // Answers the confirmation; without one, the user chooses Delete.
    std::function<int(ConfirmationDialog&)> confirm;
    int confirmations = 0;
    int selectionRuns = 0;
    int aboutRuns = 0;
    int browseRuns = 0;

protected:
    int RunSurveySelection(SurveySelectionDialog& dialog) override
    {
        ++selectionRuns;
        return selectSurveys ? selectSurveys(dialog) : QDialog::Rejected;
    }
    QString RunBackupFileDialog(const QString& initialName) override
    {
        ++browseRuns;
        return browse ? browse(initialName) : QString();
    }
    int RunConfirmation(ConfirmationDialog& dialog) override
    {
        ++confirmations;
        return confirm ? confirm(dialog) : QDialog::Accepted;
    }
    int RunAboutBox(AboutDialog& dialog) override
    {
        ++aboutRuns;
        if (about)
            about(dialog);
        return QDialog::Accepted;
    }
};

} // namespace qel::test
