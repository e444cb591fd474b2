#pragma once

#include "fixtures/ProductDatabases.h"
#include "tests/support/OperatingSystem.h"
#include "tests/support/TempDatabases.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>

namespace qel::test {

// Every file of a folder with a digest of its bytes: equal digests, files
// untouched.
inline std::map<QString, QByteArray> FolderDigest(const QString& folder)
{
    std::map<QString, QByteArray> digest;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(QDir(folder).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        digest[name] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    return digest;
}

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

// The command line end to end: the real program on fixture databases.
class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override { product.CreateAll(); }

    // Every setting pointing at the fixture, for this run only.
    QStringList Settings() const
    {
        return {"--set", "CallCenterSrc=" + product.callCenter(), "--set", "StatSrc=" + product.statistics(),
                "--set", "SurveyDB=" + product.surveys(),         "--set", "WebInterviewDB=" + product.webInterviews(),
                "--set", "WebProdDB=" + product.webProduction(),  "--set", "ListDB=" + product.lists(),
                "--set", "StatTgt=" + product.backup(),           "--set", "Timeout=30"};
    }

    // Runs the program in a working folder of its own (workFolder()), with
    // `environment` added to its own and the limits set.
    Result Run(const QStringList& arguments, const QProcessEnvironment& environment = {}, const ChildLimits& limits = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome()); // the run log
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(display)); // no window can open
        for (const QString& key : environment.keys())
            env.insert(key, environment.value(key));
        process.setProcessEnvironment(env);
        QDir().mkpath(workFolder());
        process.setWorkingDirectory(workFolder());
        if (limits.maxFileBytes >= 0 || limits.honourFileModes)
            LimitChild(process, limits);
        process.start(QStringLiteral(QELCLEANUP_BINARY), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QString configHome() const { return temp.path(QStringLiteral("config")); }
    QString workFolder() const { return temp.path(QStringLiteral("work")); }
    QString dataHome() const { return temp.path(QStringLiteral("data")); }
    QString settingsFile() const { return configHome() + QStringLiteral("/Marvolen/QelBackup.conf"); }
    long long Count(const QString& connection, const QString& sql) { return CountRows(connection, sql); }

    TempDatabases temp;
    ProductDatabases product{temp.path(QStringLiteral("product"))};
};

} // namespace qel::test
