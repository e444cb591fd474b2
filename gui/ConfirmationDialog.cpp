#include "gui/ConfirmationDialog.h"

#include "gui/DialogLayouts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qel {

namespace {

template <typename T>
T* Named(T* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

QLabel* Line(const QString& text, const char* name, QWidget* parent)
{
    auto* label = Named(new QLabel(text, parent), name);
    label->setTextFormat(Qt::PlainText); // table names and paths are shown as written
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString Count(long long rows)
{
    return QLocale().toString(static_cast<qlonglong>(rows));
}

// A line of its own with a message box's icon before it.
QHBoxLayout* IconLine(QStyle::StandardPixmap icon, QLabel* text, const char* iconName, QWidget* parent)
{
    auto* row = new QHBoxLayout;
    auto* picture = Named(new QLabel(parent), iconName);
    const int size = parent->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, parent);
    picture->setPixmap(parent->style()->standardIcon(icon, nullptr, parent).pixmap(size, size));
    picture->setAlignment(Qt::AlignTop);
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    return row;
}

} // namespace

ConfirmationDialog::ConfirmationDialog(const QString& command, const CleanupPreview& preview, QWidget* parent)
    : QDialog(parent), units_(QApplication::font())
{
    setObjectName(QStringLiteral("confirmationDialog"));
    setWindowTitle(QLatin1String(ConfirmationText::Title));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(units_.x(7), units_.y(7), units_.x(7), units_.y(7));
    page->setSpacing(units_.y(4));
    page->addWidget(Line(command, "commandLine", this));
    // What the user should weigh before choosing, each on a line of its own.
    for (const QString& warning : preview.warnings)
        page->addLayout(IconLine(QStyle::SP_MessageBoxWarning, Line(warning, "warningLine", this), "warningIcon", this));

    // One row per statistics table, in the order the clean-up takes them;
    // the total under the list, where it shows however long the list is.
    tables_ = Named(new QTreeWidget(this), "previewTables");
    tables_->setRootIsDecorated(false);
    tables_->setSelectionMode(QAbstractItemView::NoSelection);
    tables_->setFocusPolicy(Qt::NoFocus);
    tables_->setHeaderLabels({QLatin1String(ConfirmationText::TableColumn), QLatin1String(ConfirmationText::RowsColumn)});
    tables_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    QStringList copiedWhole;
    for (const CleanupPreview::Table& table : preview.tables) {
        if (table.wholeCopy) { // a reference table: copied, never deleted
            copiedWhole << table.table;
            continue;
        }
        auto* item = new QTreeWidgetItem(tables_, {table.table, Count(table.rows)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    tables_->header()->setStretchLastSection(false);
    tables_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tables_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    // Tall enough for every table of a run, within what a small screen holds.
    const int rowHeight = tables_->topLevelItemCount() > 0 ? tables_->sizeHintForRow(0) : tables_->fontMetrics().height();
    const int allRows = tables_->header()->sizeHint().height() + 2 * tables_->frameWidth()
        + rowHeight * std::max(1, tables_->topLevelItemCount());
    tables_->setMinimumSize(units_.x(200), std::min(allRows, units_.y(240)));
    page->addWidget(tables_, 1);

    const long long deleted = preview.deletedRows();
    QLabel* total = Line(QString::fromLatin1(ConfirmationText::Total).arg(Count(deleted)), "totalLine", this);
    QFont bold = total->font();
    bold.setBold(true);
    total->setFont(bold);
    page->addWidget(total);
    if (deleted == 0)
        page->addWidget(Line(QLatin1String(ConfirmationText::NothingToDelete), "nothingLine", this));

    if (!preview.droppedTables.isEmpty()) {
        page->addWidget(Line(QLatin1String(ConfirmationText::TablesToDrop), "labelTablesToDrop", this));
        auto* drops = Named(new QTreeWidget(this), "tablesToDrop");
        drops->setRootIsDecorated(false);
        drops->setHeaderHidden(true);
        drops->setSelectionMode(QAbstractItemView::NoSelection);
        drops->setFocusPolicy(Qt::NoFocus);
        for (const QString& table : preview.droppedTables)
            new QTreeWidgetItem(drops, {table});
        drops->setMinimumHeight(units_.y(40));
        page->addWidget(drops, 1);
    }

    QString backup = QLatin1String(ConfirmationText::NoBackup);
    if (preview.backup) {
        backup = QString::fromLatin1(ConfirmationText::BackupInto).arg(preview.backupTarget);
        if (!copiedWhole.isEmpty())
            backup += QLatin1Char('\n') + QString::fromLatin1(ConfirmationText::CopiedWhole)
                                             .arg(QLocale().createSeparatedList(copiedWhole));
    }
    page->addWidget(Line(backup, "backupLine", this));
    // A run that would refuse to start is not offered: the dialog says why
    // and only Cancel remains.
    if (!preview.refusal.isEmpty()) {
        page->addLayout(IconLine(QStyle::SP_MessageBoxCritical, Line(preview.refusal, "refusalLine", this), "refusalIcon", this));
    }

    auto* buttons = new QDialogButtonBox(this);
    delete_ = Named(buttons->addButton(QLatin1String(ConfirmationText::Delete), QDialogButtonBox::AcceptRole),
                    "deleteButton");
    cancel_ = Named(buttons->addButton(QLatin1String(ConfirmationText::Cancel), QDialogButtonBox::RejectRole),
                    "cancelButton");
    for (QPushButton* button : {delete_, cancel_})
        button->setMinimumWidth(units_.x(50));
    if (!preview.refusal.isEmpty()) {
        delete_->setEnabled(false);
        delete_->hide();
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    page->addWidget(buttons);

    // Cancel is the default and holds the focus, so Enter pressed a moment
    // too late answers no; Delete takes a click, or Tab and then Enter.
    cancel_->setDefault(true);
    cancel_->setFocus();
    FitToScreen(*this, sizeHint().expandedTo(units_.size(260, 0)));
}

} // namespace qel
