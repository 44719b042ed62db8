// The board's replies as the operator reads them: through the real window, from received bytes to the
// console's lines and their colour.

#include "main_window_probe.h"

#include "device/protocol_config.h"
#include "vexcom/vexcom_packetizer.h"

#include <QTextBlock>
#include <QtTest>

#include <memory>

namespace {

QByteArray frame(int endpoint, const QByteArray& payload) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(payload.constData());
    const auto f = vex_com::packetizer(tarnwell::protocolConfig()).packetize(uint8_t(endpoint), 1, bytes, std::size_t(payload.size()));
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

const QString ping = "\tPing echo received\n\tRX48P board detected\n\tFW version : V";
const QString staticHead = "\tStatic measure received (ON_STATIC_MES)\n";
const QString buttonHead = "\tButton measure received (ON_BUTTON_MECH)\n";
const QString capHead = "\tCapacitive measure received (ON_BUTTON_CAP)\n";
const QByteArray example = QByteArray::fromHex("01 03 01 04 02 5a ff");
const QString exampleText = "\t\t3 (Led anode) connected to 4 (Led cathode)\n\t\tVdrop(3->4) = 1.800V\n"
                            "\t\tVdrop(4->3) = -0.020V";
QString incomplete(const char* what) { return QStringLiteral("\tIncomplete %1 received, not decoded").arg(what); }
QString unknown(int endpoint) {
    return QStringLiteral("\tUnknown message received (endpoint 0x%1), ignored").arg(endpoint, 2, 16, QLatin1Char('0'));
}

}  // namespace

class ReportsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<MainWindow> window;

    void receive(const QByteArray& chunk) { window->onDataReceived(std::vector<uint8_t>(chunk.begin(), chunk.end())); }
    QStringList lines(QList<QColor>* colours = nullptr) const {
        QStringList out;
        for (QTextBlock b = MainWindowProbe::console(*window).document()->begin(); b.isValid(); b = b.next()) {
            out << b.text();
            // An empty line has no fragment; its block keeps the format it was started with.
            if (colours)
                *colours << (b.begin().atEnd() ? b.charFormat() : b.begin().fragment().charFormat()).foreground().color();
        }
        return out;
    }

