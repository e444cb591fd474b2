#pragma once

#include "cleanup/CleanupOperations.h"
#include "core/CleanupSettings.h"
#include "core/RunState.h"
#include "core/SettingsStore.h"
#include "gui/DialogUnits.h"
#include "gui/WidgetFeedback.h"

#include <QDialog>
#include <QIcon>

class QDateEdit;
class QLabel;
class QLineEdit;

namespace qel {

class AboutDialog;
class SurveySelectionDialog;

// The main window: the connection strings, the time-out and the removal
// date, and the five clean-up commands. It reads the settings when it is
// constructed and saves them at the start of each clean-up command; closing
// it saves nothing.
class MainWindow : public QDialog {
    Q_OBJECT
public:
    // Messages of the operations go to `messages` when one is given (status
    // texts and pumps reach it too, besides the status line); otherwise to
    // message boxes owned by the window.
    explicit MainWindow(SettingsStore store, Feedback* messages = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Moves the settings into the controls (save = false) or the control
    // values into the settings (save = true).
    void UpdateData(bool save);

    // Writes the settings to the store.
    void SaveSettings();

    CleanupSettings& settings() { return settings_; }
    RunState& runState() { return state_; }
    Feedback& feedback() { return feedback_; }
    const DialogUnits& dialogUnits() const { return units_; }

public slots:
    void CleanUpByDate();
    void CleanUpBySurvey();
    void CleanUpListDatabase();
    void BrowseBackupFile(); // no control sends it
    void CleanUpSurveysDatabase();
    void CleanUpWebInterviewsDatabase();

    // A command of the window's system menu: the About entry opens the
    // About box.
    void OnSystemCommand(int commandId);

    // Close, Escape and closing the window: nothing while a clean-up runs.
    void OnCancel();

    // Enter outside a push button: takes the control values into the
    // settings and ends the window's modal run. Saves nothing, and is not
    // held back by a running clean-up.
    void OnOK();

protected:
    // The modal runs of other windows, overridden by tests.
    virtual int RunSurveySelection(SurveySelectionDialog& dialog);
    virtual int RunAboutBox(AboutDialog& dialog);
    // The chosen file's full path, or empty text when the user cancels.
    virtual QString RunBackupFileDialog(const QString& initialName);

    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // The first steps of every clean-up command; false while one runs.
    bool BeginCleanupCommand();

    CleanupSettings settings_;
    RunState state_;
    SettingsStore store_;
    WidgetFeedback feedback_;
    CleanupOperations operations_;
    QIcon icon_;
    DialogUnits units_;

    QLabel* statusLine_ = nullptr;
    QLineEdit* callCenterSrc_ = nullptr;
    QLineEdit* statSrc_ = nullptr;
    QDateEdit* removalDate_ = nullptr;
    QLineEdit* timeout_ = nullptr;
    QLineEdit* listDB_ = nullptr;
    QLineEdit* surveyDB_ = nullptr;
    QLineEdit* webInterviewDB_ = nullptr;
    QLineEdit* webProdDB_ = nullptr;
};

} // namespace qel
