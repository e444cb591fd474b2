#pragma once

#include "gui/DialogUnits.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

class QPushButton;
class QTreeWidget;

namespace qel {

// What a clean-up by date or by survey is about to do, as the confirmation
// shows it: the rows each statistics table loses, their total, the tables
// that go whole, and where the rows are copied first.
struct ConfirmationContent {
    struct TableRows {
        QString table;
        long long rows = 0;
    };
    QString command;           // the clean-up and its selection, one line
    std::vector<TableRows> tables;
    long long total = 0;
    QStringList tablesToDrop;
    QString backupTarget;      // the database the rows are copied into; empty for no backup
};

// Asks before anything is deleted. Cancel is the default button and has the
// focus, so Enter or Escape at once changes nothing; only "Delete" starts
// the clean-up.
class ConfirmationDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConfirmationDialog(const ConfirmationContent& content, QWidget* parent = nullptr);

    QTreeWidget* tableList() const { return tables_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    DialogUnits units_;
    QTreeWidget* tables_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// The confirmation's texts, shared with its tests.
namespace ConfirmationText {
inline constexpr const char* Title = "Confirm clean-up";
inline constexpr const char* TableColumn = "Statistics table";
inline constexpr const char* RowsColumn = "Rows to delete";
inline constexpr const char* Total = "Total";
inline constexpr const char* NothingToDelete = "No statistics rows are selected.";
inline constexpr const char* TablesToDrop = "Tables to drop:";
inline constexpr const char* NoBackup = "No backup: the deleted rows cannot be restored.";
inline constexpr const char* BackupInto = "Every row is first copied into the backup, %1.";
inline constexpr const char* Delete = "Delete";
inline constexpr const char* Cancel = "Cancel";
} // namespace ConfirmationText

} // namespace qel
