#include "BackupDlg.h"

#include "AboutDlg.h"
#include "BackupFileDialog.h"
#include "DialogTemplateWidgets.h"
#include "SystemMenu.h"

#include <Artwork.h>
#include <DialogTemplates.h>
#include <SelectSurveysDlg.h>
#include <StringTable.h>

#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Raises the busy flag for the length of an operation, and lowers it again
// even when the operation leaves by an exception.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

template <typename T>
T* Control(QDialog& dialog, int id)
{
    T* control = dialog.findChild<T*>(QString::number(id), Qt::FindDirectChildrenOnly);
    Q_ASSERT(control);
    return control;
}

} // namespace

CBackupDlg::CBackupDlg(QWidget* parent, Feedback* messages)
    : QDialog(parent),
      m_feedback(this, messages),
      m_operations(m_fields, m_feedback),
      m_hIcon(AppIcon()),
      m_units(BuildFromTemplate(*this, MainWindowTemplate()))
{
    m_settings.LoadSettings(m_fields);

    m_Status = Control<QLabel>(*this, IDC_STATUS);
    m_CallCenterSrc = Control<QLineEdit>(*this, IDC_CALLCENTERSRC);
    m_StatSrc = Control<QLineEdit>(*this, IDC_STATSRC);
    m_RemovalDate = Control<QDateEdit>(*this, IDC_DATE);
    m_Timeout = Control<QLineEdit>(*this, IDC_TIMEOUT);
    m_ListDB = Control<QLineEdit>(*this, IDC_LISTDB);
    m_SurveyDB = Control<QLineEdit>(*this, IDC_SURVEYDB);
    m_WebInterviewDB = Control<QLineEdit>(*this, IDC_WEBINTERVIEWDB);
    m_WebProdDB = Control<QLineEdit>(*this, IDC_WEBPRODDB);
    m_feedback.setStatusLine(m_Status);

    const struct {
        int id;
        void (CBackupDlg::*handler)();
    } commands[] = {
        {IDC_CMD_DATECLEANUP, &CBackupDlg::OnCmdDatecleanup},
        {IDC_CMD_BYSURVEYCLEANUP, &CBackupDlg::OnCmdBysurveycleanup},
        {IDC_CMD_LISTCLEANUP, &CBackupDlg::OnCmdListcleanup},
        {IDC_CMD_SURVEYCLEANUP, &CBackupDlg::OnCmdSurveycleanup},
        {IDC_CMD_WEBSURVEYCLEANUP, &CBackupDlg::OnBnClickedCmdWebsurveycleanup},
        {IDC_CLOSE, &CBackupDlg::OnCancel},
    };
    for (const auto& command : commands)
        connect(Control<QPushButton>(*this, command.id), &QPushButton::clicked, this, command.handler);

    OnInitDialog();
}

CBackupDlg::~CBackupDlg() = default;

void CBackupDlg::OnInitDialog()
{
    UpdateData(false);

    const QString about = LoadText(IDS_ABOUTBOX);
    if (!about.isEmpty())
        AppendSystemMenuEntry(*this, about, IDM_ABOUTBOX, [this](int id) { OnSysCommand(id); });

    setWindowIcon(m_hIcon);
}

bool CBackupDlg::UpdateData(bool save)
{
    DoDataExchange(save);
    return true;
}

void CBackupDlg::DoDataExchange(bool save)
{
    const auto text = [save](QLineEdit* edit, QString& field) {
        if (save)
            field = edit->text();
        else
            edit->setText(field);
    };

    // The status line (1018) is bound as a control only: it carries no field.
    text(m_CallCenterSrc, m_fields.CallCenterSrc);
    text(m_StatSrc, m_fields.StatSrc);
    if (save) {
        // The picker shows the date; the time of day the field held stays.
        const QTime time = m_fields.removalDate.isValid() ? m_fields.removalDate.toDateTime().time() : QTime(0, 0);
        m_fields.removalDate = OleDateTime::FromDateTime(QDateTime(m_RemovalDate->date(), time, Qt::UTC));
    } else if (m_fields.removalDate.isValid()) {
        m_RemovalDate->setDate(m_fields.removalDate.toDateTime().date());
    }
    text(m_Timeout, m_fields.Timeout);
    text(m_ListDB, m_fields.ListDB);
    text(m_SurveyDB, m_fields.SurveyDB);
    text(m_WebInterviewDB, m_fields.WebInterviewDB);
    text(m_WebProdDB, m_fields.WebProdDB);
}

