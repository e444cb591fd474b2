// Writes a believable contact centre as the product's six SQLite databases,
// and points the settings of the current settings folder at them:
//   qelcleanup-demo FOLDER [--scale N]
// At scale 1 the statistics hold a few hundred thousand rows over two
// years; the scale multiplies the calls for benchmarks.
#include "core/SettingsStore.h"
#include "fixtures/ProductDatabases.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>

using namespace qel;

namespace {

// The standard fixture's surveys and a few more of each kind.
std::vector<SurveyRow> DemoSurveys()
{
    std::vector<SurveyRow> surveys = ProductDatabases::StandardSurveys();
    surveys.insert(surveys.end(), {
                                      {6, QStringLiteral("Employee Pulse"), 2, false},
                                      {8, QStringLiteral("Holiday Bookings"), 1, true},
                                      {9, QStringLiteral("Broadband Churn"), 2, true},
                                      {10, QStringLiteral("Patient Experience"), 2, false},
                                      {11, QStringLiteral("Mystery Shopper"), 1, false},
                                      {14, QStringLiteral("Loyalty Programme"), 2, false},
                                      {15, QStringLiteral("Fundraising Follow-up"), 2, true},
                                  });
    std::sort(surveys.begin(), surveys.end(), [](const SurveyRow& a, const SurveyRow& b) { return a.id < b.id; });
    return surveys;
}

std::vector<ListRow> DemoLists()
{
    std::vector<ListRow> lists;
    int id = 1;
    for (const auto& s : DemoSurveys())
        for (int n = 0; n < 2; ++n)
            lists.push_back({id++, s.id, s.deleted.value_or(false) || (n == 1 && s.id % 3 == 0)});
    return lists;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes the QelCleanup demo databases and settings."));
    parser.addHelpOption();
    const QCommandLineOption scale(QStringLiteral("scale"), QStringLiteral("Multiply the statistics by N."), QStringLiteral("N"),
                                   QStringLiteral("1"));
    parser.addOption(scale);
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where the databases are written."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    const QString folder = QDir(parser.positionalArguments().first()).absolutePath();
    ProductDatabases product(folder);
    const auto surveys = DemoSurveys();
    std::vector<int> ids;
    QStringList webTables;
    for (const auto& s : surveys) {
        ids.push_back(s.id);
        if (!webTables.contains(s.title))
            webTables << s.title;
    }
    webTables << QStringLiteral("_2019Survey") << QStringLiteral("WEB ONLY FEEDBACK");

    FixtureOptions options;
    options.calls = 20000 * std::max(1, parser.value(scale).toInt());
    options.dateRows = options.calls / 2;
    options.cutoff = QDate::currentDate().addDays(-365);
    options.spanDays = 730;
    product.CreateCallCenter(surveys, DemoLists());
    product.CreateStatistics(options, ids);
    product.CreateSurveyTables(surveys);
    product.CreateListTables(DemoLists());
    product.CreateWebInterviews(webTables);
    product.CreateWebProduction({QStringLiteral("Employee Pulse"), QStringLiteral("Web Only Feedback"), QStringLiteral("2019Survey")});

    CleanupSettings settings;
    const SettingsStore store;
    store.Load(settings);
    product.ApplyTo(settings);
    settings.timeout = QStringLiteral("300");
    store.Save(settings);
    std::printf("Demo databases written to %s\n", qPrintable(folder));
    return 0;
}
