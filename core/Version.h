#pragma once

namespace qel {

// The program's version, set once by the build from the project's version.
inline constexpr const char* kVersion = QEL_VERSION;

} // namespace qel
