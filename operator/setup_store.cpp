#include "operator/setup_store.h"

#include <QSettings>
#include <QStringList>

namespace op {

namespace {

const QString portKey = QStringLiteral("line/port");
const QString fixturesKey = QStringLiteral("line/fixtures");
const QString programKey = QStringLiteral("line/program");
const QString sensitivityKey = QStringLiteral("board/sensitivity");
const QString buzzerKey = QStringLiteral("board/buzzer");
const QString toleranceKey = QStringLiteral("line/tolerance");
const QString serialsKey = QStringLiteral("line/serials");
const QString resultsKey = QStringLiteral("records/results");
const QString serverKey = QStringLiteral("records/server");
const QString stationKey = QStringLiteral("records/station");
const QString releasedOnlyKey = QStringLiteral("line/released_only");

}  // namespace

setup::station_setup loadSetup(const QSettings& settings) {
    setup::station_setup setup;
    setup.port = settings.value(portKey).toString();
    // The fixtures as NAME=PORT; a garbled list is dropped whole rather than driving part of the line.
    QList<setup::fixture> fixtures;
    bool garbled = false;
    for (const QString& text : settings.value(fixturesKey).toStringList()) {
        setup::fixture f;
        garbled = garbled || !setup::readFixture(text, f).isEmpty();
        fixtures.append(f);
    }
    if (!garbled && setup::fixturesProblem(fixtures).isEmpty())
        setup.fixtures = fixtures;
    setup.program = settings.value(programKey).toString();
    setup.sensitivity = settings.value(sensitivityKey, setup.sensitivity).toInt();
    setup.buzzer = settings.value(buzzerKey, setup.buzzer).toInt();
    setup.tolerance = settings.value(toleranceKey, setup.tolerance).toDouble();
    // A mode the file garbles falls back to none rather than refusing the window.
    if (!setup::setSerialMode(setup, settings.value(serialsKey).toString()).isEmpty())
        setup.serials = setup::serial_mode::none;
    setup.results = settings.value(resultsKey).toString();
    setup.server = settings.value(serverKey).toString();
    setup.station = settings.value(stationKey).toString();
    setup.releasedOnly = settings.value(releasedOnlyKey, false).toBool();
    return setup;
}

void saveSetup(QSettings& settings, const setup::station_setup& setup) {
    settings.setValue(portKey, setup.port);
    QStringList fixtures;
    for (const setup::fixture& f : setup.fixtures)
        fixtures << setup::fixtureText(f);
    settings.setValue(fixturesKey, fixtures);
    settings.setValue(programKey, setup.program);
    settings.setValue(sensitivityKey, setup.sensitivity);
    settings.setValue(buzzerKey, setup.buzzer);
    settings.setValue(toleranceKey, setup.tolerance);
    settings.setValue(serialsKey, setup::serialModeText(setup));
    settings.setValue(resultsKey, setup.results);
    settings.setValue(serverKey, setup.server);
    settings.setValue(stationKey, setup.station);
    settings.setValue(releasedOnlyKey, setup.releasedOnly);
    settings.sync();
}

}  // namespace op
