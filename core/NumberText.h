#pragma once

#include <QString>

namespace qel {

// Counts as every text of this tool shows them, on every machine alike:
// digits grouped by thousands with commas ("1,994,000"), as the English
// texts around them read.
QString CountText(long long count);

// A length of time for a summary: "0.4 s" and "12.3 s" below a minute,
// "2 min 05 s", "1 h 02 min".
QString ElapsedText(double seconds);

} // namespace qel
