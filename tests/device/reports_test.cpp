// The board's replies as the operator reads them: through the real window, from received bytes to the
// lines of the log console and their colour.

#include "main_window_probe.h"

#include "vexcom/vexcom_packetizer.h"

#include <QTextBlock>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

std::vector<uint8_t> bytes(const QByteArray& a) {
    return std::vector<uint8_t>(a.begin(), a.end());
}

QByteArray frame(int endpoint, const QByteArray& payload) {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    const auto f = vex_com::packetizer(cfg).packetize(static_cast<uint8_t>(endpoint), 1,
                                                       reinterpret_cast<const uint8_t*>(payload.constData()),
                                                       static_cast<std::size_t>(payload.size()));
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

const QString board = QStringLiteral("\tPing echo received\n\tRX48P board detected\n\tFW version : V");
const QString staticHeader = QStringLiteral("\tStatic measure received (ON_STATIC_MES)\n");
const QString buttonHeader = QStringLiteral("\tButton measure received (ON_BUTTON_MECH)\n");
const QString capHeader = QStringLiteral("\tCapacitive measure received (ON_BUTTON_CAP)\n");
const QByteArray example = QByteArray::fromHex("01 03 01 04 02 5a ff");
const QString exampleLines = QStringLiteral(
    "\t\t3 (Led anode) connected to 4 (Led cathode)\n\t\tVdrop(3->4) = 1.800V\n\t\tVdrop(4->3) = -0.020V");

}  // namespace

class ReportsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pinTypeName_data();
    void pinTypeName();
    void report_data();
    void report();
    void reportFollowsTheChunkThatCompletesIt();
    void goodFrameAfterBadOne_data();
    void goodFrameAfterBadOne();
    void connectionRestartsHeaderSearch();

private:
    void receive(const QByteArray& chunk) { window->onDataReceived(bytes(chunk)); }
    QStringList lines() const;
    QList<QColor> colours() const;

    std::unique_ptr<MainWindow> window;
};

void ReportsTest::init() {
    window = std::make_unique<MainWindow>();
}

void ReportsTest::cleanup() {
    window.reset();
}

