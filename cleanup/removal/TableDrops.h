#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace qel {

class Catalog;

// How a removal drops the tables it has chosen, noting each name. A
// clean-up drops them. A preview is given one that has no way to a DROP
// statement at all: it only takes the tables off the catalogue's list, as a
// drop would, so that a walk over the list picks the same tables.
class TableDrops {
public:
    virtual ~TableDrops() = default;

    // Drops the table; a missing table is a DatabaseError.
    virtual void Drop(Catalog& catalog, const QString& name) = 0;
    // Drops the table when it is there (see Catalog::DropTableIfPresent);
    // answers whether it was dropped.
    virtual bool DropIfPresent(Catalog& catalog, const QString& name) = 0;

    // Drops that drop, or drops that only list; each dropped name is added
    // to `dropped`.
    static std::unique_ptr<TableDrops> Dropping(QStringList& dropped);
    static std::unique_ptr<TableDrops> ListingOnly(QStringList& dropped);
};

} // namespace qel