void CBackupDlg::SaveSettings()
{
    m_settings.SaveSettings(m_fields);
}

bool CBackupDlg::BeginCleanupCommand()
{
    if (m_fields.busy)
        return false;
    UpdateData(true);
    SaveSettings();
    return true;
}

void CBackupDlg::OnCmdDatecleanup()
{
    if (!BeginCleanupCommand())
        return;
    const QString target = BuildTargetConnection(m_fields);
    BusyScope busy(m_fields.busy);
    m_operations.DoSQLCleanup(target);
}

void CBackupDlg::OnCmdBysurveycleanup()
{
    if (m_fields.busy)
        return;
    UpdateData(true);

    CSelectSurveysDlg selection(m_fields.CallCenterSrc, m_feedback, this);
    if (RunSelectSurveys(selection) != QDialog::Accepted)
        return;
    if (selection.m_LegacySurveyIds.empty() && selection.m_NewSurveyIds.empty())
        return;

    UpdateData(true);
    SaveSettings();
    const QString target = BuildTargetConnection(m_fields);
    BusyScope busy(m_fields.busy);
    m_operations.DoSurveyCleanup(target, selection.m_SurveyNames, selection.m_LegacySurveyIds,
                                 selection.m_NewSurveyIds, selection.m_bCleanStats != 0,
                                 selection.m_bCleanSurveys != 0, selection.m_bCleanWebInterviews != 0,
                                 selection.m_bCleanLists != 0);
}

void CBackupDlg::OnCmdListcleanup()
{
    if (!BeginCleanupCommand())
        return;
    m_operations.CleanDeletedLists();
}

void CBackupDlg::OnCmdSurveycleanup()
{
    if (!BeginCleanupCommand())
        return;
    m_operations.CleanDeletedSurveys();
}

void CBackupDlg::OnBnClickedCmdWebsurveycleanup()
{
    if (!BeginCleanupCommand())
        return;
    m_operations.CleanUnusedWebInterviewTables();
}

void CBackupDlg::OnCmdBrowsebackupfile()
{
    UpdateData(true);
    const QString chosen = RunBackupFileDialog(m_fields.AccessTgt);
    if (chosen.isEmpty())
        return;
    m_fields.AccessTgt = chosen;
    UpdateData(false);
}

void CBackupDlg::OnSysCommand(int commandId)
{
    if ((commandId & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        RunAboutBox(about);
    }
}

void CBackupDlg::OnCancel()
{
    if (m_fields.busy)
        return;
    QDialog::reject();
}

void CBackupDlg::OnOK()
{
    UpdateData(true);
    QDialog::accept();
}

int CBackupDlg::RunSelectSurveys(CSelectSurveysDlg& dialog)
{
    return dialog.exec();
}

int CBackupDlg::RunAboutBox(CAboutDlg& dialog)
{
    return dialog.exec();
}

QString CBackupDlg::RunBackupFileDialog(const QString& initialName)
{
    QFileDialog dialog(this);
    ConfigureBackupFileDialog(dialog, initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void CBackupDlg::reject()
{
    OnCancel();
}

void CBackupDlg::keyPressEvent(QKeyEvent* event)
{
    const bool enter = (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier)
        || (event->key() == Qt::Key_Enter && event->modifiers() == Qt::KeypadModifier);
    if (!enter) {
        QDialog::keyPressEvent(event); // Escape reaches reject()
        return;
    }
    // No button is the default: Enter presses the focused push button, and
    // anywhere else it is the window's OK.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
        button->click();
    else
        OnOK();
}

bool CBackupDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    const int command = SystemCommandOf(eventType, message);
    if (command >= 0 && (command & 0xFFF0) == IDM_ABOUTBOX) {
        OnSysCommand(command);
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
