#pragma once

// The most memory this process has held so far, in megabytes (its peak
// resident set); -1 where the platform cannot tell.
double PeakMemoryMegabytes();
