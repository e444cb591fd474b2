#pragma once

#include "cleanup/Identifiers.h"
#include "core/CleanupSettings.h"
#include "core/Feedback.h"
#include "cleanup/removal/TableDrops.h"

namespace qel {

// Drops every base table of the web-interviews database (WebInterviewDB)
// whose name is in the set, then shows how many it dropped, 0 included. A
// name of "_" followed by a digit is looked up without that underscore
// ("_2019Survey" goes for "2019Survey"). The whole table list is read
// before the first drop. Database errors are left to the caller; tables
// dropped before one stay dropped and no count is shown. The drops are
// made (or in a preview only listed) through `drops`.
void DropWebInterviewTables(const CleanupSettings& settings, Feedback& feedback, const TableNameSet& names,
                            TableDrops& drops);

} // namespace qel
