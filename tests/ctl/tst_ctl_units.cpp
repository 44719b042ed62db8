// rx48p-ctl's own parts in-process: the command line it accepts and refuses, the JUnit report it
// writes, and its listing of the serial ports (the test's pseudo-terminals only).

#include "ctl/invocation.h"
#include "ctl/junit_report.h"
#include "ctl/output.h"
#include "ctl/port_listing.h"

#include "pty_pair.h"
#include "serial_port_listing.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

using action = ctl::invocation::action;
Q_DECLARE_METATYPE(action)

namespace {

QStringList command(const QString& line) {
    return QStringList{QStringLiteral("rx48p-ctl")} + line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QByteArray bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<int>(v.size()));
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// What the process writes to its standard output while `run` runs, through a file put in place of fd 1.
template <typename Run>
QByteArray standardOutputOf(const QString& capturePath, Run run) {
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int capture = ::open(QFile::encodeName(capturePath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (saved < 0 || capture < 0)
        return QByteArray("<no capture>");
    ::dup2(capture, STDOUT_FILENO);
    ::close(capture);
    run();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    return readAll(capturePath);
}

station::comparison make(const char* kind, const char* item, bool passed, const char* expected, const char* measured,
                         const char* reason) {
    return {QString::fromUtf8(kind),     QString::fromUtf8(item),     passed,
            QString::fromUtf8(expected), QString::fromUtf8(measured), QString::fromUtf8(reason)};
}

// The two parts of the report tests: the second fails three ways.
const std::vector<station::comparison> goodPart{
    make("pair", "1-2", true, "Led anode to Led cathode, 1.800V / -0.020V",
         "Led anode to Led cathode, 1.800V / -0.020V", ""),
    make("button", "12 (common 14)", true, "Button ON", "Button ON", "")};
const std::vector<station::comparison> badPart{
    make("pair", "1-2", true, "Led anode to Led cathode, 1.800V / -0.020V",
         "Led anode to Led cathode, 1.820V / -0.020V", ""),
    make("pair", "5-6", false, "Led anode to Led cathode, 1.800V / -0.020V", "", "missing (open)"),
    make("pair", "3-4", false, "", "Shortcut to Shortcut, 0.000V / 0.000V", "not expected (short)"),
    make("touch", "16", false, "Touch ON", "Touch OFF", "Touch OFF, expected Touch ON")};

// A judged part of the report tests, tested for `seconds`; not on record when `notRecorded` says why.
station::part_result judged(double seconds, const std::vector<station::comparison>& comparisons,
                            const QString& notRecorded = QString()) {
    station::part_result part;
    part.testSeconds = seconds;
    part.comparisons = comparisons;
    part.passed = station::failedCount(comparisons) == 0;
    part.recordProblem = notRecorded;
    return part;
}

// The report read back, one line per element with its attributes (and a failure's text), so a whole
// report compares as a list.
QStringList readReport(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<unreadable>")};
    QXmlStreamReader xml(&f);
    QStringList out;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QString name = xml.name().toString();
        if (name == QLatin1String("testsuites")) {
            out << QStringLiteral("testsuites name=%1 tests=%2 failures=%3 errors=%4 time=%5")
                       .arg(a.value("name").toString(), a.value("tests").toString(), a.value("failures").toString(),
                            a.value("errors").toString(), a.value("time").toString());
        } else if (name == QLatin1String("testsuite")) {
            out << QStringLiteral("testsuite name=%1 tests=%2 failures=%3 errors=%4 time=%5")
                       .arg(a.value("name").toString(), a.value("tests").toString(), a.value("failures").toString(),
                            a.value("errors").toString(), a.value("time").toString());
        } else if (name == QLatin1String("testcase")) {
            out << QStringLiteral("testcase classname=%1 name=%2")
                       .arg(a.value("classname").toString(), a.value("name").toString());
        } else if (name == QLatin1String("failure")) {
            const QString message = a.value("message").toString();
            out << QStringLiteral("failure message=%1 text=%2").arg(message, xml.readElementText());
        } else if (name == QLatin1String("error")) {
            out << QStringLiteral("error message=%1").arg(a.value("message").toString());
        } else {
            out << QStringLiteral("unexpected element ") + name;
        }
    }
    if (xml.hasError())
        out << QStringLiteral("XML error: ") + xml.errorString();
    return out;
}

}  // namespace

class CtlUnitsTest : public QObject {
    Q_OBJECT

private slots:
    // ---- the command line ----
    void goodCommandLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<action>("what");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("json");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("commandName");
        QTest::addColumn<int>("endpoint");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("expectedFile");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<QString>("junitFile");
        QTest::addColumn<qlonglong>("count");
        QTest::addColumn<int>("sensitivity");
        QTest::addColumn<int>("buzzer");

