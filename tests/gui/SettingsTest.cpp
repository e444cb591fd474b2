#include "core/CleanupSettings.h"
#include "core/SettingsStore.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/TestSettings.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace qel::test {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetSettings(); }

    static CleanupSettings Loaded()
    {
        CleanupSettings settings;
        TestSettingsStore().Load(settings);
        return settings;
    }
    StoredSettings stored;
};

TEST_F(SettingsTest, StoredValuesThroughALoadAndTheNextSave)
{
    stored.put("Timeout", QString());
    stored.put("SourceSQL", 0);
    stored.put("BackupType", 2);
    stored.put("StatTgt", QStringLiteral("Driver=SQLite3;Database=/backups/stat.db"));
    stored.put("AccessTgt", QStringLiteral("C:\\Backups\\stat.mdb"));

    const CleanupSettings s = Loaded();
    EXPECT_EQ(s.timeout, QStringLiteral("300"));
    EXPECT_EQ(s.sourceSQL, 1) << "never read";
    EXPECT_EQ(s.backupType, 0) << "never read";
    TestSettingsStore().Save(s);
    EXPECT_EQ(stored.get("Timeout").toString(), QStringLiteral("300"));
    EXPECT_EQ(stored.get("SourceSQL").toInt(), 1);
    EXPECT_EQ(stored.get("BackupType").toInt(), 0);
    EXPECT_EQ(stored.get("StatTgt").toString(), QStringLiteral("Driver=SQLite3;Database=/backups/stat.db"));
    EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("C:\\Backups\\stat.mdb"));

    stored.put("Timeout", QStringLiteral("0"));
    EXPECT_EQ(Loaded().timeout, QStringLiteral("0")) << "only an empty time-out becomes 300";
}

TEST_F(SettingsTest, TextsRoundTripExactlyAsHeld)
{
    CleanupSettings s;
    s.callCenterSrc = QStringLiteral("Provider=SQLOLEDB;Data Source=srv,1433;Password=\"a;b=c\"");
    s.statSrc = QStringLiteral("   leading and trailing blanks   ");
    s.statTgt = QStringLiteral("@first; # hash = equals");
    s.accessTgt = QStringLiteral("C:\\Backup Files\\\u00e9t\u00e9.mdb");
    s.listDB = QStringLiteral("a, b, c");
    s.surveyDB = QStringLiteral("tab\there [x] 'y'");
    TestSettingsStore().Save(s);
    ReadAgainFromDisk();

    const CleanupSettings back = Loaded();
    for (QString CleanupSettings::*text : {&CleanupSettings::callCenterSrc, &CleanupSettings::statSrc,
                                           &CleanupSettings::statTgt, &CleanupSettings::accessTgt,
                                           &CleanupSettings::listDB, &CleanupSettings::surveyDB})
        EXPECT_EQ(back.*text, s.*text);
}

// A format that keeps what was written with its types, the way the registry
// keeps strings and numbers apart.
QSettings::SettingsMap g_written;
bool ReadNothing(QIODevice&, QSettings::SettingsMap&) { return true; }
bool Record(QIODevice&, const QSettings::SettingsMap& map)
{
    g_written = map;
    return true;
}

TEST_F(SettingsTest, WritesEveryEntryTextsAsStringsNumbersAsIntegers)
{
    const QSettings::Format recording = QSettings::registerFormat(QStringLiteral("qeltypes"), ReadNothing, Record);
    CleanupSettings s;
    s.callCenterSrc = QStringLiteral("12"); // a number-like text stays a text
    SettingsStore(kTestOrganization, kTestApplication, recording).Save(s);

    EXPECT_EQ(g_written.size(), 12);
    for (const char* key : {"CallCenterSrc", "StatSrc", "Timeout", "StatTgt", "AccessTgt", "ListDB", "SurveyDB",
                            "WebInterviewDB", "WebProdDB", "SourceSQL", "BackupType", "BatchSize"}) {
        const bool option = qstrcmp(key, "SourceSQL") == 0 || qstrcmp(key, "BackupType") == 0 || qstrcmp(key, "BatchSize") == 0;
        EXPECT_EQ(g_written.value(QStringLiteral("Settings/") + QLatin1String(key)).metaType().id(),
                  option ? QMetaType::Int : QMetaType::QString)
            << key;
    }
    EXPECT_EQ(g_written.value(QStringLiteral("Settings/SourceSQL")).toInt(), 1);
    EXPECT_EQ(g_written.value(QStringLiteral("Settings/BatchSize")).toInt(), 4000);
}

} // namespace
} // namespace qel::test
