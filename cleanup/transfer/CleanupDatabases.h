#pragma once

#include "cleanup/transfer/BackupLedger.h"
#include "cleanup/transfer/StatisticsCatalogue.h"
#include "cleanup/transfer/WriterPacing.h"
#include "core/CleanupSettings.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/DatabaseIdentity.h"

#include <memory>
#include <optional>

namespace qel {

// How the rows of a step reach the backup, chosen once per run from what the
// two databases are.
enum class BackupRoute {
    None,       // no backup: rows are only deleted
    Attached,   // SQLite into SQLite: the backup file is attached to the source connection
    SameServer, // SQL Server into another database of the same server
    Ledger,     // anywhere else, through this program, with the backup's ledger
};

// The connections of a statistics clean-up: the statistics database, and
// for a backup the call-centre database and the backup target, each with
// its catalogue. Released together when the operation ends, whichever way.
struct CleanupDatabases {
    struct Options {
        int commandTimeout = 300;
        bool timeoutOnTarget = false; // the clean-up by date times the target's statements out too
        bool sendDateFormatPreamble = false;
        bool rowByRow = false; // always copy through this program, as into another server
        // How long a SQLite transaction may take batches; unset lets the
        // pacing decide (see WriterPacing), 0 takes one batch per
        // transaction.
        std::optional<qint64> transactionMilliseconds;
        // The statistics tables whose rows the run moves: into a backup of
        // the same server they go under the statistics login, which must
        // then be allowed to insert into their backup tables.
        QStringList movedTables;
    };

    ~CleanupDatabases();

    // Opens what the settings ask for and chooses the backup's route: into
    // a backup of the same SQL Server only when the statistics login may
    // insert into its tables (see Options::movedTables), else through this
    // program. A failure, or a backup target that is one of the sources
    // however it is named, is a DatabaseError, raised before anything is
    // changed.
    static std::unique_ptr<CleanupDatabases> Open(const CleanupSettings& settings, const QString& targetConnection,
                                                  const Options& options);

    // SameServer: a backup table as the source's connection names it, with
    // the backup's database and the schema the backup's connection keeps
    // it in ([Backup].[dbo].[Statistic_Call]).
    QString TargetTableName(const QString& table) const;

    // The source of the reference tables copied whole into the backup.
    Connection& referenceSource() const { return callCenter ? *callCenter : *source; }
    Catalog& referenceCatalog() const { return callCenter ? *callCenterCatalog : *sourceCatalog; }

    // Connections first, so that the catalogues bound to them go before them.
    std::unique_ptr<Connection> source;
    std::unique_ptr<Connection> callCenter;
    std::unique_ptr<Connection> target;
    std::unique_ptr<Catalog> sourceCatalog;
    std::unique_ptr<Catalog> callCenterCatalog;
    std::unique_ptr<Catalog> targetCatalog;

    BackupRoute route = BackupRoute::None;
    // Why the rows go through this program although the backup is on the
    // statistics database's server; empty otherwise.
    QString ledgerReason;
    DatabaseIdentity sourceIdentity;
    DatabaseIdentity targetIdentity;
    std::unique_ptr<BackupLedger> ledger; // the Ledger route's, or one an earlier run left in the backup
    WriterPacing pacing = WriterPacing::None();
    bool keepsJournal = false; // the statistics file's journal is kept between batches

    // The name the backup file is attached under on the Attached route.
    static constexpr const char* kAttachedTarget = "qel_backup";
};

} // namespace qel
