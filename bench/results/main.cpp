// rx48p_results_data: a year of parts for the results benches, in a journal and, if asked, on a
// PostgreSQL server of its own. The files are kept and reused; delete them to make them anew.

#include "loaders.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Makes a journal of a year of parts (3 stations, 2 programs, retests, failures with their modes) for the results "
        "benches; with --postgres, the same rows on a PostgreSQL server kept in FOLDER. Prints the server's URL."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("parts"), QStringLiteral("How many parts (default 1000000)."), QStringLiteral("N"),
                      QStringLiteral("1000000")});
    parser.addOption({QStringLiteral("journal"), QStringLiteral("The journal to make if missing."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("postgres"), QStringLiteral("Also load it on a server kept in FOLDER."), QStringLiteral("FOLDER")});
    parser.addOption({QStringLiteral("keep-running"), QStringLiteral("Leave the server running (stop it with pg_ctl -D FOLDER/data stop).")});
    parser.process(app);
    bool ok = false;
    const long parts = parser.value(QStringLiteral("parts")).toLong(&ok);
    if (!ok || parts <= 0 || !parser.isSet(QStringLiteral("journal"))) {
        std::fputs("rx48p_results_data: give --journal FILE and a positive --parts\n", stderr);
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    QString error;
    if (!bench_results::makeJournal(parser.value(QStringLiteral("journal")), parts, error)) {
        std::fprintf(stderr, "rx48p_results_data: %s\n", qPrintable(error));
        return 1;
    }
    std::fprintf(stderr, "journal ready after %.1f s\n", double(clock.elapsed()) / 1000.0);
    if (!parser.isSet(QStringLiteral("postgres")))
        return 0;
    pg_cluster cluster(pg_cluster::kept_in{parser.value(QStringLiteral("postgres"))});
    const QString database = QStringLiteral("year_%1").arg(parts);
    if (!cluster.ok() || !bench_results::loadOnServer(cluster, parser.value(QStringLiteral("journal")), database, error)) {
        std::fprintf(stderr, "rx48p_results_data: %s\n", qPrintable(cluster.ok() ? error : cluster.error()));
        return 1;
    }
    std::fprintf(stderr, "server ready after %.1f s\n", double(clock.elapsed()) / 1000.0);
    std::printf("%s\n", qPrintable(cluster.url(database).display()));
    if (parser.isSet(QStringLiteral("keep-running")))
        cluster.release();
    return 0;
}
