#pragma once

#include "core/SettingsStore.h"

#include <QString>

namespace qel::test {

// The settings the tests read and write: the tool's organisation with an
// application name of the tests' own, so that no test meets a user's
// settings even where they live in the registry.
inline const QString kTestOrganization = QStringLiteral("Marvolen");
inline const QString kTestApplication = QStringLiteral("QelCleanupTests");

inline SettingsStore TestSettingsStore()
{
    return SettingsStore(kTestOrganization, kTestApplication);
}

} // namespace qel::test
