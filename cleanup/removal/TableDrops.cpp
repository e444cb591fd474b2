#include "cleanup/removal/TableDrops.h"

#include "db/Catalog.h"

namespace qel {

namespace {

class Dropping : public TableDrops {
public:
    explicit Dropping(QStringList& dropped) : dropped_(dropped) {}

    void Drop(Catalog& catalog, const QString& name) override
    {
        const QString dropped = catalog.LookupTable(name).name;
        catalog.DropTable(name);
        dropped_ << dropped;
    }
    bool DropIfPresent(Catalog& catalog, const QString& name) override
    {
        const auto found = catalog.FindTable(name);
        if (!catalog.DropTableIfPresent(name))
            return false;
        dropped_ << found->name;
        return true;
    }

private:
    QStringList& dropped_;
};

class ListingOnly : public TableDrops {
public:
    explicit ListingOnly(QStringList& dropped) : dropped_(dropped) {}

    void Drop(Catalog& catalog, const QString& name) override
    {
        const TableEntry table = catalog.LookupTable(name);
        catalog.Forget(table);
        dropped_ << table.name;
    }
    bool DropIfPresent(Catalog& catalog, const QString& name) override
    {
        // As a drop: a view of that name is no table to drop.
        const auto found = catalog.FindTable(name);
        if (!found || found->type.compare(QLatin1String("TABLE"), Qt::CaseInsensitive) != 0)
            return false;
        catalog.Forget(*found);
        dropped_ << found->name;
        return true;
    }

private:
    QStringList& dropped_;
};

} // namespace

std::unique_ptr<TableDrops> TableDrops::Dropping(QStringList& dropped)
{
    return std::make_unique<qel::Dropping>(dropped);
}

std::unique_ptr<TableDrops> TableDrops::ListingOnly(QStringList& dropped)
{
    return std::make_unique<qel::ListingOnly>(dropped);
}

} // namespace qel