QStringList ReportsTest::lines() const {
    QStringList out;
    for (QTextBlock b = MainWindowProbe::console(*window).document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

QList<QColor> ReportsTest::colours() const {
    QList<QColor> out;
    for (QTextBlock b = MainWindowProbe::console(*window).document()->begin(); b.isValid(); b = b.next()) {
        // An empty line has no fragment; its block carries the format it was started with.
        const QTextCharFormat f = b.begin().atEnd() ? b.charFormat() : b.begin().fragment().charFormat();
        out << f.foreground().color();
    }
    return out;
}

void ReportsTest::pinTypeName_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    const QList<QPair<int, QString>> known{{0, "not connected"}, {1, "Led anode"},       {2, "Led cathode"},
                                           {3, "Led bidirectionnel"}, {4, "Shortcut"},  {5, "Common"},
                                           {0x10, "Button OFF"},    {0x11, "Button ON"}, {0x20, "Touch OFF"},
                                           {0x21, "Touch ON"}};
    for (const auto& k : known)
        QTest::addRow("0x%02x", k.first) << k.first << k.second;
    for (int code : {6, 0x0F, 0x12, 0x1F, 0x22, 0x80, 0xFF})
        QTest::addRow("0x%02x", code) << code << QString();
}

void ReportsTest::pinTypeName() {
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(window->pinTypeName(static_cast<uint8_t>(code)), name);
}

void ReportsTest::report_data() {
    QTest::addColumn<int>("endpoint");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");

    const QList<QPair<int, QString>> fixed{{0xFF, "\tACK IDLE"},
                                           {0x01, "\tACK config received"},
                                           {0x02, "\tACK DETECT_INSERT"},
                                           {0x04, "\tACK MES_STATIC"},
                                           {0x06, "\tACK MES_BUTTON_MECH"},
                                           {0x08, "\tACK MES_BUTTON_CAP"},
                                           {0x0A, "\tACK DETECT_REMOVE"},
                                           {0x0D, "\tACK BUZ_ER"},
                                           {0x0E, "\tACK BUZ_OK"},
                                           {0x03, "\tInsertion detected (ON_INSERT)"},
                                           {0x0B, "\tRemove detected (ON_REMOVE)"},
                                           {0x0C, "\tCalibration done (ON_CALIB_DONE)"}};
    for (const auto& f : fixed) {
        QTest::addRow("0x%02x empty", f.first) << f.first << QByteArray() << f.second;
        QTest::addRow("0x%02x with bytes", f.first) << f.first << QByteArray("\x00\xff\x55", 3) << f.second;
    }

    QTest::newRow("ping 1.2.3") << 0x00 << QByteArray("RX48P\x01\x02\x03") << board + "1.2.3";
    QTest::newRow("ping 0.10.255") << 0x00 << QByteArray("RX48P\x00\x0a\xff", 8) << board + "0.10.255";
    QTest::newRow("ping ninth byte") << 0x00 << QByteArray("RX48P\x01\x02\x03\x09") << board + "1.2.3";
    QTest::newRow("ping other name") << 0x00 << QByteArray("RX48Q\x01\x02\x03") << board + "255.255.255";
    QTest::newRow("ping shorter than the name") << 0x00 << QByteArray("RX4") << board + "255.255.255";
    QTest::newRow("ping empty") << 0x00 << QByteArray() << board + "255.255.255";
    const QString pingShort = QStringLiteral("\tIncomplete ping echo (ID) received, not decoded");
    QTest::newRow("ping name only") << 0x00 << QByteArray("RX48P") << pingShort;
    QTest::newRow("ping seven bytes") << 0x00 << QByteArray("RX48P\x01\x02") << pingShort;

    QTest::newRow("static none") << 0x05 << QByteArray(1, '\0') << staticHeader;
    QTest::newRow("static example") << 0x05 << example << staticHeader + exampleLines;
    QTest::newRow("button example") << 0x07 << example << buttonHeader + exampleLines;
    QTest::newRow("static extremes") << 0x05 << QByteArray::fromHex("01 80 06 05 00 7f 81")
                                     << staticHeader + "\t\t-128 () connected to 5 (not connected)\n"
                                                       "\t\tVdrop(-128->5) = 2.540V\n\t\tVdrop(5->-128) = -2.540V";
    QTest::newRow("button two records, extra bytes")
        << 0x07 << QByteArray::fromHex("02 ff 20 7f 21 80 00 00 11 01 10 01 ff aa bb")
        << buttonHeader + "\t\t-1 (Touch OFF) connected to 127 (Touch ON)\n\t\tVdrop(-1->127) = -2.560V\n"
                          "\t\tVdrop(127->-1) = 0.000V\n\t\t0 (Button ON) connected to 1 (Button OFF)\n"
                          "\t\tVdrop(0->1) = 0.020V\n\t\tVdrop(1->0) = -0.020V";
    const QString staticShort = QStringLiteral("\tIncomplete static measure (ON_STATIC_MES) received, not decoded");
    const QString buttonShort = QStringLiteral("\tIncomplete button measure (ON_BUTTON_MECH) received, not decoded");
    QTest::newRow("static empty") << 0x05 << QByteArray() << staticShort;
    QTest::newRow("static count 2, one record") << 0x05 << example.left(7).replace(0, 1, "\x02") << staticShort;
    QTest::newRow("button record cut short") << 0x07 << example.left(6) << buttonShort;

    QTest::newRow("capacitive example") << 0x09 << QByteArray::fromHex("02 00 21 05 20")
                                        << capHeader + "\t\t0 (Touch ON)\n\t\t5 (Touch OFF)";
    QTest::newRow("capacitive none") << 0x09 << QByteArray(1, '\0') << capHeader;
    QTest::newRow("capacitive extremes, extra byte") << 0x09 << QByteArray::fromHex("02 80 11 7f 07 00")
                                                     << capHeader + "\t\t-128 (Button ON)\n\t\t127 ()";
    const QString capShort = QStringLiteral("\tIncomplete capacitive measure (ON_BUTTON_CAP) received, not decoded");
    QTest::newRow("capacitive empty") << 0x09 << QByteArray() << capShort;
    QTest::newRow("capacitive count 3, one record") << 0x09 << QByteArray::fromHex("03 00 01 02") << capShort;

    for (int unknown : {0x0F, 0x10, 0xAB, 0xFE})
        QTest::addRow("unknown 0x%02x", unknown)
            << unknown << QByteArray("RX48P\x01\x02\x03")
            << QStringLiteral("\tUnknown message received (endpoint 0x%1), ignored").arg(unknown, 2, 16, QLatin1Char('0'));
}

void ReportsTest::report() {
    QFETCH(int, endpoint);
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    const QByteArray f = frame(endpoint, payload);
    receive(f);
    const QStringList expected = QStringList{"<= " + QString::fromLatin1(f.toHex(':'))} + text.split('\n');
    QCOMPARE(lines(), expected);
    for (const QColor& c : colours())
        QCOMPARE(c, QColor(Qt::red));
}

void ReportsTest::reportFollowsTheChunkThatCompletesIt() {
    const QByteArray ack = frame(0x04, {});
    receive(ack.left(2));
    receive(ack.mid(2, 4));
    QCOMPARE(lines(), (QStringList{"<= 55:00", "<= 04:04:01:c1"}));
    receive(ack.mid(6));
    window->onDataSent("55:00:04:ff:01:0e:d1");
    receive(frame(0xFF, {}));
    QCOMPARE(lines(), (QStringList{"<= 55:00", "<= 04:04:01:c1", "<= ea", "\tACK MES_STATIC",
                                   "=> 55:00:04:ff:01:0e:d1", "<= 55:00:04:ff:01:0e:d1", "\tACK IDLE"}));
    const QColor red(Qt::red), blue(Qt::blue);
    QCOMPARE(colours(), (QList<QColor>{red, red, red, red, blue, red, red}));
}

void ReportsTest::goodFrameAfterBadOne_data() {
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<QStringList>("reports");
    const QByteArray idle = frame(0xFF, {});
    const QString unknown = QStringLiteral("\tUnknown message received (endpoint 0x10), ignored");
    const QString staticShort = QStringLiteral("\tIncomplete static measure (ON_STATIC_MES) received, not decoded");
    QByteArray badCrc = idle;
    badCrc[6] = 0;

    QTest::newRow("unknown endpoint") << QList<QByteArray>{frame(0x10, {}), idle} << QStringList{unknown, "\tACK IDLE"};
    QTest::newRow("short payload") << QList<QByteArray>{frame(0x05, {}), idle} << QStringList{staticShort, "\tACK IDLE"};
    QTest::newRow("bad CRC, silently") << QList<QByteArray>{badCrc, idle} << QStringList{"\tACK IDLE"};
    QTest::newRow("two bad, noise, then a measure")
        << QList<QByteArray>{frame(0x10, {}), frame(0x05, "\x01"), QByteArray::fromHex("00 13"), frame(0x05, example)}
        << QStringList{unknown, staticShort, staticHeader + exampleLines};
}

void ReportsTest::goodFrameAfterBadOne() {
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QStringList, reports);
    const QStringList expected = reports.join('\n').split('\n');
    for (bool oneChunk : {true, false}) {
        MainWindowProbe::console(*window).clear();
        if (oneChunk)
            receive(frames.join());
        else
            for (const QByteArray& f : frames)
                receive(f);
        QStringList shown = lines();
        shown.erase(std::remove_if(shown.begin(), shown.end(), [](const QString& l) { return l.startsWith("<= "); }),
                    shown.end());
        QCOMPARE(shown, expected);
    }
}

void ReportsTest::connectionRestartsHeaderSearch() {
    receive(QByteArray::fromHex("55 00"));  // a frame cut off by the end of the last connection
    window->onRX48PConneted();
    receive(frame(0xFF, {}));
    QCOMPARE(lines().last(), QStringLiteral("\tACK IDLE"));
}

QTEST_MAIN(ReportsTest)
#include "reports_test.moc"
