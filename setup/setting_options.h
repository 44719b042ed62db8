#pragma once

#include "setup/station_setup.h"

#include <QCommandLineOption>
#include <QString>

namespace setup {

// The settings both command lines take (rx48p-ctl's and the station window's), under one spelling, with
// one help text and one check each.
enum class setting { port, fixture, results, server, station, serials, sensitivity, buzzer, tolerance, count, timeout };

QCommandLineOption optionFor(setting which);
// Sets `which` from the option's text (a fixture is added to those already set): the message that refuses it ("--buzzer: 101 is out of range (0
// to 100)"), or empty.
QString readSetting(station_setup& setup, setting which, const QString& text);

// --released-only, a flag: refuse a program whose content is not released.
QCommandLineOption releasedOnlyOption();

// A command line names its boards by --port or by --fixture, never both: the message that refuses both,
// or empty.
QString portAndFixturesProblem(bool portGiven, bool fixturesGiven);

// A whole number from `min` to `max`, and volts: the message that refuses `text` names `what` (the
// option), or is empty and `value` holds it.
QString readWhole(const QString& text, long min, long max, const QString& what, long& value);
QString readVolts(const QString& text, double min, double max, const QString& what, double& value);

}  // namespace setup
