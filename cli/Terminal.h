#pragma once

#include <QString>

#include <cstdio>

namespace qel {

// What the command line needs of the console: the one place that asks the
// platform.

// Whether a standard stream is an interactive terminal.
bool IsTerminal(std::FILE* stream);

// Lets the console take the escape sequence that clears the rest of a line.
void PrepareConsole();

// Writes the text as the stream's reader expects it: wide characters to a
// Windows console, UTF-8 everywhere else.
void WriteText(std::FILE* stream, const QString& text);

} // namespace qel
