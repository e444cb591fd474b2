// qelcleanup-test-child: the clean-up by date with its backup forced row by
// row, as into another server, for tests that kill it or starve it in the
// middle of a table. The command line cannot choose that route on SQLite
// files, so the tests run this program instead:
//
//   qelcleanup-test-child --before YYYY-MM-DD --set KEY=VALUE ...
//
// Progress goes to standard error one line per status, results to standard
// output; the exit status is 0 when the clean-up completed, 1 after a
// database error and 2 for arguments it does not understand.
#include "cleanup/checks/BackupTarget.h"
#include "cleanup/CleanupOperations.h"
#include "cli/ConsoleFeedback.h"
#include "core/CleanupSettings.h"
#include "core/RunState.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>

#include <cstdio>

using namespace qel;

namespace {

int Usage(const QString& why)
{
    std::fprintf(stderr, "qelcleanup-test-child: %s\n", why.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    CleanupSettings settings;
    RunState state;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (i + 1 >= args.size())
            return Usage(QStringLiteral("%1 needs a value").arg(arg));
        const QString value = args[++i];
        if (arg == QLatin1String("--before")) {
            state.removalDate = QDate::fromString(value, Qt::ISODate);
            if (!state.removalDate.isValid())
                return Usage(QStringLiteral("not a date: %1").arg(value));
        } else if (arg == QLatin1String("--set")) {
            const qsizetype equals = value.indexOf(QLatin1Char('='));
            const SettingDefinition* setting = equals > 0 ? FindSetting(value.left(equals)) : nullptr;
            if (!setting)
                return Usage(QStringLiteral("unknown setting: %1").arg(value));
            const QString text = value.mid(equals + 1);
            if (setting->text) {
                settings.*setting->text = text;
            } else {
                bool ok = false;
                settings.*setting->number = text.toInt(&ok);
                if (!ok)
                    return Usage(QStringLiteral("not a whole number: %1").arg(value));
            }
        } else {
            return Usage(QStringLiteral("unknown argument: %1").arg(arg));
        }
    }

    ConsoleFeedback feedback(true);
    CleanupOperations operations(settings, state, feedback);
    CleanupDatabases::Options options;
    options.rowByRow = true;
    operations.setDatabaseOptions(options);
    const bool ok = operations.CleanUpByDate(TargetConnection(settings, state)).completed();
    feedback.FinishProgress();
    return ok ? 0 : 1;
}
