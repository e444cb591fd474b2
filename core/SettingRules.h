#pragma once

#include "core/CleanupSettings.h"

#include <QString>

#include <optional>

namespace qel {

// A setting whose value a command cannot run with: its key, and why, in
// words that name the key and the value.
struct SettingProblem {
    QString key;
    QString text;
};

// Why a text cannot be the value of a setting; empty when it can. Timeout
// takes a whole number of seconds from 0 up (empty or 0 means 300), the
// numeric settings whole numbers, BatchSize from 0 up. Blanks around a
// number are allowed. The command line and the window both ask here.
QString SettingValueProblem(const SettingDefinition& setting, const QString& value);

// The first setting whose value is refused; nothing when all are fine.
std::optional<SettingProblem> FindSettingProblem(const CleanupSettings& settings);

} // namespace qel
