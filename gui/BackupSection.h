#pragma once

#include "core/CleanupSettings.h"
#include "gui/DialogUnits.h"

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qel {

// The main window's backup section: whether the clean-ups by date and by
// survey first copy the rows they delete, into a SQL database (StatTgt) or
// an Access file (AccessTgt, with a button that asks for it), and the SQL
// syntax of the statistics database (SourceSQL).
class BackupSection : public QGroupBox {
    Q_OBJECT
public:
    BackupSection(const DialogUnits& units, QWidget* parent = nullptr);

    // Moves the settings into the controls (save = false) or the controls
    // into the settings (save = true). BackupType is 0 for no backup, 2 for
    // the Access file and 1 for a SQL database; on loading, any other value
    // than 0 and 2 means a SQL database. SourceSQL is 1 for SQL Server and 0
    // for Access; on loading, any value but 0 means SQL Server.
    void UpdateData(CleanupSettings& settings, bool save);

    QPushButton* browseButton() const { return browse_; }
    // The field of StatTgt or AccessTgt; null for another key.
    QLineEdit* targetEdit(const QString& key) const;

private:
    // Only the target of the chosen kind can be edited.
    void EnableTargets();

    QRadioButton* none_ = nullptr;
    QRadioButton* sql_ = nullptr;
    QRadioButton* access_ = nullptr;
    QLineEdit* statTgt_ = nullptr;
    QLineEdit* accessTgt_ = nullptr;
    QPushButton* browse_ = nullptr;
    QComboBox* syntax_ = nullptr;
};

} // namespace qel
