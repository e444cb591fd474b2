#include "core/SettingsStore.h"

#include "core/SettingsFileFormat.h"

namespace qel {

namespace {

constexpr const char* kSection = "Settings";

} // namespace

QSettings::Format SettingsStore::DefaultFormat()
{
#ifdef Q_OS_WIN
    return QSettings::NativeFormat;
#else
    return SettingsFileFormat();
#endif
}

SettingsStore::SettingsStore(QString organization, QString application, QSettings::Format format)
    : organization_(std::move(organization)), application_(std::move(application)), format_(format)
{
}

void SettingsStore::Load(CleanupSettings& settings) const
{
    QSettings store(format_, QSettings::UserScope, organization_, application_);
    store.beginGroup(QLatin1String(kSection));
    for (const SettingDefinition& setting : SettingDefinitions()) {
        const QVariant value = store.value(QLatin1String(setting.key));
        if (setting.text) {
            settings.*setting.text = value.isValid() ? value.toString() : QString();
            continue;
        }
        // The registry holds a number, the settings file a text.
        bool whole = false;
        const int number = value.toString().trimmed().toInt(&whole);
        if (whole)
            settings.*setting.number = number;
    }
    if (settings.timeout.isEmpty())
        settings.timeout = QStringLiteral("300");
    // The batch size is this tool's own setting: a store written by the
    // tool it replaces has none, and then the default holds, as it does for
    // a size below zero.
    if (settings.batchSize < 0)
        settings.batchSize = CleanupSettings::kDefaultBatchSize;
}

void SettingsStore::Save(const CleanupSettings& settings) const
{
    QSettings store(format_, QSettings::UserScope, organization_, application_);
    store.beginGroup(QLatin1String(kSection));
    for (const SettingDefinition& setting : SettingDefinitions()) {
        if (setting.text)
            store.setValue(QLatin1String(setting.key), settings.*setting.text);
        else
            store.setValue(QLatin1String(setting.key), static_cast<int>(settings.*setting.number));
    }
    store.endGroup();
    store.sync();
}

QString SettingsStore::location() const
{
    return QSettings(format_, QSettings::UserScope, organization_, application_).fileName();
}

} // namespace qel
