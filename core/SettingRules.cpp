#include "core/SettingRules.h"

#include <QRegularExpression>

namespace qel {

namespace {

// Digits only: a sign, a fraction or trailing letters are no number of
// seconds, and a silent reading of "12x" as 12 hides a typing mistake.
bool IsWholeNumberFromZero(const QString& text, int* value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return false;
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok && value)
        *value = number;
    return ok;
}

} // namespace

QString SettingValueProblem(const SettingDefinition& setting, const QString& value)
{
    const QString key = QLatin1String(setting.key);
    const QString text = value.trimmed();
    if (setting.text == &CleanupSettings::timeout) {
        if (text.isEmpty() || IsWholeNumberFromZero(text, nullptr))
            return {};
        return QStringLiteral("Timeout takes a whole number of seconds from 0 up (0 or empty: 300), not '%1'").arg(value);
    }
    if (setting.text)
        return {};
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok)
        return QStringLiteral("%1 takes a whole number, not '%2'").arg(key, value);
    // A negative batch would be read as no batches at all.
    if (setting.number == &CleanupSettings::batchSize && number < 0)
        return QStringLiteral("BatchSize takes 0 (one statement per table) or a number of rows, not '%1'").arg(value);
    return {};
}

std::optional<SettingProblem> FindSettingProblem(const CleanupSettings& settings)
{
    for (const SettingDefinition& setting : SettingDefinitions()) {
        const QString value = setting.text ? settings.*setting.text : QString::number(settings.*setting.number);
        const QString problem = SettingValueProblem(setting, value);
        if (!problem.isEmpty())
            return SettingProblem{QLatin1String(setting.key), problem};
    }
    return std::nullopt;
}

} // namespace qel
