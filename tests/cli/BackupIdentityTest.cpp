// A backup target that is one of the source files under another name: a
// hard link, a symbolic link, or the same path spelled with "." or "..".
// Copying into it would put the old rows next to themselves and then delete
// both; the command line refuses it before anything is read or written.
#include "tests/cli/CommandLineFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

using namespace qel;
using namespace qel::test;

namespace {

QByteArray Digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class BackupIdentityTest : public CommandLineTest {
protected:
    QString File(const QString& name) const { return product.path(name); }

    // A second name for a file; false where the file system gives none.
    static bool Link(const QString& existing, const QString& name, bool symbolic)
    {
        std::error_code error;
        const std::filesystem::path from = QFile::encodeName(existing).toStdString();
        const std::filesystem::path to = QFile::encodeName(name).toStdString();
        if (symbolic)
            std::filesystem::create_symlink(from, to, error);
        else
            std::filesystem::create_hard_link(from, to, error);
        return !error;
    }
};

TEST_F(BackupIdentityTest, ASecondPathToASourceFileIsRefusedBeforeAnythingChanges)
{
    const QString statistics = File(QStringLiteral("statistics.db"));
    const QString callCenter = File(QStringLiteral("callcenter.db"));
    ASSERT_TRUE(QDir().mkpath(File(QStringLiteral("sub"))));
    struct Case {
        QString target;
        const char* database;
    };
    std::vector<Case> cases = {
        {product.path(QStringLiteral(".")) + QStringLiteral("/./statistics.db"), "statistics"},
        {File(QStringLiteral("sub")) + QStringLiteral("/../statistics.db"), "statistics"},
        {File(QStringLiteral("sub")) + QStringLiteral("/.././callcenter.db"), "call-centre"},
    };
    if (Link(statistics, File(QStringLiteral("hard-link.db")), false))
        cases.push_back({File(QStringLiteral("hard-link.db")), "statistics"});
    else
        ADD_FAILURE() << "no hard link in the test folder";
    if (Link(callCenter, File(QStringLiteral("sub/hard-link.db")), false))
        cases.push_back({File(QStringLiteral("sub/hard-link.db")), "call-centre"});
    if (Link(statistics, File(QStringLiteral("symbolic-link.db")), true))
        cases.push_back({File(QStringLiteral("symbolic-link.db")), "statistics"});
#ifndef _WIN32
    else
        ADD_FAILURE() << "no symbolic link in the test folder";
#endif

    const QByteArray statisticsBytes = Digest(statistics);
    const QByteArray callCenterBytes = Digest(callCenter);
    const QStringList files = QDir(product.path(QStringLiteral("."))).entryList(QDir::Files | QDir::System, QDir::Name);
    for (const Case& c : cases) {
        const std::string what = c.target.toStdString();
        const Result r = Run(QStringList{"by-date", "--before", "2024-03-05"} + Settings()
                             + QStringList{"--set", "BackupType=1", "--set", "StatTgt=" + SQLiteConnection(c.target)});
        EXPECT_EQ(r.exitCode, 1) << what;
        EXPECT_TRUE(r.out.isEmpty()) << what << ": " << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("Refused in DoSQLCleanup: The backup target "))) << what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("is the %1 database itself").arg(QLatin1String(c.database))))
            << what << ": " << r.err.toStdString();
        EXPECT_EQ(Digest(statistics), statisticsBytes) << what;
        EXPECT_EQ(Digest(callCenter), callCenterBytes) << what;
        EXPECT_EQ(QDir(product.path(QStringLiteral("."))).entryList(QDir::Files | QDir::System, QDir::Name), files)
            << what << ": no journal or other file left behind";
    }
}
