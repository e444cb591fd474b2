#include "gui/MainWindow.h"

#include "cleanup/RunSummary.h"
#include "cleanup/checks/ConnectionCheck.h"
#include "cleanup/checks/SettingsCheck.h"
#include "core/StringTable.h"
#include "gui/AboutDialog.h"
#include "gui/Artwork.h"
#include "gui/BackupFileDialog.h"
#include "gui/BackupSection.h"
#include "gui/ConfirmationDialog.h"
#include "gui/DialogBuilder.h"
#include "gui/DialogLayouts.h"
#include "gui/PreviewTexts.h"
#include "gui/RunProgressPanel.h"
#include "gui/SurveySelectionDialog.h"
#include "gui/SystemMenu.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace qel {

namespace {

// Raises the busy flag for the length of an operation, and puts it back
// even when the operation leaves by an exception.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy), before_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = before_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
    bool before_;
};

// Disables every control of the window but Stop for the length of an
// operation, so that none looks as if it answered, and gives each control
// back the state it had (the backup fields follow the backup kind).
class ControlsLock {
public:
    ControlsLock(QWidget& window, QWidget* stop) : focus_(window.focusWidget())
    {
        for (QWidget* control : window.findChildren<QWidget*>()) {
            const bool input = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control)
                || qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QComboBox*>(control);
            if (!input || control == stop || !control->isEnabled())
                continue;
            control->setEnabled(false);
            disabled_.append(control);
        }
    }
    ~ControlsLock()
    {
        for (const QPointer<QWidget>& control : disabled_)
            if (control)
                control->setEnabled(true);
        // A control that was disabled lost the focus: the keyboard goes on
        // where it was, at the button that started the run.
        if (focus_ && focus_->isEnabled())
            focus_->setFocus();
    }
    ControlsLock(const ControlsLock&) = delete;
    ControlsLock& operator=(const ControlsLock&) = delete;

private:
    QPointer<QWidget> focus_;
    QList<QPointer<QWidget>> disabled_;
};

