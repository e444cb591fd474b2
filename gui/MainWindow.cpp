#include "gui/MainWindow.h"

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

#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
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

// Ends the progress of a run, however the run ends.
class ProgressScope {
public:
    ProgressScope(RunProgressPanel& panel, bool stoppable) : panel_(panel) { panel_.Begin(stoppable); }
    ~ProgressScope() { panel_.End(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    RunProgressPanel& panel_;
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
    backup_ = new BackupSection(units_, this);
    progress_ = new RunProgressPanel(this);
    progress_->stopButton()->setMinimumWidth(units_.x(50));
    statusArea_ = ArrangeMainWindow(*this, units_, backup_, progress_);
    feedback_.setProgressPanel(progress_);
    operations_.setStopRequested([this] { return progress_->stopRequested(); });
    connect(backup_->browseButton(), &QPushButton::clicked, this, &MainWindow::BrowseBackupFile);

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
    ProgressScope progress(*progress_, stoppable);
    operation();
}

template <typename Operation>
void MainWindow::RunRecorded(RunRecord record, Operation operation, bool stoppable)
{
    // The operation answers what each table lost and how the run ended;
    // that is what the run log records.
    CleanupOperations operations(settings_, state_, feedback_);
    operations.setStopRequested([this] { return progress_->stopRequested(); });
    RunBusy([&] { record.outcome = operation(operations); }, stoppable);
    QString error;
    if (!AppendToRunLog(record, &error))
        feedback_.ShowStatus(error);
}

std::optional<CleanupPreview> MainWindow::DatePreview(const QString& targetConnection)
{
    ProgressScope progress(*progress_, false);
    CleanupPreview preview;
    if (!operations_.PreviewByDate(targetConnection, preview).completed())
        return std::nullopt;
    return preview;
}

std::optional<CleanupPreview> MainWindow::SurveyPreview(const QString& targetConnection,
                                                        const SurveySelection& selection, const CleanOptions& options)
{
    ProgressScope progress(*progress_, false);
    CleanupPreview preview;
    if (!operations_.PreviewBySurveys(targetConnection, selection, options, preview).completed())
        return std::nullopt;
    return preview;
}

bool MainWindow::Confirm(const QString& command, const std::optional<CleanupPreview>& preview)
{
    if (!preview)
        return false;
    ConfirmationDialog dialog(command, *preview, this);
    // A run that would refuse to start is shown, never started.
    if (RunConfirmation(dialog) == QDialog::Accepted && preview->refusal.isEmpty())
        return true;
    // The preview's last status ("Opening databases") would read as if a
    // run were on its way.
    feedback_.ShowStatus(QString());
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
    RunRecorded(std::move(record), [&](CleanupOperations& operations) { return operations.CleanUpByDate(target); }, true);
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
    if (!Confirm(SurveyCommandText(selection.selection(), selection.options()),
                 SurveyPreview(target, selection.selection(), selection.options())))
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
    RunRecorded(
        std::move(record),
        [&](CleanupOperations& operations) { return operations.CleanUpBySurveys(target, chosen, options); }, true);
}

// The table removals raise the busy flag too: a message box they show runs
// an event loop, and the window must not close or start more work under it.
void MainWindow::CleanUpListDatabase()
{
    if (BeginCleanupCommand())
        RunRecorded(BeginRunRecord(QStringLiteral("lists"), kFrontEnd, settings_),
                    [](CleanupOperations& operations) { return operations.CleanUpDeletedLists(); });
}

void MainWindow::CleanUpSurveysDatabase()
{
    if (BeginCleanupCommand())
        RunRecorded(BeginRunRecord(QStringLiteral("surveys"), kFrontEnd, settings_),
                    [](CleanupOperations& operations) { return operations.CleanUpDeletedSurveys(); });
}

void MainWindow::CleanUpWebInterviewsDatabase()
{
    if (BeginCleanupCommand())
        RunRecorded(BeginRunRecord(QStringLiteral("web-interviews"), kFrontEnd, settings_),
                    [](CleanupOperations& operations) { return operations.CleanUpWebInterviews(); });
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
