#pragma once

#include "BackupFields.h"
#include "DialogUnits.h"
#include "SettingsStore.h"
#include "WidgetFeedback.h"

#include <CleanupOperations.h>

#include <QDialog>
#include <QIcon>

class CAboutDlg;
class CSelectSurveysDlg;
class QDateEdit;
class QLabel;
class QLineEdit;

// The main window: the connection strings, the time-out and the removal
// date, and the five clean-up commands. It owns the fields every operation
// works on, reads the settings when it is constructed and saves them at the
// start of each clean-up command; closing it saves nothing.
class CBackupDlg : public QDialog {
    Q_OBJECT
public:
    // Messages of the operations go to `messages` when one is given (status
    // texts and pumps reach it too, besides the status line); otherwise to
    // message boxes owned by the window.
    explicit CBackupDlg(QWidget* parent = nullptr, Feedback* messages = nullptr);
    ~CBackupDlg() override;

    // Moves the fields into the controls (save = false) or the control
    // values into the fields (save = true).
    bool UpdateData(bool save = true);

    // Writes the fields to the settings store.
    void SaveSettings();

    BackupFields& fields() { return m_fields; }
    Feedback& feedback() { return m_feedback; }
    const DialogUnits& dialogUnits() const { return m_units; }
    QIcon icon() const { return m_hIcon; }

public slots:
    void OnCmdDatecleanup();               // 1009
    void OnCmdBysurveycleanup();           // 1010
    void OnCmdListcleanup();               // 1020
    void OnCmdBrowsebackupfile();          // 1022, sent by no control
    void OnCmdSurveycleanup();             // 1023
    void OnBnClickedCmdWebsurveycleanup(); // 1025

    // A command of the window's system menu: the About entry opens the
    // About box.
    void OnSysCommand(int commandId);

    // Close, Escape and closing the window: nothing while a clean-up runs.
    void OnCancel();

    // Enter outside a push button: takes the control values into the fields
    // and ends the window's modal run. Saves nothing, and is not held back
    // by a running clean-up.
    void OnOK();

protected:
    void DoDataExchange(bool save);
    void OnInitDialog();

    // The modal runs of other windows, overridden by tests.
    virtual int RunSelectSurveys(CSelectSurveysDlg& dialog);
    virtual int RunAboutBox(CAboutDlg& dialog);
    // The chosen file's full path, or empty text when the user cancels.
    virtual QString RunBackupFileDialog(const QString& initialName);

    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // The first steps of every clean-up command; false while one runs.
    bool BeginCleanupCommand();

    BackupFields m_fields;
    SettingsStore m_settings;
    WidgetFeedback m_feedback;
    CleanupOperations m_operations;
    QIcon m_hIcon;
    DialogUnits m_units;

    QLabel* m_Status = nullptr;
    QLineEdit* m_CallCenterSrc = nullptr;
    QLineEdit* m_StatSrc = nullptr;
    QDateEdit* m_RemovalDate = nullptr;
    QLineEdit* m_Timeout = nullptr;
    QLineEdit* m_ListDB = nullptr;
    QLineEdit* m_SurveyDB = nullptr;
    QLineEdit* m_WebInterviewDB = nullptr;
    QLineEdit* m_WebProdDB = nullptr;
};