        const QByteArray none;
        // Defaults that rows not about them keep: 3000 ms, 0.10 V, count 0, sensitivity 64, buzzer 100.
        QTest::newRow("help") << "--help" << action::help << "" << false << false << 3000 << "" << 0xFF << none << ""
                              << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("-h") << "-h" << action::help << "" << false << false << 3000 << "" << 0xFF << none << ""
                            << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("help after a command")
            << "ping --help" << action::help << "" << false << false << 3000 << "ping" << 0xFF << none << "" << 0.10
            << "" << 0LL << 64 << 100;
        QTest::newRow("-h after a command's options")
            << "station part.json --count 3 -h" << action::help << "" << false << false << 3000 << "station" << 0xFF
            << none << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("ports") << "ports" << action::list_ports << "" << false << false << 3000 << "ports" << 0xFF
                               << none << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("ports as JSON") << "--json ports" << action::list_ports << "" << true << false << 3000
                                       << "ports" << 0xFF << none << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("ping") << "--port /dev/pts/3 ping" << action::exchange << "/dev/pts/3" << false << false
                              << 3000 << "ping" << 0x00 << QByteArray("RX48P") << "" << 0.10 << "" << 0LL << 64
                              << 100;
        QTest::newRow("short port option, JSON") << "-p pts/7 --json measure-static" << action::exchange << "pts/7"
                                                 << true << false << 3000 << "measure-static" << 0x04 << none << ""
                                                 << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("raw, timeout, options before the port")
            << "--raw --timeout 500 --port ttyUSB0 idle" << action::exchange << "ttyUSB0" << false << true << 500
            << "idle" << 0xFF << none << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("timeout at its bounds") << "--timeout 3600000 --port P detect-insert" << action::exchange
                                               << "P" << false << false << 3600000 << "detect-insert" << 0x02 << none
                                               << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("timeout 1") << "--timeout 1 --port P detect-remove" << action::exchange << "P" << false
                                   << false << 1 << "detect-remove" << 0x0A << none << "" << 0.10 << "" << 0LL << 64
                                   << 100;
        QTest::newRow("measure-button") << "--port P measure-button" << action::exchange << "P" << false << false
                                        << 3000 << "measure-button" << 0x06 << none << "" << 0.10 << "" << 0LL << 64
                                        << 100;
        QTest::newRow("buzz-ok") << "--port P buzz-ok" << action::exchange << "P" << false << false << 3000
                                 << "buzz-ok" << 0x0E << none << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("buzz-error") << "--port P buzz-error" << action::exchange << "P" << false << false << 3000
                                    << "buzz-error" << 0x0D << none << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("config, board defaults") << "--port P config" << action::exchange << "P" << false << false
                                                << 3000 << "config" << 0x01 << QByteArray("\x40\x64", 2) << ""
                                                << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("config at the bounds, sensitivity first in the payload")
            << "--port P config --buzzer 0 --sensitivity 128" << action::exchange << "P" << false << false << 3000
            << "config" << 0x01 << QByteArray("\x80\x00", 2) << "" << 0.10 << "" << 0LL << 128 << 0;
        QTest::newRow("config, one option with =") << "--port P config --buzzer=7" << action::exchange << "P"
                                                   << false << false << 3000 << "config" << 0x01
                                                   << QByteArray("\x40\x07", 2) << "" << 0.10 << "" << 0LL << 64
                                                   << 7;
        QTest::newRow("capacitive pins sorted, once each")
            << "--port P measure-capacitive 5 0 3 5" << action::exchange << "P" << false << false << 3000
            << "measure-capacitive" << 0x08 << QByteArray("\x00\x03\x05", 3) << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("capacitive, last pin") << "--port P measure-capacitive 24" << action::exchange << "P" << false
                                              << false << 3000 << "measure-capacitive" << 0x08
                                              << QByteArray("\x18", 1) << "" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("capacitive, no pin") << "--port P measure-capacitive" << action::exchange << "P" << false
                                            << false << 3000 << "measure-capacitive" << 0x08 << none << "" << 0.10
                                            << "" << 0LL << 64 << 100;
        QTest::newRow("check") << "--port P check part.json" << action::check << "P" << false << false << 3000
                               << "check" << 0xFF << none << "part.json" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("check, options around the file")
            << "--port P check --junit out.xml part.json --tolerance 0.25" << action::check << "P" << false << false
            << 3000 << "check" << 0xFF << none << "part.json" << 0.25 << "out.xml" << 0LL << 64 << 100;
        QTest::newRow("check, widest tolerance") << "--json --port P check p.json --tolerance 5.12" << action::check
                                                 << "P" << true << false << 3000 << "check" << 0xFF << none << "p.json"
                                                 << 5.12 << "" << 0LL << 64 << 100;
        QTest::newRow("station") << "--port P station part.json" << action::station << "P" << false << false << 3000
                                 << "station" << 0xFF << none << "part.json" << 0.10 << "" << 0LL << 64 << 100;
        QTest::newRow("station, every option, any order")
            << "--port P station --count 3 --sensitivity 10 part.json --junit r.xml --buzzer 0 --tolerance 0"
            << action::station << "P" << false << false << 3000 << "station" << 0xFF << none << "part.json" << 0.0
            << "r.xml" << 3LL << 10 << 0;
        QTest::newRow("station, count and settings at their bounds")
            << "--port P station --count 1000000000 --sensitivity 128 --buzzer 100 p.json" << action::station << "P"
            << false << false << 3000 << "station" << 0xFF << none << "p.json" << 0.10 << "" << 1000000000LL << 128
            << 100;
        QTest::newRow("station, count 1") << "--port P station --count 1 --sensitivity 0 p.json" << action::station
                                          << "P" << false << false << 3000 << "station" << 0xFF << none << "p.json"
                                          << 0.10 << "" << 1LL << 0 << 100;
    }
    void goodCommandLines() {
        QFETCH(QString, line);
        QFETCH(action, what);
        QFETCH(QString, port);
        QFETCH(bool, json);
        QFETCH(bool, raw);
        QFETCH(int, timeoutMs);
        QFETCH(QString, commandName);
        QFETCH(int, endpoint);
        QFETCH(QByteArray, payload);
        QFETCH(QString, expectedFile);
        QFETCH(double, tolerance);
        QFETCH(QString, junitFile);
        QFETCH(qlonglong, count);
        QFETCH(int, sensitivity);
        QFETCH(int, buzzer);

        ctl::invocation inv;
        try {
            inv = ctl::parseInvocation(command(line));
        } catch (const ctl::usage_error& e) {
            QFAIL(qPrintable(QStringLiteral("refused: ") + QString::fromStdString(e.what())));
        }
        QCOMPARE(int(inv.what), int(what));
        QCOMPARE(inv.setup.port, port);
        QCOMPARE(inv.json, json);
        QCOMPARE(inv.raw, raw);
        QCOMPARE(inv.setup.timeoutMs, timeoutMs);
        QCOMPARE(inv.commandName, commandName);
        if (what == action::exchange) {
            QCOMPARE(int(inv.command), endpoint);
            QCOMPARE(bytes(inv.payload), payload);
        }
        QCOMPARE(inv.setup.program, expectedFile);
        QCOMPARE(inv.setup.tolerance, tolerance);
        QCOMPARE(inv.junitFile, junitFile);
        QCOMPARE(qlonglong(inv.setup.count), count);
        QCOMPARE(inv.setup.sensitivity, sensitivity);
        QCOMPARE(inv.setup.buzzer, buzzer);
    }

