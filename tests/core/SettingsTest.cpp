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
    EXPECT_EQ(s.sourceSQL, 0);
    EXPECT_EQ(s.backupType, 2);
    TestSettingsStore().Save(s);
    EXPECT_EQ(stored.get("Timeout").toString(), QStringLiteral("300"));
    EXPECT_EQ(stored.get("SourceSQL").toInt(), 0);
    EXPECT_EQ(stored.get("BackupType").toInt(), 2);
    EXPECT_EQ(stored.get("StatTgt").toString(), QStringLiteral("Driver=SQLite3;Database=/backups/stat.db"));
    EXPECT_EQ(stored.get("AccessTgt").toString(), QStringLiteral("C:\\Backups\\stat.mdb"));

    stored.put("Timeout", QStringLiteral("0"));
    EXPECT_EQ(Loaded().timeout, QStringLiteral("0")) << "only an empty time-out becomes 300";
}

TEST_F(SettingsTest, OptionsMissingOrNotWholeNumbersKeepTheirStartingValues)
{
    stored.put("CallCenterSrc", QStringLiteral("x"));
    CleanupSettings s = Loaded();
    EXPECT_EQ(s.sourceSQL, 1) << "settings of the tool this one replaces: SQL Server";
    EXPECT_EQ(s.backupType, 0) << "and no backup";

    stored.put("SourceSQL", QStringLiteral("yes"));
    stored.put("BackupType", QStringLiteral(" 5 "));
    s = Loaded();
    EXPECT_EQ(s.sourceSQL, 1);
    EXPECT_EQ(s.backupType, 5) << "any other non-zero value is a SQL database, kept as stored";
    TestSettingsStore().Save(s);
    EXPECT_EQ(stored.get("BackupType").toInt(), 5);
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
    s.webInterviewDB = QStringLiteral("\"quoted\" at the start");
    s.webProdDB = QStringLiteral("line\nbreak \\x41 \x01" "1");
    TestSettingsStore().Save(s);
    ReadAgainFromDisk();

    const CleanupSettings back = Loaded();
    for (QString CleanupSettings::*text : {&CleanupSettings::callCenterSrc, &CleanupSettings::statSrc,
                                           &CleanupSettings::statTgt, &CleanupSettings::accessTgt,
                                           &CleanupSettings::listDB, &CleanupSettings::surveyDB,
                                           &CleanupSettings::webInterviewDB, &CleanupSettings::webProdDB})
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

// The settings file outside Windows, as a person writes and reads it.
class SettingsFileTest : public SettingsTest {
protected:
    void SetUp() override
    {
#ifdef Q_OS_WIN
        GTEST_SKIP() << "settings live in the registry";
#endif
        SettingsTest::SetUp();
    }

    // What the next save writes: the file after a load and a save.
    static QByteArray Resaved()
    {
        TestSettingsStore().Save(Loaded());
        return SettingsFileText();
    }
};

const QString kNamedInstance =
    QStringLiteral("Driver=FreeTDS;Server=db01\\SQLEXPRESS;Database=Stats;UID=qel;PWD=a,b\"c'd");

TEST_F(SettingsFileTest, KeepsThePlaceAndNameOfTheFileWrittenBefore)
{
    EXPECT_EQ(SettingsFilePath(),
              QSettings(QSettings::NativeFormat, QSettings::UserScope, kTestOrganization, kTestApplication).fileName());
    EXPECT_TRUE(SettingsFilePath().endsWith(QStringLiteral("/Marvolen/QelCleanupTests.conf")));
}

TEST_F(SettingsFileTest, HandWrittenValuesReadBackExactlyAndTheNextSaveKeepsThem)
{
    WriteSettingsFileText("; written by hand\r\n"
                          "[Settings]\r\n"
                          "StatSrc=Driver=FreeTDS;Server=db01\\SQLEXPRESS;Database=Stats;UID=qel;PWD=a,b\"c'd\r\n"
                          "ListDB=Server=a,b\n"
                          "  CallCenterSrc = Driver=SQLite3;Database=/data/call centre.db ; Timeout=5000\n"
                          "SurveyDB=\"Driver=SQLite3;Database=/data/surveys.db\"\n"
                          "WebInterviewDB=\"Server=db02\\WEB;Database=Web\"\n"
                          "WebProdDB=\"a\";Password=\"b\"\n"
                          "StatTgt=Driver=SQLite3;Database=/backups/d\\new\\t.db\n"
                          "Timeout=45\n"
                          "BackupType=1\n"
                          "SourceSQL=0\n");
    const CleanupSettings s = Loaded();
    EXPECT_EQ(s.statSrc, kNamedInstance);
    EXPECT_EQ(s.listDB, QStringLiteral("Server=a,b"));
    EXPECT_EQ(s.callCenterSrc, QStringLiteral("Driver=SQLite3;Database=/data/call centre.db ; Timeout=5000"))
        << "a semicolon is no comment inside a value";
    EXPECT_EQ(s.surveyDB, QStringLiteral("Driver=SQLite3;Database=/data/surveys.db")) << "quoted as the README asked";
    EXPECT_EQ(s.webInterviewDB, QStringLiteral("Server=db02\\WEB;Database=Web"));
    EXPECT_EQ(s.webProdDB, QStringLiteral("\"a\";Password=\"b\""));
    EXPECT_EQ(s.statTgt, QStringLiteral("Driver=SQLite3;Database=/backups/d\\new\\t.db"));
    EXPECT_EQ(s.timeout, QStringLiteral("45"));
    EXPECT_EQ(s.backupType, 1);
    EXPECT_EQ(s.sourceSQL, 0);

    const QByteArray written = Resaved();
    EXPECT_TRUE(written.contains("\nStatSrc=Driver=FreeTDS;Server=db01\\SQLEXPRESS;Database=Stats;UID=qel;PWD=a,b\"c'd\n"))
        << written.constData();
    EXPECT_TRUE(written.contains("\nListDB=Server=a,b\n"));
    EXPECT_TRUE(written.contains("\nSurveyDB=Driver=SQLite3;Database=/data/surveys.db\n"));
    EXPECT_TRUE(written.contains("\nBackupType=1\n"));
    ReadAgainFromDisk();
    const CleanupSettings again = Loaded();
    for (const SettingDefinition& setting : SettingDefinitions()) {
        if (setting.text) {
            EXPECT_EQ(again.*setting.text, s.*setting.text) << setting.key;
        } else {
            EXPECT_EQ(again.*setting.number, s.*setting.number) << setting.key;
        }
    }
}

TEST_F(SettingsFileTest, AFileOfTheEarlierFormatReadsAsItWasWritten)
{
    const std::pair<const char*, QString> values[] = {
        {"StatSrc", kNamedInstance},
        {"CallCenterSrc", QStringLiteral("Provider=SQLOLEDB;Data Source=srv,1433;Password=\"a;b=c\"")},
        {"AccessTgt", QStringLiteral("C:\\Backup Files\\\u00e9t\u00e9 \u20ac.mdb")},
        {"StatTgt", QStringLiteral("@first; # hash = equals")},
        {"ListDB", QStringLiteral("  a, b  ")},
        {"SurveyDB", QStringLiteral("tab\there\\new")},
        {"WebProdDB", QStringLiteral("\u8abf\u67fb;x=\x01" "1")},
    };
    {
        // The store of the earlier version: Qt's INI format.
        QSettings earlier(QSettings::NativeFormat, QSettings::UserScope, kTestOrganization, kTestApplication);
        earlier.beginGroup(QStringLiteral("Settings"));
        for (const auto& [key, value] : values)
            earlier.setValue(QLatin1String(key), value);
        earlier.setValue(QStringLiteral("BackupType"), 2);
        earlier.setValue(QStringLiteral("SourceSQL"), 1);
    }
    ASSERT_TRUE(SettingsFileText().contains("StatSrc=\"Driver=FreeTDS;Server=db01\\\\SQLEXPRESS"));
    ReadAgainFromDisk();

    for (int pass = 0; pass < 2; ++pass) { // as written before, then after the next save
        SCOPED_TRACE(pass);
        const CleanupSettings s = Loaded();
        for (const auto& [key, value] : values)
            EXPECT_EQ(s.*FindSetting(QLatin1String(key))->text, value) << key;
        EXPECT_EQ(s.backupType, 2);
        EXPECT_EQ(s.sourceSQL, 1);
        Resaved();
        ReadAgainFromDisk();
    }

    // A hand-edited file of that format: quoted connection strings.
    WriteSettingsFileText("[Settings]\nCallCenterSrc=\"Driver=SQLite3;Database=/data/callcenter.db\"\nTimeout=45\n"
                          "AccessTgt=C:\\\\Backups\\\\stat.mdb\n");
    const CleanupSettings s = Loaded();
    EXPECT_EQ(s.callCenterSrc, QStringLiteral("Driver=SQLite3;Database=/data/callcenter.db"));
    EXPECT_EQ(s.accessTgt, QStringLiteral("C:\\Backups\\stat.mdb"));
}

TEST_F(SettingsFileTest, WhatTheProgramWritesReadsAsItIsShownAndEditsAsAPersonWritesIt)
{
    CleanupSettings s;
    s.statSrc = kNamedInstance;
    s.statTgt = QStringLiteral("  padded  ");
    s.listDB = QStringLiteral("Driver=SQLite3;Database=/data/lists.db");
    TestSettingsStore().Save(s);
    const QByteArray written = SettingsFileText();
    EXPECT_TRUE(written.startsWith("# QelCleanup settings")) << "the file says how its values are read";
    EXPECT_TRUE(written.contains("\n[Settings]\n"));
    EXPECT_TRUE(written.contains("\nStatTgt=\"  padded  \"\n"));
    EXPECT_TRUE(written.contains("\nTimeout=300\n"));
    EXPECT_TRUE(written.contains("\nSourceSQL=1\n"));

    // A person edits a line in a file the program wrote.
    QByteArray edited = written;
    edited.replace("ListDB=Driver=SQLite3;Database=/data/lists.db", "ListDB = Server=db\\L1,1433;Database=x\\ty ");
    WriteSettingsFileText(edited);
    const CleanupSettings back = Loaded();
    EXPECT_EQ(back.listDB, QStringLiteral("Server=db\\L1,1433;Database=x\\ty"));
    EXPECT_EQ(back.statSrc, kNamedInstance);
    EXPECT_EQ(back.statTgt, QStringLiteral("  padded  "));
}

} // namespace
} // namespace qel::test
