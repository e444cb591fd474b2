#include "cleanup/RunSummary.h"

#include "core/NumberText.h"

#include <QStringList>

#include <cmath>

namespace qel {

QString RunSummaryText(const RunOutcome& outcome, const SummaryScope& scope, double seconds)
{
    // The rows copied are those of the tables that lost rows; the reference
    // tables copied whole into the backup are not rows of the clean-up.
    const long long deleted = outcome.deletedRows();
    long long copied = 0;
    for (const RunOutcome::Table& table : outcome.tables)
        if (table.deleted > 0)
            copied += table.copied;
    const auto dropped = static_cast<long long>(outcome.droppedTables.size());

    QStringList parts;
    if (scope.statistics || deleted > 0) {
        QString rows = QStringLiteral("%1 %2").arg(CountText(deleted), deleted == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
        if (scope.backup)
            rows += QStringLiteral(" (%1 copied to the backup)").arg(CountText(copied));
        parts << rows;
    }
    if (dropped > 0 || parts.isEmpty())
        parts << QStringLiteral("%1 %2").arg(CountText(dropped), dropped == 1 ? QStringLiteral("table") : QStringLiteral("tables"));
    QString text = parts.size() == 2 ? QStringLiteral("Deleted %1, dropped %2").arg(parts[0], parts[1])
        : scope.statistics || deleted > 0 ? QStringLiteral("Deleted %1").arg(parts[0])
                                          : QStringLiteral("Dropped %1").arg(parts[0]);
    text += QStringLiteral(" in %1").arg(ElapsedText(seconds));
    if (deleted > 0 && seconds > 0)
        text += QStringLiteral(", %1 rows/s").arg(CountText(std::llround(static_cast<double>(deleted) / seconds)));
    return text;
}

} // namespace qel