    // A line copied from the window's shortcut: general options among the command's, as the window takes them.
    void generalOptionsAnywhere_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("results");
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("serials");
        QTest::newRow("port after ping") << "ping --port P" << "P" << "" << false << "" << 0;
        QTest::newRow("short port after ping") << "ping -p P" << "P" << "" << false << "" << 0;
        QTest::newRow("results after the program") << "--port P station part.device --results r.sqlite" << "P"
                                                    << "r.sqlite" << false << "" << 0;
        QTest::newRow("everything after the command, with =")
            << "station --port=P part.device --serial scan --results=r.sqlite" << "P" << "r.sqlite" << false << "" << 1;
        QTest::newRow("json before the question") << "results --json summary" << "" << "" << true << "summary" << 0;
        QTest::newRow("json after the question") << "results summary --json" << "" << "" << true << "summary" << 0;
        QTest::newRow("serials none") << "--port P station part.device --serial none" << "P" << "" << false << "" << 0;
        QTest::newRow("numbered serials") << "station part.device --serial auto:LK- --port P" << "P" << "" << false
                                          << "" << 2;
    }
    void generalOptionsAnywhere() {
        QFETCH(QString, line);
        ctl::invocation inv;
        try {
            inv = ctl::parseInvocation(command(line));
        } catch (const ctl::usage_error& e) {
            QFAIL(qPrintable(QStringLiteral("refused: ") + QString::fromStdString(e.what())));
        }
        QTEST(inv.setup.port, "port");
        QTEST(inv.setup.results, "results");
        QTEST(inv.json, "json");
        QTEST(inv.question, "question");
        QTEST(int(inv.setup.serials), "serials");
        if (inv.setup.serials == setup::serial_mode::numbered)
            QCOMPARE(inv.setup.serialPrefix, QStringLiteral("LK-"));
    }

    // An empty port cannot come through the space-split table.
    void emptyPort() {
        try {
            ctl::parseInvocation({"rx48p-ctl", "--port", "", "ping"});
            QFAIL("an empty --port was taken");
        } catch (const ctl::usage_error& e) {
            QCOMPARE(QString::fromStdString(e.what()),
                     "--port is empty: give a port name or a device path");
        }
    }

    void badCommandLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");

        QTest::newRow("nothing") << "" << "no command given";
        QTest::newRow("options only") << "--json --port P" << "no command given";
        QTest::newRow("unknown command") << "--port P frob" << "unknown command 'frob'";
        QTest::newRow("unknown command, no port") << "frob" << "unknown command 'frob'";
        QTest::newRow("no port") << "ping" << "ping needs --port PORT (rx48p-ctl ports lists the serial ports)";
        QTest::newRow("no port for a check")
            << "check part.json" << "check needs --port PORT (rx48p-ctl ports lists the serial ports)";
        QTest::newRow("port without its value") << "--port" << "missing value after '--port'";
        QTest::newRow("unknown general option") << "--bogus ping" << "unknown option '--bogus'";
        QTest::newRow("general option mistyped") << "--prot P ping" << "unknown option '--prot'; did you mean --port?";
        QTest::newRow("command option mistyped") << "--port P station p.json --tolernce 0.2"
                                                 << "station: unknown option '--tolernce'; did you mean --tolerance?";
        QTest::newRow("two letters swapped") << "--port P station p.json --cuont 2"
                                             << "station: unknown option '--cuont'; did you mean --count?";
        QTest::newRow("general option mistyped after the command")
            << "--port P station p.json --reslts r.sqlite" << "station: unknown option '--reslts'; did you mean --results?";
        QTest::newRow("question mistyped") << "results summray" << "results: unknown question 'summray'; did you mean summary?";
        QTest::newRow("command mistyped") << "--port P chek p.json" << "unknown command 'chek'; did you mean check?";
        QTest::newRow("far from every option") << "--port P station p.json --frobnicate"
                                               << "station: unknown option '--frobnicate'";
        QTest::newRow("a value after the command's general option is still checked")
            << "station p.json --timeout 0 --port P" << "--timeout: 0 is out of range (1 to 3600000)";
        QTest::newRow("station's serial mode") << "--port P station p.json --serial scanner"
                                               << "--serial: serials are 'none', 'scan' or 'auto:PREFIX', not 'scanner'";
        QTest::newRow("station's serial prefix") << "--port P station p.json --serial auto:"
                                                 << "--serial: numbered serials need a prefix: auto:PREFIX";
        QTest::newRow("fixture without its port") << "station p.json --fixture a"
                                                  << "--fixture: a fixture is NAME=PORT, not 'a'";
        QTest::newRow("fixture with an empty port") << "station p.json --fixture a=" << "--fixture: fixture a has no port";
        QTest::newRow("fixture named with a slash") << "station p.json --fixture a/b=P"
                                                    << "--fixture: a fixture's name is 1 to 16 of A-Z a-z 0-9 . _ -, not 'a/b'";
        QTest::newRow("fixture name too long") << "station p.json --fixture abcdefghijklmnopq=P"
                                               << "--fixture: a fixture's name is 1 to 16 of A-Z a-z 0-9 . _ -, not 'abcdefghijklmnopq'";
        QTest::newRow("two fixtures of one name") << "station p.json --fixture a=P --fixture a=Q"
                                                  << "--fixture: two fixtures are named a";
        QTest::newRow("two fixtures on one port") << "station p.json --fixture a=P --fixture b=P"
                                                  << "--fixture: fixtures a and b are both on P";
        QTest::newRow("five fixtures")
            << "station p.json --fixture a=P --fixture b=Q --fixture c=R --fixture d=S --fixture e=T"
            << "--fixture: a station drives at most 4 fixtures, not 5";
        QTest::newRow("port and fixture") << "--port P station p.json --fixture a=Q"
                                          << "--port and --fixture exclude each other: give every board as --fixture NAME=PORT";
        QTest::newRow("fixtures are the station's") << "check p.json --fixture a=P" << "check: unknown option '--fixture'";
        QTest::newRow("json and raw") << "--json --raw --port P ping"
                                      << "--json and --raw exclude each other: the JSON records carry the bytes "
                                         "already";
        QTest::newRow("timeout 0") << "--timeout 0 --port P ping" << "--timeout: 0 is out of range (1 to 3600000)";
        QTest::newRow("timeout over an hour")
            << "--timeout 3600001 --port P ping" << "--timeout: 3600001 is out of range (1 to 3600000)";
        QTest::newRow("timeout not a number") << "--timeout 2s --port P ping" << "--timeout: '2s' is not a whole number";
        QTest::newRow("ping with an argument") << "--port P ping extra" << "ping: unexpected argument 'extra'";
        QTest::newRow("ports with an argument") << "ports extra" << "ports: unexpected argument 'extra'";
        QTest::newRow("idle with an argument") << "--port P idle 3" << "idle: unexpected argument '3'";
        QTest::newRow("sensitivity 129") << "--port P config --sensitivity 129"
                                         << "--sensitivity: 129 is out of range (0 to 128)";
        QTest::newRow("sensitivity -1") << "--port P config --sensitivity -1"
                                        << "--sensitivity: -1 is out of range (0 to 128)";
        QTest::newRow("buzzer 101") << "--port P config --buzzer 101" << "--buzzer: 101 is out of range (0 to 100)";
        QTest::newRow("buzzer not a number") << "--port P config --buzzer loud"
                                             << "--buzzer: 'loud' is not a whole number";
        QTest::newRow("config with an argument") << "--port P config 5" << "config: unexpected argument '5'";
        QTest::newRow("config, unknown option") << "--port P config --volume 3" << "config: unknown option '--volume'";
        QTest::newRow("capacitive pin 25") << "--port P measure-capacitive 3 25"
                                           << "pin: 25 is out of range (0 to 24)";
        QTest::newRow("capacitive pin not a number") << "--port P measure-capacitive x"
                                                     << "pin: 'x' is not a whole number";
        QTest::newRow("station without a file") << "--port P station"
                                                << "station: missing the file of the expected part";
        QTest::newRow("station, options but no file") << "--port P station --count 3"
                                                       << "station: missing the file of the expected part";
        QTest::newRow("check without a file") << "--port P check" << "check: missing the file of the expected part";
        QTest::newRow("check with two files") << "--port P check a.json b.json"
                                              << "check: unexpected argument 'b.json'";
        QTest::newRow("station, check options only") << "--port P station p.json --bogus"
                                                     << "station: unknown option '--bogus'";
        QTest::newRow("check has no count") << "--port P check p.json --count 2" << "check: unknown option '--count'";
        QTest::newRow("count 0") << "--port P station p.json --count 0"
                                 << "--count: 0 is out of range (1 to 1000000000)";
        QTest::newRow("count beyond") << "--port P station p.json --count 1000000001"
                                      << "--count: 1000000001 is out of range (1 to 1000000000)";
        QTest::newRow("count not whole") << "--port P station p.json --count 2.5"
                                         << "--count: '2.5' is not a whole number";
        QTest::newRow("station sensitivity 129") << "--port P station p.json --sensitivity 129"
                                                 << "--sensitivity: 129 is out of range (0 to 128)";
        QTest::newRow("station buzzer 101") << "--port P station p.json --buzzer 101"
                                            << "--buzzer: 101 is out of range (0 to 100)";
        QTest::newRow("tolerance above") << "--port P check p.json --tolerance 5.13"
                                         << "--tolerance: 5.13 is out of range (0.00 to 5.12)";
        QTest::newRow("tolerance negative") << "--port P station p.json --tolerance -0.1"
                                            << "--tolerance: -0.1 is out of range (0.00 to 5.12)";
        QTest::newRow("tolerance not a number") << "--port P check p.json --tolerance 0.1V"
                                                << "--tolerance: '0.1V' is not a number of volts";
        QTest::newRow("tolerance infinite") << "--port P check p.json --tolerance inf"
                                            << "--tolerance: 'inf' is not a number of volts";
        QTest::newRow("tolerance nan") << "--port P station p.json --tolerance nan"
                                       << "--tolerance: 'nan' is not a number of volts";
        // Releases are the line's: on its server, of one file each.
        QTest::newRow("release without a server")
            << "results release p.device" << "results release needs --server URL: the line's releases are kept there";
        QTest::newRow("revoke without a server")
            << "results revoke p.device" << "results revoke needs --server URL: the line's releases are kept there";
        QTest::newRow("release without a file") << "--server postgresql://h/d results release"
                                                << "results release: missing the part file";
        QTest::newRow("revoke of two") << "--server postgresql://h/d results revoke a b"
                                       << "results revoke: unexpected argument 'b'";
        QTest::newRow("a revoke takes no note") << "--server postgresql://h/d results revoke a --note x"
                                                << "results revoke: unknown option '--note'";
        QTest::newRow("note too long") << "--server postgresql://h/d results release p.device --note " + QString(501, 'n')
                                       << "--note: at most 500 characters";
        QTest::newRow("audit window backwards") << "results audit --since 2026-12-08 --until 2026-12-07"
                                                << "--since 2026-12-08 is not before --until 2026-12-07: the window would be empty";
        QTest::newRow("released only without a journal")
            << "--port P station p.json --released-only --no-record"
            << "--released-only and --no-record exclude each other: the journal keeps the released programs and the audit trail";
        QTest::newRow("released only is the station's")
            << "--port P check p.json --released-only" << "check: unknown option '--released-only'";
    }
    void badCommandLines() {
        QFETCH(QString, line);
        QFETCH(QString, message);
        try {
            ctl::parseInvocation(command(line));
            QFAIL("the command line was taken");
        } catch (const ctl::usage_error& e) {
            QCOMPARE(QString::fromStdString(e.what()), message);
        }
    }

    // Fixtures keep the order given; a port may itself hold '='.
    void fixtures() {
        const ctl::invocation inv =
            ctl::parseInvocation(command("station p.json --fixture left=/dev/pts/7 --count 2 --fixture R-2=/tmp/x=y"));
        QCOMPARE(inv.setup.fixtures.size(), 2);
        QCOMPARE(inv.setup.fixtures[0].name, QStringLiteral("left"));
        QCOMPARE(inv.setup.fixtures[0].port, QStringLiteral("/dev/pts/7"));
        QCOMPARE(inv.setup.fixtures[1].name, QStringLiteral("R-2"));
        QCOMPARE(inv.setup.fixtures[1].port, QStringLiteral("/tmp/x=y"));
        QCOMPARE(inv.setup.port, QString());
        QCOMPARE(inv.setup.count, 2L);
    }

    // ---- the JUnit report ----
    void junitReport() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("report.xml"));
        {
            ctl::junit_report junit;
            QString error;
            QVERIFY2(junit.open(path, error), qPrintable(error));
            QVERIFY(junit.isOpen());
            junit.addPart(QStringLiteral("board-0001"), judged(1.5, goodPart));
            junit.addPart(QStringLiteral("board-0002"), judged(2.25, badPart));
            QVERIFY2(junit.commit(error), qPrintable(error));
        }
        QCOMPARE(readReport(path),
                 (QStringList{
                     "testsuites name=rx48p-ctl tests=6 failures=3 errors=0 time=3.750",
                     "testsuite name=board-0001 tests=2 failures=0 errors=0 time=1.500",
                     "testcase classname=board-0001.pair name=pair 1-2",
                     "testcase classname=board-0001.button name=button 12 (common 14)",
                     "testsuite name=board-0002 tests=4 failures=3 errors=0 time=2.250",
                     "testcase classname=board-0002.pair name=pair 1-2",
                     "testcase classname=board-0002.pair name=pair 5-6",
                     "failure message=missing (open) text=expected: Led anode to Led cathode, 1.800V / -0.020V\n"
                     "measured: nothing",
                     "testcase classname=board-0002.pair name=pair 3-4",
                     "failure message=not expected (short) text=expected: nothing\n"
                     "measured: Shortcut to Shortcut, 0.000V / 0.000V",
                     "testcase classname=board-0002.touch name=touch 16",
                     "failure message=Touch OFF, expected Touch ON text=expected: Touch ON\nmeasured: Touch OFF",
                 }));
        // Nothing of the writing is left beside the report.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.xml"});
    }

    void junitReportOfNoPart() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("empty.xml"));
        ctl::junit_report junit;
        QString error;
        QVERIFY2(junit.open(path, error), qPrintable(error));
        QVERIFY2(junit.commit(error), qPrintable(error));
        QCOMPARE(readReport(path), QStringList{"testsuites name=rx48p-ctl tests=0 failures=0 errors=0 time=0.000"});
    }

    // A dashboard must not read a part that is not on record, or a run cut short by trouble, as passed.
    void junitReportsWhatIsNotOnRecordAndTrouble() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("report.xml"));
        ctl::junit_report junit;
        QString error;
        QVERIFY2(junit.open(path, error), qPrintable(error));
        junit.addPart(QStringLiteral("part 1"), judged(0.5, goodPart, QStringLiteral("database is locked")));
        junit.addTrouble(QStringLiteral("run"), QStringLiteral("no serial port /dev/nope"));
        QVERIFY2(junit.commit(error), qPrintable(error));
        QCOMPARE(readReport(path),
                 (QStringList{"testsuites name=rx48p-ctl tests=4 failures=0 errors=2 time=0.500",
                              "testsuite name=part 1 tests=3 failures=0 errors=1 time=0.500",
                              "testcase classname=part 1 name=record",
                              "error message=not recorded: database is locked",
                              "testcase classname=part 1.pair name=pair 1-2",
                              "testcase classname=part 1.button name=button 12 (common 14)",
                              "testsuite name=run tests=1 failures=0 errors=1 time=0.000",
                              "testcase classname=run name=run",
                              "error message=no serial port /dev/nope"}));
    }

    void junitKeepsTheOldReportUntilCommit() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("report.xml"));
        static const char oldBytes[] = "<old report>\n\x01\xff kept byte for byte\n";
        const QByteArray old(oldBytes, sizeof oldBytes - 1);
        QVERIFY(writeFile(path, old));

        ctl::junit_report junit;
        QString error;
        QVERIFY2(junit.open(path, error), qPrintable(error));
        QCOMPARE(readAll(path), old);
        junit.addPart(QStringLiteral("board-0001"), judged(1.0, goodPart));
        QCOMPARE(readAll(path), old);
        QVERIFY2(junit.commit(error), qPrintable(error));
        QCOMPARE(readReport(path),
                 (QStringList{"testsuites name=rx48p-ctl tests=2 failures=0 errors=0 time=1.000",
                              "testsuite name=board-0001 tests=2 failures=0 errors=0 time=1.000",
                              "testcase classname=board-0001.pair name=pair 1-2",
                              "testcase classname=board-0001.button name=button 12 (common 14)"}));
    }

    void junitNeverCommittedLeavesTheOldReport() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("report.xml"));
        const QByteArray old("<testsuites name=\"earlier run\"/>\n");
        QVERIFY(writeFile(path, old));
        {
            auto junit = std::make_unique<ctl::junit_report>();
            QString error;
            QVERIFY2(junit->open(path, error), qPrintable(error));
            junit->addPart(QStringLiteral("board-0002"), judged(2.0, badPart));
        }
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.xml"});
    }

    void junitOpenInAMissingFolder() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("no such folder/report.xml"));
        ctl::junit_report junit;
        QString error;
        QVERIFY(!junit.open(path, error));
        QVERIFY(!junit.isOpen());
        QVERIFY2(error.startsWith(QStringLiteral("cannot write ") + path + QStringLiteral(": ")), qPrintable(error));
        QVERIFY2(error.size() > QStringLiteral("cannot write ").size() + path.size() + 2, qPrintable(error));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no such folder"))));
    }

    // ---- the port listing ----
    void listPorts() {
        PtyPair first;
        PtyPair second;
        const QString a = QString::fromStdString(first.slavePath());
        const QString b = QString::fromStdString(second.slavePath());
        QVERIFY(a.startsWith(QStringLiteral("/dev/pts/")));
        QVERIFY(b.startsWith(QStringLiteral("/dev/pts/")));
        const QString nameA = a.mid(5);
        const QString nameB = b.mid(5);
        serial_port_listing::set({first.slavePath(), second.slavePath()});

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ctl::output out;
        const QByteArray text = standardOutputOf(dir.filePath(QStringLiteral("text")), [&] { ctl::listPorts(out, false); });
        QVERIFY(!out.closed());
        QCOMPARE(QString::fromUtf8(text),
                 nameA + "\t" + a + "\t-\t-\t-\t-\n" + nameB + "\t" + b + "\t-\t-\t-\t-\n");

        const QByteArray json = standardOutputOf(dir.filePath(QStringLiteral("json")), [&] { ctl::listPorts(out, true); });
        QVERIFY(json.endsWith('\n'));
        const QList<QByteArray> records = json.trimmed().split('\n');
        QCOMPARE(records.size(), 2);
        const QString names[] = {nameA, nameB};
        const QString locations[] = {a, b};
        for (int i = 0; i < 2; ++i) {
            QJsonParseError parseError{};
            const QJsonDocument doc = QJsonDocument::fromJson(records.at(i), &parseError);
            QVERIFY2(parseError.error == QJsonParseError::NoError, records.at(i).constData());
            QVERIFY(doc.isObject());
            const QJsonObject o = doc.object();
            QCOMPARE(o.keys(), (QStringList{"description", "location", "manufacturer", "name", "serial_number",
                                            "usb_id"}));
            QCOMPARE(o.value("name").toString(), names[i]);
            QCOMPARE(o.value("location").toString(), locations[i]);
            QVERIFY(o.value("description").isNull());
            QVERIFY(o.value("manufacturer").isNull());
            QVERIFY(o.value("serial_number").isNull());
            QVERIFY(o.value("usb_id").isNull());
        }
    }

    void listOnePort() {
        PtyPair only;
        const QString path = QString::fromStdString(only.slavePath());
        serial_port_listing::set({only.slavePath()});
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ctl::output out;
        const QByteArray text = standardOutputOf(dir.filePath(QStringLiteral("one")), [&] { ctl::listPorts(out, false); });
        QCOMPARE(QString::fromUtf8(text), path.mid(5) + "\t" + path + "\t-\t-\t-\t-\n");
    }
};

QTEST_GUILESS_MAIN(CtlUnitsTest)
#include "tst_ctl_units.moc"
