#pragma once

#include <QString>
#include <QtGlobal>

#include <set>
#include <vector>

namespace qel {

// Survey identifiers in the caller's order, written into SQL as signed numbers.
using IdentifierArray = std::vector<quint32>;

// Survey or list identifiers without duplicates, in ascending signed order.
using IdentifierSet = std::set<qint32>;

// Table names or titles without duplicates, ordered and compared by their
// UTF-16 code units: letter case matters.
using TableNameSet = std::set<QString>;

} // namespace qel
