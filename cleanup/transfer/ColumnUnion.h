#pragma once

#include "db/Catalog.h"

#include <optional>

namespace qel {

// The type a backup column must take so that it holds both the values it
// already holds and those of the source column it receives from now on:
// texts grow longer or wide, integers and decimals grow to the larger,
// dates gain their time, and values of different kinds meet in long wide
// text. Nothing when the backup column already holds the source's values,
// which is also so when it is wider than the source: a backup column is
// never made narrower.
std::optional<ColumnDefinition> WidenedForSource(const ColumnDefinition& backup, const ColumnDefinition& source);

} // namespace qel
