#pragma once

#include "cleanup/RecordTransfer.h"
#include "cleanup/StatisticsCatalogue.h"
#include "core/CleanupSettings.h"
#include "db/Catalog.h"
#include "db/Connection.h"

#include <QDate>

#include <memory>

namespace qel {

// The connections of a statistics clean-up: the statistics database, and
// for a backup the call-centre database and the backup target, each with
// its catalogue. Released together when the operation ends, whichever way.
struct CleanupDatabases {
    struct Options {
        int commandTimeout = 300;
        bool timeoutOnTarget = false; // the clean-up by date times the target's statements out too
        bool sendDateFormatPreamble = false;
    };

    // Opens what the settings ask for; a failure is a DatabaseError.
    static std::unique_ptr<CleanupDatabases> Open(const CleanupSettings& settings, const QString& targetConnection,
                                                  const Options& options);

    TransferHandles Statistics() const { return {*source, *sourceCatalog, target.get(), targetCatalog.get()}; }
    TransferHandles ReferenceTables() const
    {
        return callCenter ? TransferHandles{*callCenter, *callCenterCatalog, target.get(), targetCatalog.get()}
                          : Statistics();
    }

    // Connections first, so that the catalogues bound to them go before them.
    std::unique_ptr<Connection> source;
    std::unique_ptr<Connection> callCenter;
    std::unique_ptr<Connection> target;
    std::unique_ptr<Catalog> sourceCatalog;
    std::unique_ptr<Catalog> callCenterCatalog;
    std::unique_ptr<Catalog> targetCatalog;
};

// What chooses the rows of a step: the call selection, the cut-off or the
// surveys.
struct StepSelection {
    QString callSelection;
    QDate cutoff;
    IdentifierArray surveyIds;
};

// Takes one catalogue step: the transfer its rule names.
bool RunCleanupStep(RecordTransfer& transfer, const CleanupDatabases& databases, const CleanupStep& step,
                    const StepSelection& selection, long long& deletedRecords);

} // namespace qel
