#pragma once

#include <cstdio>

// Whether a standard stream is an interactive terminal. The one place that
// asks the platform.
bool IsTerminal(std::FILE* stream);
