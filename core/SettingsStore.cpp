#include "core/SettingsStore.h"

namespace qel {

namespace {

constexpr const char* kSection = "Settings";

} // namespace

SettingsStore::SettingsStore(QString organization, QString application, QSettings::Format format)
    : organization_(std::move(organization)), application_(std::move(application)), format_(format)
{
}

void SettingsStore::Load(CleanupSettings& settings) const
{
    QSettings store(format_, QSettings::UserScope, organization_, application_);
    store.beginGroup(QLatin1String(kSection));
    for (const SettingDefinition& setting : SettingDefinitions()) {
        if (!setting.text)
            continue;
        const QVariant value = store.value(QLatin1String(setting.key));
        settings.*setting.text = value.isValid() ? value.toString() : QString();
    }
    if (settings.timeout.isEmpty())
        settings.timeout = QStringLiteral("300");
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

} // namespace qel
