#include "gui/BackupFileDialog.h"

#include "core/StringTable.h"

#include <QFileDialog>

namespace qel {

QStringList NameFiltersFromPairs(const QString& pairs)
{
    QStringList parts = pairs.split(QLatin1Char('|'));
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();

    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString text = parts.at(i).trimmed();
        const QString patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        const QString suffix = QStringLiteral("(%1)").arg(patterns);
        filters << (text.endsWith(suffix) ? text : QStringLiteral("%1 %2").arg(text, suffix));
    }
    return filters;
}

void ConfigureBackupFileDialog(QFileDialog& dialog, const QString& initialName)
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOptions(QFileDialog::Options()); // overwrite prompt on, native look
    dialog.setNameFilters(NameFiltersFromPairs(QString::fromLatin1(DialogText::AccessFileFilter)));
    dialog.setDefaultSuffix(QString::fromLatin1(DialogText::AccessDefaultExtension));
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
}

} // namespace qel
