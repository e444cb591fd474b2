#pragma once

#include "cleanup/CleanupOperations.h"
#include "cleanup/RunRecord.h"
#include "core/CleanupSettings.h"
#include "core/RunState.h"
#include "core/SettingsStore.h"
#include "gui/ConfirmationDialog.h"
#include "gui/DialogUnits.h"
#include "gui/WidgetFeedback.h"

#include <QDialog>
#include <QIcon>

#include <optional>

class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;

namespace qel {

class AboutDialog;
class BackupSection;
class ConfirmationDialog;
class RunProgressPanel;
class SurveySelectionDialog;

// The main window: the connection strings, the time-out, the backup, the
// removal date, and the five clean-up commands. It reads the settings when
// it is constructed and saves them at the start of each clean-up command;
// closing it saves nothing. The clean-ups by date and by survey first show
// what they will delete and ask; while one runs, a bar shows its progress
// and Stop ends it after the batch in flight. While a clean-up runs, the
// window stays open and opens nothing else.
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
    RunProgressPanel& progress() { return *progress_; }

    // What the clean-ups by date and by survey would delete, copy and drop,
    // found with the databases only read; nothing when the preview failed,
    // which it has reported.
    std::optional<CleanupPreview> DatePreview(const QString& targetConnection);
    std::optional<CleanupPreview> SurveyPreview(const QString& targetConnection, const SurveySelection& selection,
                                                const CleanOptions& options);

public slots:
    void CleanUpByDate();
    void CleanUpBySurvey();
    void CleanUpListDatabase();
    // Asks for the Access backup file; nothing while a clean-up runs.
    void BrowseBackupFile();
    void CleanUpSurveysDatabase();
    void CleanUpWebInterviewsDatabase();
    // Opens each connection and the backup target read-only and shows how
    // each answered, in one box.
    void TestConnections();

    // A command of the window's system menu: the About entry opens the
    // About box, except while a clean-up runs.
    void OnSystemCommand(int commandId);

    // Close, Escape and closing the window: nothing while a clean-up runs.
    void OnCancel();

    // The window's modal run never ends while a clean-up runs.
    void done(int result) override;

protected:
    // The modal runs of other windows, overridden by tests.
    virtual int RunSurveySelection(SurveySelectionDialog& dialog);
    virtual int RunAboutBox(AboutDialog& dialog);
    // Accepted when the user chose to delete.
    virtual int RunConfirmation(ConfirmationDialog& dialog);
    // The chosen file's full path, or empty text when the user cancels.
    virtual QString RunBackupFileDialog(const QString& initialName);

    void reject() override;
    // Enter presses the focused push button and does nothing elsewhere, so
    // typing into a field never ends the window.
    void keyPressEvent(QKeyEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // The first steps of every clean-up command: the controls into the
    // settings, their check, and the save; false while one runs or when a
    // setting is refused.
    bool BeginCleanupCommand(bool copiesIntoBackup = false);
    // Checks the settings (and the backup target, for a clean-up that copies
    // into it); a refused one is shown in a message, its field focused.
    bool AcceptSettings(bool copiesIntoBackup);

    // Runs a clean-up with the busy flag raised and the progress bar going;
    // a stoppable one offers Stop.
    template <typename Operation>
    void RunBusy(Operation operation, bool stoppable = false);
    // Runs a clean-up with operations of its own that fill in the record,
    // then appends the record to the run log.
    // The run's progress counts against `expectedRows` (negative: not
    // counted); the status line ends with the run's summary.
    template <typename Operation>
    void RunRecorded(RunRecord record, Operation operation, bool stoppable = false, long long expectedRows = -1,
                     const CleanupPreview* preview = nullptr);

    // Shows what a clean-up is about to delete; true when there is a
    // preview and the user chose to go on.
    bool Confirm(const QString& command, const std::optional<CleanupPreview>& preview,
                 ConfirmationKind kind = ConfirmationKind::Statistics);

    // One of the "Cleanup Deleted" drops: what it would drop is found with
    // the databases only read and shown for the user to confirm, then the
    // drops run.
    void RunDrops(const char* kindName, const QString& command,
                  RunOutcome (CleanupOperations::*preview)(CleanupPreview&),
                  RunOutcome (CleanupOperations::*drops)());

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
    BackupSection* backup_ = nullptr;
    QGridLayout* statusArea_ = nullptr; // the progress, and under it the status line and Close
    RunProgressPanel* progress_ = nullptr;
};

} // namespace qel