// Shows the progress of a run, or of the preview counting before it, and
// ends it however the run ends; meanwhile only Stop can be used.
class ProgressScope {
public:
    ProgressScope(QWidget& window, RunProgressPanel& panel, bool stoppable)
        : panel_(panel), lock_(window, panel.stopButton())
    {
        panel_.Begin(stoppable);
    }
    ~ProgressScope() { panel_.End(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    RunProgressPanel& panel_;
    ControlsLock lock_;
};

// How the run log names this front end.
const QString kFrontEnd = QStringLiteral("window");

template <typename T>
T* Control(QDialog& dialog, const char* name)
{
    T* control = dialog.findChild<T*>(QLatin1String(name));
    Q_ASSERT(control);
    return control;
}

} // namespace

MainWindow::MainWindow(SettingsStore store, Feedback* messages, QWidget* parent)
    : QDialog(parent),
      store_(std::move(store)),
      feedback_(this, messages),
      operations_(settings_, state_, feedback_),
      icon_(AppIcon()),
      units_(BuildFromTemplate(*this, MainWindowTemplate()))
{
    store_.Load(settings_);

    statusLine_ = Control<QLabel>(*this, "statusLine");
    callCenterSrc_ = Control<QLineEdit>(*this, "callCenterSrcEdit");
    statSrc_ = Control<QLineEdit>(*this, "statSrcEdit");
    removalDate_ = Control<QDateEdit>(*this, "removalDatePicker");
    timeout_ = Control<QLineEdit>(*this, "timeoutEdit");
    listDB_ = Control<QLineEdit>(*this, "listDBEdit");
    surveyDB_ = Control<QLineEdit>(*this, "surveyDBEdit");
    webInterviewDB_ = Control<QLineEdit>(*this, "webInterviewDBEdit");
    webProdDB_ = Control<QLineEdit>(*this, "webProdDBEdit");
    feedback_.setStatusLine(statusLine_);
    // Not one of the template's controls: the connection strings' group
    // holds it beside the time-out.
    auto* test = new QPushButton(QStringLiteral("Test connections"), this);
    test->setObjectName(QStringLiteral("testConnectionsButton"));
    test->setAutoDefault(false);
    test->setToolTip(QStringLiteral("Opens each database read-only and says whether it opened; nothing is changed"));
    backup_ = new BackupSection(units_, this);
    progress_ = new RunProgressPanel(this);
    progress_->stopButton()->setMinimumWidth(units_.x(50));
    statusArea_ = ArrangeMainWindow(*this, units_, backup_, progress_);
    feedback_.setProgressPanel(progress_);
    operations_.setStopRequested([this] { return progress_->stopRequested(); });
    connect(backup_->browseButton(), &QPushButton::clicked, this, &MainWindow::BrowseBackupFile);
    connect(Control<QPushButton>(*this, "testConnectionsButton"), &QPushButton::clicked, this,
            &MainWindow::TestConnections);

    const struct {
        const char* button;
        void (MainWindow::*handler)();
    } commands[] = {
        {"byDateButton", &MainWindow::CleanUpByDate},
        {"bySurveyButton", &MainWindow::CleanUpBySurvey},
        {"listDatabaseButton", &MainWindow::CleanUpListDatabase},
        {"surveysDatabaseButton", &MainWindow::CleanUpSurveysDatabase},
        {"webInterviewsDatabaseButton", &MainWindow::CleanUpWebInterviewsDatabase},
        {"closeButton", &MainWindow::OnCancel},
    };
    for (const auto& command : commands)
        connect(Control<QPushButton>(*this, command.button), &QPushButton::clicked, this, command.handler);

    UpdateData(false);
    const QString about = LoadText(StringId::AboutBox);
    if (!about.isEmpty())
        AppendSystemMenuEntry(*this, about, kAboutBoxCommand, [this](int id) { OnSystemCommand(id); });
    setWindowIcon(icon_);
    FitToScreen(*this, sizeHint());
}

MainWindow::~MainWindow() = default;

void MainWindow::UpdateData(bool save)
{
    const auto text = [save](QLineEdit* edit, QString& field) {
        if (save) {
            field = edit->text();
        } else {
            edit->setText(field);
            edit->setCursorPosition(0); // a long connection string shows its start
        }
    };
    // The status line is bound as a control only: it carries no setting.
    text(callCenterSrc_, settings_.callCenterSrc);
    text(statSrc_, settings_.statSrc);
    if (save)
        state_.removalDate = removalDate_->date();
    else if (state_.removalDate.isValid())
        removalDate_->setDate(state_.removalDate);
    text(timeout_, settings_.timeout);
    text(listDB_, settings_.listDB);
    text(surveyDB_, settings_.surveyDB);
    text(webInterviewDB_, settings_.webInterviewDB);
    text(webProdDB_, settings_.webProdDB);
    backup_->UpdateData(settings_, save);
}

void MainWindow::SaveSettings()
{
    store_.Save(settings_);
}

bool MainWindow::BeginCleanupCommand(bool copiesIntoBackup)
{
    if (state_.busy)
        return false;
    UpdateData(true);
    if (!AcceptSettings(copiesIntoBackup))
        return false;
    SaveSettings();
    return true;
}

bool MainWindow::AcceptSettings(bool copiesIntoBackup)
{
    const std::optional<SettingProblem> problem = CheckSettings(settings_, copiesIntoBackup);
    if (!problem)
        return true;
    feedback_.ShowMessage(problem->text, MessageKind::Refused);
    // The field that holds the refused value takes the focus, its text
    // selected for typing over.
    QLineEdit* field = problem->key == QLatin1String("Timeout") ? timeout_ : backup_->targetEdit(problem->key);
    if (field && field->isEnabled()) {
        field->setFocus();
        field->selectAll();
    }
    return false;
}

template <typename Operation>
void MainWindow::RunBusy(Operation operation, bool stoppable)
{
    BusyScope busy(state_.busy);
    ProgressScope progress(*this, *progress_, stoppable);
    operation();
}

template <typename Operation>
void MainWindow::RunRecorded(RunRecord record, Operation operation, bool stoppable, long long expectedRows,
                             const CleanupPreview* preview)
{
    // The operation answers what each table lost and how the run ended;
    // that is what the run log records.
    CleanupOperations operations(settings_, state_, feedback_);
    operations.setStopRequested([this] { return progress_->stopRequested(); });
    if (preview)
        operations.setExpectedRows(*preview);
    // The run's messages come in one box once it has ended, so that its
    // time is its own and not the time a box waited to be read.
    QElapsedTimer clock;
    clock.start();
    feedback_.BeginRun(expectedRows);
    feedback_.BeginGathering();
    RunBusy([&] { record.outcome = operation(operations); }, stoppable);
    feedback_.EndRun();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    // The status line ends with what the run did; a failure keeps its
    // report there instead.
    SummaryScope scope;
    scope.statistics = record.command == QLatin1String("by-date")
        || (record.command == QLatin1String("by-survey") && record.kinds.contains(QStringLiteral("stats")));
    scope.backup = scope.statistics && settings_.backupType != 0;
    const QString summary = RunSummaryText(record.outcome, scope, seconds);
    if (record.outcome.completed())
        feedback_.ShowStatus(summary);
    else if (record.outcome.stopped())
        feedback_.ShowStatus(QStringLiteral("Stopped. %1").arg(summary));
    QString error;
    if (!AppendToRunLog(record, &error))
        feedback_.ShowStatus(error);
    feedback_.EndGathering();
}

std::optional<CleanupPreview> MainWindow::DatePreview(const QString& targetConnection)
{
    // The preview's waits and counts answer Stop too.
    ProgressScope progress(*this, *progress_, true);
    CleanupPreview preview;
    if (!operations_.PreviewByDate(targetConnection, preview).completed())
        return std::nullopt;
    return preview;
}

std::optional<CleanupPreview> MainWindow::SurveyPreview(const QString& targetConnection,
                                                        const SurveySelection& selection, const CleanOptions& options)
{
    ProgressScope progress(*this, *progress_, true);
    CleanupPreview preview;
    if (!operations_.PreviewBySurveys(targetConnection, selection, options, preview).completed())
        return std::nullopt;
    return preview;
}

bool MainWindow::Confirm(const QString& command, const std::optional<CleanupPreview>& preview, ConfirmationKind kind)
{
    if (!preview)
        return false;
    ConfirmationDialog dialog(command, *preview, this, kind);
    // A run that would refuse to start is shown, never started.
    if (RunConfirmation(dialog) == QDialog::Accepted && preview->refusal.isEmpty())
        return true;
    // The preview's last status ("Opening databases") would read as if a
    // run were on its way.
    feedback_.ShowStatus(QStringLiteral("Cancelled: nothing was changed"));
    return false;
}

void MainWindow::CleanUpByDate()
{
    if (!BeginCleanupCommand(true))
        return;
    const QString target = TargetConnection(settings_, state_);
    // Busy from the preview on: nothing else starts while the question is open.
    BusyScope busy(state_.busy);
    std::optional<CleanupPreview> preview = DatePreview(target);
    if (preview && state_.removalDate > QDate::currentDate())
        preview->warnings << FutureCutoffText(state_.removalDate);
    if (!Confirm(DateCommandText(state_.removalDate), preview))
        return;
    RunRecord record = BeginRunRecord(QStringLiteral("by-date"), kFrontEnd, settings_);
    record.cutoff = state_.removalDate;
    RunRecorded(
        std::move(record), [&](CleanupOperations& operations) { return operations.CleanUpByDate(target); }, true,
        preview->deletedRows(), &*preview);
}

void MainWindow::CleanUpBySurvey()
{
    if (state_.busy)
        return;
    UpdateData(true);
    if (!AcceptSettings(true))
        return;

    SurveySelectionDialog selection(settings_.callCenterSrc, feedback_, this);
    if (RunSurveySelection(selection) != QDialog::Accepted)
        return;
    if (!selection.selection().hasSurveysWithData())
        return;

    UpdateData(true);
    if (!AcceptSettings(true))
        return;
    SaveSettings();
    const QString target = TargetConnection(settings_, state_);
    BusyScope busy(state_.busy);
    const std::optional<CleanupPreview> preview = SurveyPreview(target, selection.selection(), selection.options());
    if (!Confirm(SurveyCommandText(selection.selection(), selection.options()), preview))
        return;
    RunRecord record = BeginRunRecord(QStringLiteral("by-survey"), kFrontEnd, settings_);
    const SurveySelection& chosen = selection.selection();
    for (const IdentifierArray* ids : {&chosen.legacySurveyIds, &chosen.newSurveyIds})
        for (const auto id : *ids)
            record.surveyIds.push_back(static_cast<qint32>(id));
    const CleanOptions& options = selection.options();
    for (const auto& [chosenKind, name] : {std::pair{options.stats, "stats"}, std::pair{options.surveys, "surveys"},
                                           std::pair{options.webInterviews, "web-interviews"},
                                           std::pair{options.lists, "lists"}})
        if (chosenKind)
            record.kinds << QLatin1String(name);
    // The removals' results and the closing message come in one box.
    RunRecorded(
        std::move(record),
        [&](CleanupOperations& operations) { return operations.CleanUpBySurveys(target, chosen, options); }, true,
        options.stats ? preview->deletedRows() : -1, &*preview);
}

// The table removals raise the busy flag too: a message box they show runs
// an event loop, and the window must not close or start more work under it.
void MainWindow::RunDrops(const char* kindName, const QString& command,
                          RunOutcome (CleanupOperations::*preview)(CleanupPreview&),
                          RunOutcome (CleanupOperations::*drops)())
{
    if (!BeginCleanupCommand())
        return;
    BusyScope busy(state_.busy);
    std::optional<CleanupPreview> found;
    {
        ProgressScope progress(*this, *progress_, true);
        CleanupPreview listed;
        if ((operations_.*preview)(listed).completed())
            found = std::move(listed);
    }
    if (!Confirm(command, found, ConfirmationKind::Drops))
        return;
    // Stop answers in the drops' waits too; a drop in flight is rolled back whole.
    RunRecorded(
        BeginRunRecord(QLatin1String(kindName), kFrontEnd, settings_),
        [drops](CleanupOperations& operations) { return (operations.*drops)(); }, true);
}

void MainWindow::CleanUpListDatabase()
{
    RunDrops("lists", QStringLiteral("Clean-up list database: the tables of calling lists marked deleted"),
             &CleanupOperations::PreviewDeletedLists, &CleanupOperations::CleanUpDeletedLists);
}

void MainWindow::CleanUpSurveysDatabase()
{
    RunDrops("surveys", QStringLiteral("Clean-up Surveys Database: the data tables of surveys marked deleted"),
             &CleanupOperations::PreviewDeletedSurveys, &CleanupOperations::CleanUpDeletedSurveys);
}

void MainWindow::CleanUpWebInterviewsDatabase()
{
    RunDrops("web-interviews",
             QStringLiteral("Clean-up WebInterviews Database: the web-interview tables of titles no longer in use"),
             &CleanupOperations::PreviewWebInterviews, &CleanupOperations::CleanUpWebInterviews);
}

void MainWindow::TestConnections()
{
    if (state_.busy)
        return;
    UpdateData(true);
    std::vector<ConnectionCheck> checks;
    RunBusy([&] { checks = CheckConnections(settings_, feedback_); });
    QStringList lines;
    int failed = 0;
    for (const ConnectionCheck& check : checks) {
        lines << ConnectionCheckText(check);
        failed += check.ok() ? 0 : 1;
    }
    const int all = static_cast<int>(checks.size());
    const QString outcome = failed == 0
        ? QStringLiteral("Every connection opened (%1 of %1)").arg(all)
        : QStringLiteral("%1 of %2 connections failed").arg(failed).arg(all);
    feedback_.ShowMessage(lines.join(QLatin1Char('\n')), failed == 0 ? MessageKind::Information : MessageKind::DatabaseError);
    feedback_.ShowStatus(outcome);
}

void MainWindow::BrowseBackupFile()
{
    if (state_.busy)
        return;
    UpdateData(true);
    const QString chosen = RunBackupFileDialog(settings_.accessTgt);
    if (chosen.isEmpty())
        return;
    settings_.accessTgt = chosen;
    UpdateData(false);
}

void MainWindow::OnSystemCommand(int commandId)
{
    if (state_.busy)
        return;
    if ((commandId & 0xFFF0) == kAboutBoxCommand) {
        AboutDialog about(this);
        RunAboutBox(about);
    }
}

void MainWindow::OnCancel()
{
    if (state_.busy)
        return;
    QDialog::reject();
}

int MainWindow::RunSurveySelection(SurveySelectionDialog& dialog)
{
    return dialog.exec();
}

int MainWindow::RunAboutBox(AboutDialog& dialog)
{
    return dialog.exec();
}

int MainWindow::RunConfirmation(ConfirmationDialog& dialog)
{
    return dialog.exec();
}

QString MainWindow::RunBackupFileDialog(const QString& initialName)
{
    QFileDialog dialog(this);
    ConfigureBackupFileDialog(dialog, initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void MainWindow::reject()
{
    OnCancel();
}

void MainWindow::done(int result)
{
    if (state_.busy)
        return;
    QDialog::done(result);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    const bool enter = (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier)
        || (event->key() == Qt::Key_Enter && event->modifiers() == Qt::KeypadModifier);
    if (!enter) {
        QDialog::keyPressEvent(event); // Escape reaches reject()
        return;
    }
    // No button is the default: Enter presses the focused push button, and
    // anywhere else it ends nothing, so no typed text is lost.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
        button->click();
}

bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    const int command = SystemCommandOf(eventType, message);
    if (command >= 0 && (command & 0xFFF0) == kAboutBoxCommand) {
        OnSystemCommand(command);
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

} // namespace qel
