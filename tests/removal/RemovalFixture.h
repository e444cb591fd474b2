#pragma once

#include "core/CleanupSettings.h"
#include "db/Connection.h"
#include "db/Result.h"
#include "cleanup/CleanupOperations.h"
#include "core/Format.h"
#include "fixtures/ProductDatabases.h"
#include "core/StringTable.h"

#include "tests/support/BackendTest.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/Rows.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <map>

using namespace qel;
using namespace qel::test;

// The product's databases on each backend, the settings pointing at them,
// and the operations reporting into a recorder.
class RemovalTest : public BackendTest {
protected:
    void SetUpProduct() override
    {
        db().ApplyTo(settings);
        settings.timeout = QStringLiteral("30");
    }

    ProductDatabases& db() { return product(); }

    // A connection string that fails as soon as anything tries to open it,
    // so a test can prove that a database was never opened.
    QString Unopenable()
    {
        return SQLiteConnection(databases().files().path(QStringLiteral("no such folder/never.db")));
    }

    // A name quoted for the database the connection string reaches.
    static QString Quoted(const QString& connection, const QString& name)
    {
        return Connection::Open(connection)->dialect().QuoteIdentifier(name);
    }

    // Every table and view with its number of rows.
    static std::map<QString, long long> Contents(const QString& connection)
    {
        std::map<QString, long long> contents;
        auto c = Connection::Open(connection);
        for (const QString& name : TableNames(connection)) {
            contents[name] = Scalar(*c, QStringLiteral("SELECT COUNT(*) FROM %1").arg(c->dialect().QuoteIdentifier(name)));
        }
        return contents;
    }

    // What Contents gave before, less the named tables.
    static std::map<QString, long long> Without(std::map<QString, long long> contents, const QStringList& names)
    {
        for (const QString& name : names)
            EXPECT_EQ(contents.erase(name), 1u) << "no table " << name.toStdString() << " to begin with";
        return contents;
    }

    static QString Counted(StringId id, int count) { return Format(LoadText(id), {count}); }

    void ExpectOnlyMessage(const QString& text)
    {
        ASSERT_EQ(feedback.messages.size(), 1u) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(feedback.messages[0].text, text);
        EXPECT_EQ(feedback.messages[0].kind, MessageKind::Information);
    }

    // One database-error report with this context word and nothing else.
    void ExpectOnlyReport(const QString& context)
    {
        ASSERT_EQ(feedback.messages.size(), 1u) << feedback.messageTexts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(feedback.messages[0].kind, MessageKind::DatabaseError);
        EXPECT_TRUE(feedback.messages[0].text.startsWith(QStringLiteral("ADO error in %1 ('").arg(context)))
            << feedback.messages[0].text.toStdString();
    }

    CleanupSettings settings;
    RunState state;
    RecordingFeedback feedback;
    CleanupOperations ops{settings, state, feedback};
};
