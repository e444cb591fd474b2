#pragma once

#include "StatisticsCatalogue.h"

#include <BackupFields.h>
#include <Catalog.h>
#include <Connection.h>
#include <Identifiers.h>
#include <RecordTransfer.h>

#include <memory>

// The connections of a statistics clean-up: the statistics database, and
// for a backup the call-centre database and the backup target, each with
// its catalogue. Released together when the operation ends, whichever way.
struct CleanupDatabases {
    struct Options {
        int commandTimeout = 300;
        bool timeoutOnTarget = false;      // the by-date clean-up times the target's statements out too
        bool sendDateFormatPreamble = false;
    };

    // Opens what the fields ask for; a failure is a DatabaseError.
    static std::unique_ptr<CleanupDatabases> Open(const BackupFields& fields, const QString& targetConnection,
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

// Takes one catalogue step: the dispatcher its rule names, with the call
// selection, the cut-off or the surveys that choose its rows.
struct StepSelection {
    QString callSelection;
    OleDateTime cutoff;
    IdentifierArray surveyIds;
};
bool RunCleanupStep(RecordTransfer& transfer, const CleanupDatabases& databases, const CleanupStep& step,
                    const StepSelection& selection, long long& deletedRecords);