private slots:
    void init() { window = std::make_unique<MainWindow>(); }

    void report_data() {
        QTest::addColumn<int>("endpoint");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("text");
        const QList<QPair<int, QString>> fixed{
            {0xFF, "\tACK IDLE"},           {0x01, "\tACK config received"},
            {0x02, "\tACK DETECT_INSERT"},  {0x04, "\tACK MES_STATIC"},
            {0x06, "\tACK MES_BUTTON_MECH"}, {0x08, "\tACK MES_BUTTON_CAP"},
            {0x0A, "\tACK DETECT_REMOVE"},  {0x0D, "\tACK BUZ_ER"},
            {0x0E, "\tACK BUZ_OK"},         {0x03, "\tInsertion detected (ON_INSERT)"},
            {0x0B, "\tRemove detected (ON_REMOVE)"}, {0x0C, "\tCalibration done (ON_CALIB_DONE)"}};
        for (const auto& f : fixed) {
            QTest::addRow("0x%02x empty", f.first) << f.first << QByteArray() << f.second;
            QTest::addRow("0x%02x with bytes", f.first) << f.first << QByteArray("\x00\xff\x55", 3) << f.second;
        }

        QTest::newRow("ping 1.2.3") << 0x00 << QByteArray("RX48P\x01\x02\x03") << ping + "1.2.3";
        QTest::newRow("ping 0.10.255") << 0x00 << QByteArray("RX48P\x00\x0a\xff", 8) << ping + "0.10.255";
        QTest::newRow("ping ninth byte") << 0x00 << QByteArray("RX48P\x01\x02\x03\x09") << ping + "1.2.3";
        QTest::newRow("ping other name") << 0x00 << QByteArray("RX48Q\x01\x02\x03") << ping + "255.255.255";
        QTest::newRow("ping shorter than the name") << 0x00 << QByteArray("RX4") << ping + "255.255.255";
        QTest::newRow("ping empty") << 0x00 << QByteArray() << ping + "255.255.255";
        QTest::newRow("ping name only") << 0x00 << QByteArray("RX48P") << incomplete("ping echo (ID)");
        QTest::newRow("ping seven bytes") << 0x00 << QByteArray("RX48P\x01\x02") << incomplete("ping echo (ID)");

        QTest::newRow("static none") << 0x05 << QByteArray(1, '\0') << staticHead;
        QTest::newRow("static example") << 0x05 << example << staticHead + exampleText;
        QTest::newRow("button example") << 0x07 << example << buttonHead + exampleText;
        QTest::newRow("static extremes") << 0x05 << QByteArray::fromHex("01 80 06 05 00 7f 81")
                                         << staticHead + "\t\t-128 () connected to 5 (not connected)\n"
                                                         "\t\tVdrop(-128->5) = 2.540V\n\t\tVdrop(5->-128) = -2.540V";
        QTest::newRow("button two records, extra bytes")
            << 0x07 << QByteArray::fromHex("02 ff 20 7f 21 80 00 00 11 01 10 01 ff aa bb")
            << buttonHead + "\t\t-1 (Touch OFF) connected to 127 (Touch ON)\n\t\tVdrop(-1->127) = -2.560V\n"
                            "\t\tVdrop(127->-1) = 0.000V\n\t\t0 (Button ON) connected to 1 (Button OFF)\n"
                            "\t\tVdrop(0->1) = 0.020V\n\t\tVdrop(1->0) = -0.020V";
        QTest::newRow("static empty") << 0x05 << QByteArray() << incomplete("static measure (ON_STATIC_MES)");
        QTest::newRow("static count 2, one record") << 0x05 << QByteArray::fromHex("02 03 01 04 02 5a ff")
                                                    << incomplete("static measure (ON_STATIC_MES)");
        QTest::newRow("button record cut") << 0x07 << example.left(6) << incomplete("button measure (ON_BUTTON_MECH)");

        QTest::newRow("capacitive example") << 0x09 << QByteArray::fromHex("02 00 21 05 20")
                                            << capHead + "\t\t0 (Touch ON)\n\t\t5 (Touch OFF)";
        QTest::newRow("capacitive none") << 0x09 << QByteArray(1, '\0') << capHead;
        QTest::newRow("capacitive extremes, other names, extra byte") << 0x09 << QByteArray::fromHex("05 80 11 7f 22 ff 03 01 04 02 05 00")
                                                         << capHead + "\t\t-128 (Button ON)\n\t\t127 ()\n"
                                                                      "\t\t-1 (Led bidirectionnel)\n\t\t1 (Shortcut)\n\t\t2 (Common)";
        QTest::newRow("capacitive empty") << 0x09 << QByteArray() << incomplete("capacitive measure (ON_BUTTON_CAP)");
        QTest::newRow("capacitive count 3, one record")
            << 0x09 << QByteArray::fromHex("03 00 01 02") << incomplete("capacitive measure (ON_BUTTON_CAP)");

        for (int endpoint : {0x0F, 0x10, 0xAB, 0xFE})
            QTest::addRow("unknown 0x%02x", endpoint) << endpoint << QByteArray("RX48P\x01\x02\x03") << unknown(endpoint);
    }
    void report() {
        QFETCH(int, endpoint);
        QFETCH(QByteArray, payload);
        QFETCH(QString, text);
        const QByteArray f = frame(endpoint, payload);
        receive(f);
        QList<QColor> colours;
        QCOMPARE(lines(&colours), QStringList("<= " + QString::fromLatin1(f.toHex(':'))) + text.split('\n'));
        QCOMPARE(colours.count(QColor(Qt::red)), colours.size());
    }

    void reportFollowsTheChunkThatCompletesIt() {
        const QByteArray ack = frame(0x04, {});
        receive(ack.left(2));
        receive(ack.mid(2, 4));
        QCOMPARE(lines(), (QStringList{"<= 55:00", "<= 04:04:01:c1"}));
        receive(ack.mid(6));
        window->onDataSent("55:00:04:ff:01:0e:d1");
        receive(frame(0xFF, {}));
        QList<QColor> colours;
        QCOMPARE(lines(&colours), (QStringList{"<= 55:00", "<= 04:04:01:c1", "<= ea", "\tACK MES_STATIC",
                                               "=> 55:00:04:ff:01:0e:d1", "<= 55:00:04:ff:01:0e:d1", "\tACK IDLE"}));
        const QColor red(Qt::red), blue(Qt::blue);
        QCOMPARE(colours, (QList<QColor>{red, red, red, red, blue, red, red}));
    }

    // Each incident is reported and parsing goes on, whether the frames share a chunk or not.
    void goodFramesAfterBadOnes() {
        QByteArray badCrc = frame(0xFF, {});
        badCrc[6] = 0;
        const QList<QByteArray> frames{badCrc, frame(0x10, {}), frame(0x05, "\x01"), QByteArray::fromHex("00 13"),
                                       frame(0x05, example), frame(0xFF, {})};
        const QStringList reports = (unknown(0x10) + "\n" + incomplete("static measure (ON_STATIC_MES)") + "\n" +
                                     staticHead + exampleText + "\n\tACK IDLE").split('\n');
        for (bool oneChunk : {true, false}) {
            MainWindowProbe::console(*window).clear();
            for (const QByteArray& chunk : oneChunk ? QList<QByteArray>{frames.join()} : frames)
                receive(chunk);
            QCOMPARE(lines().filter(QRegularExpression("^(?!<= )")), reports);
        }
    }

    void connectionRestartsHeaderSearch() {
        receive(QByteArray::fromHex("55 00"));  // a frame cut off by the end of the last connection
        window->onRX48PConneted();
        receive(frame(0xFF, {}));
        QCOMPARE(lines().last(), QStringLiteral("\tACK IDLE"));
    }
};

QTEST_MAIN(ReportsTest)
#include "reports_test.moc"
