#pragma once

#include "cleanup/CleanupPreview.h"
#include "gui/DialogUnits.h"

#include <QDialog>
#include <QString>

class QPushButton;
class QTreeWidget;

namespace qel {

// Asks before a clean-up by date or by survey deletes anything, showing its
// preview: the clean-up and its selection (`command`, one line), the rows
// each statistics table loses and their total, the tables it drops, and the
// backup the rows are copied into first; the preview's warnings each on a
// line of its own with the warning icon. Cancel is the default button and
// has the focus, so Enter or Escape at once changes nothing; only "Delete"
// starts the clean-up. When the preview says the run would refuse to start
// (its backup's driver is missing), the dialog says why with the critical
// icon and offers no Delete.
//
// The drops of "Cleanup Deleted" ask the same way (ConfirmationKind::Drops):
// their dialog shows only the tables to drop, under the database each is
// dropped from, and their count. Wherever tables are dropped the dialog
// names their databases and says that dropped tables are not copied into
// the backup; the chosen surveys that are not marked deleted are warned of.
enum class ConfirmationKind { Statistics, Drops };

class ConfirmationDialog : public QDialog {
    Q_OBJECT
public:
    ConfirmationDialog(const QString& command, const CleanupPreview& preview, QWidget* parent = nullptr,
                       ConfirmationKind kind = ConfirmationKind::Statistics);

    // The statistics tables; none in a confirmation of drops.
    QTreeWidget* tableList() const { return tables_; }
    // The tables to drop, as children of their database; none when nothing
    // is dropped.
    QTreeWidget* dropList() const { return drops_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    DialogUnits units_;
    QTreeWidget* tables_ = nullptr;
    QTreeWidget* drops_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// The confirmation's texts, shared with its tests.
namespace ConfirmationText {
inline constexpr const char* Title = "Confirm clean-up";
inline constexpr const char* TableColumn = "Statistics table";
inline constexpr const char* RowsColumn = "Rows to delete";
inline constexpr const char* Total = "Total: %1 rows";
inline constexpr const char* NothingToDelete = "No statistics rows are selected.";
inline constexpr const char* TablesToDrop = "Tables to drop:";
inline constexpr const char* DropCount = "%1 tables to drop. Dropped tables cannot be restored.";
inline constexpr const char* NothingToDrop = "No table is to be dropped.";
inline constexpr const char* DropsNotCopied = "Dropped tables are not copied into the backup: they cannot be restored.";
inline constexpr const char* SurveyInUse = "Survey %1 (%2) is not marked deleted: its data may still be in use.";
inline constexpr const char* NoBackup = "No backup: the deleted rows cannot be restored.";
inline constexpr const char* BackupInto = "Every row is copied into the backup before it is deleted:\n%1";
inline constexpr const char* CopiedWhole = "It also receives whole copies of %1.";
inline constexpr const char* FutureCutoff =
    "The removal date %1 is after today: statistics of today, still in use, are deleted too.";
inline constexpr const char* Delete = "Delete";
inline constexpr const char* Cancel = "Cancel";
} // namespace ConfirmationText

} // namespace qel
