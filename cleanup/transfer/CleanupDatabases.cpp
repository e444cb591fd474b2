#include "cleanup/transfer/CleanupDatabases.h"

#include "cleanup/Databases.h"
#include "cleanup/transfer/TransferStatements.h"
#include "db/DatabaseError.h"
#include "db/Result.h"

#include <QCryptographicHash>

namespace qel {

namespace {

// A SQLite file in write-ahead-log mode commits each attached file on its
// own; only the rollback journal commits several files as one.
bool UsesWriteAheadLog(Connection& connection, const QString& schema)
{
    Result mode(connection, QStringLiteral("PRAGMA %1.journal_mode").arg(schema));
    return mode.Next() && mode.Value(0).text().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

// Each batch is a transaction, and a rollback journal that is created and
// deleted again for every one costs a file creation, a deletion and their
// syncs each time. While the clean-up runs its connection keeps the journal
// file between transactions instead, its header cleared, which every other
// connection reads as no journal. Only a file in the default mode is
// changed so, and only for this connection.
bool KeepJournalFile(Connection& connection, const QString& schema)
{
    Result mode(connection, QStringLiteral("PRAGMA %1.journal_mode").arg(schema));
    if (!mode.Next() || mode.Value(0).text().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        return false;
    connection.Execute(QStringLiteral("PRAGMA %1.journal_mode = PERSIST").arg(schema));
    return true;
}

// Whether the statistics login may insert into the backup tables the run
// moves rows into: those there already, each as itself (a grant or a
// denial may name the table), and, when one is still to be created, any
// table of the schema the backup's connection creates it in. A server that
// cannot answer, such as one where the login may not enter the backup
// database at all, answers no.
bool StatisticsLoginMayInsert(CleanupDatabases& d, const QStringList& movedTables)
{
    QStringList existing;
    bool missing = movedTables.isEmpty();
    for (const QString& table : movedTables) {
        if (d.targetCatalog->FindTable(table))
            existing << d.targetCatalog->StatementName(table);
        else
            missing = true;
    }
    QString schema;
    if (missing) {
        schema = d.targetCatalog->DefaultSchema();
        if (schema.isEmpty())
            schema = QStringLiteral("dbo");
    }
    try {
        Result granted(*d.source, TransferStatements::SqlServerMayInsert(d.targetIdentity.database, schema, existing));
        return granted.Next() && granted.Value(0).toInt64() == 1;
    } catch (const DatabaseError&) {
        return false;
    }
}

BackupRoute ChooseRoute(CleanupDatabases& d, const CleanupDatabases::Options& options)
{
    if (options.rowByRow)
        return BackupRoute::Ledger;
    const Dialect& source = d.source->dialect();
    const Dialect& target = d.target->dialect();
    if (source.isSQLite() && target.isSQLite() && d.targetIdentity.isKnown()) {
        if (UsesWriteAheadLog(*d.source, QStringLiteral("main")) || UsesWriteAheadLog(*d.target, QStringLiteral("main")))
            return BackupRoute::Ledger;
        d.source->Execute(QStringLiteral("ATTACH DATABASE %1 AS %2")
                              .arg(source.TextLiteral(d.targetIdentity.shown), QLatin1String(CleanupDatabases::kAttachedTarget)));
        return BackupRoute::Attached;
    }
    if (source.isSqlServer() && target.isSqlServer() && d.sourceIdentity.sameServerAs(d.targetIdentity)) {
        // The move runs under the statistics login. Without the right it
        // would fail at the first batch; through this program the backup's
        // own login writes the rows.
        if (StatisticsLoginMayInsert(d, options.movedTables))
            return BackupRoute::SameServer;
        d.ledgerReason = QStringLiteral("the statistics login may not insert into the backup database %1")
                             .arg(d.targetIdentity.shown);
    }
    return BackupRoute::Ledger;
}

} // namespace

CleanupDatabases::~CleanupDatabases()
{
    // The journal file kept for the run goes with it.
    if (keepsJournal && source) {
        try {
            source->Execute(QStringLiteral("PRAGMA main.journal_mode = DELETE"));
        } catch (const DatabaseError&) {
            // Its header is cleared: to every connection it is no journal.
        }
    }
}

QString CleanupDatabases::TargetTableName(const QString& table) const
{
    const Dialect& dialect = target->dialect();
    const auto entry = targetCatalog->FindTable(table);
    const QString schema = entry && !entry->schema.isEmpty() ? entry->schema : targetCatalog->DefaultSchema();
    QStringList parts{dialect.QuoteIdentifier(targetIdentity.database)};
    parts << (schema.isEmpty() ? QString() : dialect.QuoteIdentifier(schema));
    parts << dialect.QuoteIdentifier(entry ? entry->name : table);
    return parts.join(QLatin1Char('.'));
}

std::unique_ptr<CleanupDatabases> CleanupDatabases::Open(const CleanupSettings& settings, const QString& targetConnection,
                                                         const Options& options)
{
    auto d = std::make_unique<CleanupDatabases>();
    d->source = OpenDatabase(settings.statSrc, DatabaseRole::Statistics, options.commandTimeout);
    if (options.sendDateFormatPreamble && settings.sourceSQL != 0) {
        const QString preamble = d->source->dialect().DateFormatPreamble();
        if (!preamble.isEmpty())
            d->source->Execute(preamble);
    }
    d->sourceCatalog = std::make_unique<Catalog>(*d->source);
    if (d->source->dialect().isSQLite()) {
        d->pacing = WriterPacing::ForSQLite(options.transactionMilliseconds);
        d->keepsJournal = KeepJournalFile(*d->source, QStringLiteral("main"));
    }
    if (settings.backupType == 0)
        return d;

    d->callCenter = OpenDatabase(settings.callCenterSrc, DatabaseRole::CallCentre);
    d->callCenterCatalog = std::make_unique<Catalog>(*d->callCenter);
    d->target = OpenDatabase(targetConnection, DatabaseRole::BackupTarget,
                             options.timeoutOnTarget ? std::optional<int>(options.commandTimeout) : std::nullopt);
    d->targetCatalog = std::make_unique<Catalog>(*d->target);

    // A backup into a database it backs up would empty the reference tables,
    // or copy rows next to themselves and then delete both. The databases
    // are told apart by what they are, not by how they are named: a second
    // path to the same file (a link, a mount) is the same file.
    d->sourceIdentity = IdentityOf(*d->source);
    d->targetIdentity = IdentityOf(*d->target);
    const DatabaseIdentity callCenter = IdentityOf(*d->callCenter);
    if (d->targetIdentity.isKnown() && (d->targetIdentity == d->sourceIdentity || d->targetIdentity == callCenter))
        throw DatabaseError::Refusal(QStringLiteral("The backup target %1 is the %2 database itself; choose another "
                                                     "database for the backup.")
                                          .arg(d->targetIdentity.shown,
                                               d->targetIdentity == d->sourceIdentity ? QStringLiteral("statistics")
                                                                                      : QStringLiteral("call-centre")));

    d->route = ChooseRoute(*d, options);
    // The route is chosen anew each run (a file's journal mode may have
    // changed since the last), so a ledger that an earlier run left in the
    // backup is settled whatever route this one takes: its batches are in
    // the backup and may still be in the source, and copying them again
    // would double them.
    if (d->route == BackupRoute::Ledger || d->targetCatalog->FindTable(QLatin1String(BackupLedger::kTableName))) {
        // The ledger knows the source by its identity; one that cannot be
        // told is known by a digest of its connection string, which keeps
        // any password out of the backup.
        const QString source = d->sourceIdentity.isKnown()
            ? d->sourceIdentity.server + QLatin1Char('/') + d->sourceIdentity.database
            : QString::fromLatin1(QCryptographicHash::hash(settings.statSrc.toUtf8(), QCryptographicHash::Sha256).toHex());
        d->ledger = std::make_unique<BackupLedger>(*d->target, source);
        d->ledger->EnsureTable(*d->targetCatalog);
    }
    return d;
}

} // namespace qel
