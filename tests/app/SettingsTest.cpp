#include "SettingsIsolation.h"

#include <BackupFields.h>
#include <SettingsStore.h>

#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetSettings(); }

    static BackupFields Loaded()
    {
        BackupFields fields;
        SettingsStore().LoadSettings(fields);
        return fields;
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

    const BackupFields f = Loaded();
    EXPECT_EQ(f.Timeout, QStringLiteral("300"));
    EXPECT_EQ(f.SourceSQL, 1) << "never read";
    EXPECT_EQ(f.BackupType, 0) << "never read";
    SettingsStore().SaveSettings(f);
    EXPECT_EQ(stored.get("Timeout").toString(), QStringLiteral("300"));
    EXPECT_EQ(stored.get("SourceSQL").toInt(), 1);
    EXPECT_EQ(stored.get("BackupType").toInt(), 0);
    EXPECT_EQ(stored.get("StatTgt").toString(), QStringLiteral("Driver=SQLite3;Database=/backups/stat.db"));
    EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("C:\\Backups\\stat.mdb"));

    stored.put("Timeout", QStringLiteral("0"));
    EXPECT_EQ(Loaded().Timeout, QStringLiteral("0")) << "only an empty time-out becomes 300";
}

TEST_F(SettingsTest, TextsRoundTripExactlyAsHeld)
{
    BackupFields f;
    f.CallCenterSrc = QStringLiteral("Provider=SQLOLEDB;Data Source=srv,1433;Password=\"a;b=c\"");
    f.StatSrc = QStringLiteral("   leading and trailing blanks   ");
    f.StatTgt = QStringLiteral("@first; # hash = equals");
    f.AccessTgt = QStringLiteral("C:\\Backup Files\\\u00e9t\u00e9.mdb");
    f.ListDB = QStringLiteral("a, b, c");
    f.SurveyDB = QStringLiteral("tab\there [x] 'y'");
    SettingsStore().SaveSettings(f);
    ReadAgainFromDisk();

    const BackupFields back = Loaded();
    for (QString BackupFields::*text : {&BackupFields::CallCenterSrc, &BackupFields::StatSrc, &BackupFields::StatTgt,
                                        &BackupFields::AccessTgt, &BackupFields::ListDB, &BackupFields::SurveyDB})
        EXPECT_EQ(back.*text, f.*text);
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

TEST_F(SettingsTest, WritesAllElevenEntriesTextsAsStringsOptionsAsIntegers)
{
    const QSettings::Format recording = QSettings::registerFormat(QStringLiteral("qeltypes"), ReadNothing, Record);
    BackupFields f;
    f.CallCenterSrc = QStringLiteral("12"); // a number-like text stays a text
    SettingsStore(recording).SaveSettings(f);

    EXPECT_EQ(g_written.size(), 11);
    for (const char* key : {"CallCenterSrc", "StatSrc", "Timeout", "StatTgt", "AccessTgt", "ListDB", "SurveyDB",
                            "WebInterviewDB", "WebProdDB", "SourceSQL", "BackupType"}) {
        const bool option = qstrcmp(key, "SourceSQL") == 0 || qstrcmp(key, "BackupType") == 0;
        EXPECT_EQ(g_written.value(QStringLiteral("Settings/") + QLatin1String(key)).metaType().id(),
                  option ? QMetaType::Int : QMetaType::QString)
            << key;
    }
    EXPECT_EQ(g_written.value(QStringLiteral("Settings/SourceSQL")).toInt(), 1);
}

} // namespace
