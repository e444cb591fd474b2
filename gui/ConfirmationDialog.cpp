#include "gui/ConfirmationDialog.h"

#include "core/NumberText.h"
#include "gui/DialogLayouts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
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
    return CountText(rows);
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

ConfirmationDialog::ConfirmationDialog(const QString& command, const CleanupPreview& preview, QWidget* parent,
                                       ConfirmationKind kind)
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
    QStringList warnings = preview.warnings;
    for (const CleanupPreview::SurveyInUse& survey : preview.surveysInUse)
        warnings << QString::fromLatin1(ConfirmationText::SurveyInUse).arg(survey.id).arg(survey.title);
    for (const QString& warning : warnings)
        page->addLayout(IconLine(QStyle::SP_MessageBoxWarning, Line(warning, "warningLine", this), "warningIcon", this));
    const bool statistics = kind == ConfirmationKind::Statistics;

    // One row per statistics table, in the order the clean-up takes them;
    // the total under the list, where it shows however long the list is.
    QStringList copiedWhole;
    if (statistics) {
        tables_ = Named(new QTreeWidget(this), "previewTables");
        tables_->setRootIsDecorated(false);
        tables_->setSelectionMode(QAbstractItemView::NoSelection);
        tables_->setFocusPolicy(Qt::NoFocus);
        tables_->setHeaderLabels({QLatin1String(ConfirmationText::TableColumn), QLatin1String(ConfirmationText::RowsColumn)});
        tables_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
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
    }

    if (!statistics) {
        const auto count = static_cast<long long>(preview.droppedTables.size());
        page->addWidget(Line(count == 0 ? QLatin1String(ConfirmationText::NothingToDrop)
                                        : QString::fromLatin1(ConfirmationText::DropCount).arg(Count(count)),
                             "dropCountLine", this));
    }
    if (!preview.droppedTables.isEmpty()) {
        page->addWidget(Line(QLatin1String(ConfirmationText::TablesToDrop), "labelTablesToDrop", this));
        drops_ = Named(new QTreeWidget(this), "tablesToDrop");
        drops_->setHeaderHidden(true);
        drops_->setSelectionMode(QAbstractItemView::NoSelection);
        drops_->setFocusPolicy(Qt::NoFocus);
        // Each table under the database it is dropped from; tables the
        // preview did not place (none, as the removals list them) go last
        // under no database.
        QStringList placed;
        for (const CleanupPreview::DropGroup& group : preview.dropGroups) {
            auto* database = new QTreeWidgetItem(drops_, {group.database});
            database->setToolTip(0, group.database);
            QFont bold = database->font(0);
            bold.setBold(true);
            database->setFont(0, bold);
            for (const QString& table : group.tables)
                new QTreeWidgetItem(database, {table});
            placed << group.tables;
        }
        for (const QString& table : preview.droppedTables)
            if (!placed.contains(table))
                new QTreeWidgetItem(drops_, {table});
        drops_->expandAll();
        // A long path scrolls sideways rather than being cut short.
        drops_->header()->setStretchLastSection(false);
        drops_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        const int rowHeight = drops_->fontMetrics().height() + units_.y(2);
        const int rows = drops_->topLevelItemCount() + static_cast<int>(preview.droppedTables.size());
        // Wide enough for the database lines where the screen allows.
        int widest = 0;
        for (int i = 0; i < drops_->topLevelItemCount(); ++i)
            widest = std::max(widest, QFontMetrics(drops_->topLevelItem(i)->font(0)).horizontalAdvance(drops_->topLevelItem(i)->text(0)));
        const int wanted = widest + 2 * drops_->indentation() + 2 * drops_->frameWidth() + units_.x(8);
        drops_->setMinimumSize(std::clamp(wanted, units_.x(200), units_.x(420)), std::max(units_.y(40), std::min(rowHeight * rows + 2 * drops_->frameWidth(),
                                                                             units_.y(statistics ? 120 : 240))));
        page->addWidget(drops_, 1);
        if (statistics && preview.backup)
            page->addWidget(Line(QLatin1String(ConfirmationText::DropsNotCopied), "dropsNotCopiedLine", this));
    }

    if (statistics) {
        QString backup = QLatin1String(ConfirmationText::NoBackup);
        if (preview.backup) {
            backup = QString::fromLatin1(ConfirmationText::BackupInto).arg(preview.backupTarget);
            if (!copiedWhole.isEmpty())
                backup += QLatin1Char('\n') + QString::fromLatin1(ConfirmationText::CopiedWhole)
                                                 .arg(QLocale().createSeparatedList(copiedWhole));
        }
        page->addWidget(Line(backup, "backupLine", this));
    }
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
