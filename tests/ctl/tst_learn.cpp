// rx48p-ctl learn against rx48p-board-sim playing the parts in tests/parts: the learned file against the
// part file the simulator played, samples that disagree, the output file, signals and trouble.

#include "ctl_run.h"

#include "device/part_file.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <set>
#include <sstream>
#include <tuple>

namespace {

const QString idle = QStringLiteral("55:00:04:ff:01:0e:d1");

// The last frame the board received; the log is read as it comes, so a test waits for the IDLE that
// ends every run before it counts.
QString lastFrame(BoardSim& sim) {
    const QStringList frames = sim.framesReceived();
    return frames.isEmpty() ? QString() : frames.last();
}

QByteArray content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A part's items in a form that ignores their order and, for pairs, which pin is named first.
using pair_key = std::tuple<int, int, int, int, int, int>;
struct part_items {
    std::set<pair_key> pairs;
    std::set<std::tuple<int, int, bool>> buttons;
    std::set<std::pair<int, bool>> pads;
};

part_items items(const tarnwell::part_description& part) {
    part_items out;
    for (const tarnwell::pin_pair_record& p : part.pairs) {
        if (p.pin_a <= p.pin_b)
            out.pairs.insert({p.pin_a, p.type_a, p.pin_b, p.type_b, p.vdrop_ab, p.vdrop_ba});
        else
            out.pairs.insert({p.pin_b, p.type_b, p.pin_a, p.type_a, p.vdrop_ba, p.vdrop_ab});
    }
    for (const tarnwell::button_spec& b : part.buttons)
        out.buttons.insert({b.pin, b.common, b.pressed});
    for (const tarnwell::touch_pad& t : part.pads)
        out.pads.insert({t.pin, t.touched});
    return out;
}

tarnwell::part_description parsed(const QString& text) {
    std::istringstream in(text.toStdString());
    return tarnwell::parsePart(in, "learned");
}

QString pairsText(const part_items& p) {
    QStringList out;
    for (const pair_key& k : p.pairs)
        out << QStringLiteral("%1/%2-%3/%4 %5 %6")
                   .arg(std::get<0>(k)).arg(std::get<1>(k)).arg(std::get<2>(k)).arg(std::get<3>(k))
                   .arg(std::get<4>(k)).arg(std::get<5>(k));
    return out.join(QStringLiteral(", "));
}

// Equal items, each kind compared on its own so that a failure says which.
bool sameItems(const tarnwell::part_description& learned, const tarnwell::part_description& original) {
    const part_items l = items(learned), o = items(original);
    if (l.pairs != o.pairs)
        qWarning("pairs: learned %s, original %s", qPrintable(pairsText(l)), qPrintable(pairsText(o)));
    if (l.buttons != o.buttons)
        qWarning("buttons differ");
    if (l.pads != o.pads)
        qWarning("pads differ");
    return l.pairs == o.pairs && l.buttons == o.buttons && l.pads == o.pads;
}

}  // namespace

class LearnTest : public QObject {
    Q_OBJECT
    QTemporaryDir journal;
private slots:
    // The parts that check judges go on record; run by hand, not in the user's data folder.
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("RX48P_RESULTS"))
            qputenv("RX48P_RESULTS", journal.filePath(QStringLiteral("results.sqlite")).toLocal8Bit());
    }
    // Each part file as the simulator's part: what is learned is that part, and check passes it.
    void learnsEveryKnownPart_data();
    void learnsEveryKnownPart();
    // To standard output, and as JSON Lines records.
    void standardOutputAndRecords();
    void measureChoosesTheMeasures();
    // Drops that vary between samples: the median, and a warning for a wide spread.
    void dropsAreMedians();
    void samplesThatDisagree_data();
    void samplesThatDisagree();
    void anExistingOutputFile();
    void signalBeforeTheLastSample_data();
    void signalBeforeTheLastSample();
    void troubleWritesNothing();
    void badUsage_data();
    void badUsage();
};

void LearnTest::learnsEveryKnownPart_data() {
    QTest::addColumn<QString>("name");
    // The good part holds every kind of item and state; each fault's own reading is the learner's.
    QTest::newRow("good") << "good";
}

void LearnTest::learnsEveryKnownPart() {
    QFETCH(QString, name);
    const tarnwell::part_description original = tarnwell::readPartFile(partFile(name).toStdString());
    BoardSim sim;
    const QString port = sim.start(simParts({name}));
    QVERIFY(!port.isEmpty());
    QTemporaryDir dir;
    const QString learnedFile = dir.filePath(QStringLiteral("learned.device"));

    const Finished run = Ctl({"--port", port, "learn", "--samples", "3", "--output", learnedFile}).finish();
    QVERIFY(run.exited());
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, QString());
    const QStringList progress = lines(run.err);
    QCOMPARE(matching(progress, "sample ").size(), 3);
    QCOMPARE(progress.first(), QStringLiteral("sample 1 of 3: %1 pairs, %2 buttons, %3 touch pads")
                                   .arg(original.pairs.size()).arg(original.buttons.size()).arg(original.pads.size()));
    QTRY_COMPARE(lastFrame(sim), idle);
    QCOMPARE(sim.buzzers(), (QStringList{"BUZ_OK", "BUZ_OK", "BUZ_OK"}));
    QCOMPARE(sim.received("DETECT_REMOVE"), 3);

    tarnwell::part_description learned;
    try {
        learned = tarnwell::readPartFile(learnedFile.toStdString());
    } catch (const tarnwell::part_file_error& e) {
        QFAIL(e.what());
    }
    QVERIFY(sameItems(learned, original));
    QCOMPARE(int(learned.firmware.major), int(original.firmware.major));
    QCOMPARE(int(learned.firmware.minor), int(original.firmware.minor));
    QCOMPARE(int(learned.firmware.patch), int(original.firmware.patch));
    QVERIFY(learned.check && learned.check->static_pins && learned.check->buttons && learned.check->touch);
    const QString text = QString::fromUtf8(content(learnedFile));
    QVERIFY2(text.startsWith(QLatin1String("# Learned by rx48p-ctl learn on ")), qPrintable(text));
    QVERIFY(text.contains(QLatin1String(" UTC from 3 samples (sensitivity 64).")));
    QCOMPARE(text.count(QStringLiteral("  # spread 0.00 / 0.00\n")), int(original.pairs.size()));

    const Finished check = Ctl({"--port", port, "check", learnedFile}).finish();
    QCOMPARE(check.err, QString());
    QCOMPARE(check.code, 0);
    QVERIFY2(lines(check.out).last().startsWith(QLatin1String("PASS: ")), qPrintable(check.out));
}

void LearnTest::standardOutputAndRecords() {
    const tarnwell::part_description original = tarnwell::readPartFile(partFile("good").toStdString());
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}) + QStringList{"--firmware", "2.0.7"});
    QVERIFY(!port.isEmpty());

    const Finished run = Ctl({"--port", port, "learn", "--sensitivity", "90", "--buzzer", "10"}).finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(lines(run.err), (QStringList{"sample 1 of 1: 4 pairs, 2 buttons, 2 touch pads",
                                          "learned from 1 sample: 4 pairs, 2 buttons, 2 touch pads"}));
    const tarnwell::part_description learned = parsed(run.out);
    QVERIFY(sameItems(learned, original));
    QCOMPARE(QString::fromStdString(tarnwell::partText(learned)).section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("firmware 2.0.7"));
    QVERIFY(run.out.contains(QLatin1String("(sensitivity 90)")));
    QTRY_COMPARE(lastFrame(sim), idle);
    QVERIFY(sim.framesReceived().at(1).startsWith(QLatin1String("55:00:06:01:5a:0a:01:")));  // CFG 90, 10

    const Finished json = Ctl({"--json", "--port", port, "learn", "--samples", "2"}).finish();
    QCOMPARE(json.code, 0);
    const QStringList records = lines(json.out);
    QCOMPARE(records.size(), 3);
    QStringList kinds;
    for (const QString& line : records)
        kinds << QJsonDocument::fromJson(line.toUtf8()).object().value("record").toString();
    QCOMPARE(kinds, (QStringList{"sample", "sample", "learned"}));
    const QJsonObject second = QJsonDocument::fromJson(records.at(1).toUtf8()).object();
    QCOMPARE(second.value("sample").toInt(), 2);
    QCOMPARE(second.value("pairs").toArray().size(), 4);
    const QJsonObject led = second.value("pairs").toArray().at(0).toObject();
    QCOMPARE(led.value("pin_a").toInt(), 1);
    QCOMPARE(led.value("type_b").toObject().value("name").toString(), QStringLiteral("Led cathode"));
    QCOMPARE(led.value("vdrop_ab").toDouble(), 1.8);
    QCOMPARE(second.value("buttons").toArray().at(0).toObject(),
             (QJsonObject{{"pin", 12}, {"common", 14}, {"pressed", true}}));
    QCOMPARE(second.value("pads").toArray(),
             (QJsonArray{QJsonObject{{"pin", 16}, {"touched", true}}, QJsonObject{{"pin", 17}, {"touched", false}}}));
    const QJsonObject learnedRecord = QJsonDocument::fromJson(records.last().toUtf8()).object();
    QCOMPARE(learnedRecord.value("samples").toInt(), 2);
    QCOMPARE(learnedRecord.value("firmware").toString(), QStringLiteral("2.0.7"));
    QCOMPARE(learnedRecord.value("file"), QJsonValue(QJsonValue::Null));
    QCOMPARE(learnedRecord.value("warnings").toArray(), QJsonArray{});
    QCOMPARE(learnedRecord.value("pairs").toArray().at(2).toObject().value("spread_ba").toDouble(), 0.0);
    QVERIFY(sameItems(parsed(learnedRecord.value("text").toString()), original));
}

void LearnTest::measureChoosesTheMeasures() {
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    const Finished run = Ctl({"--port", port, "learn", "--measure", "touch,button"}).finish();
    QCOMPARE(run.code, 0);
    const tarnwell::part_description learned = parsed(run.out);
    QVERIFY(learned.check && !learned.check->static_pins && learned.check->buttons && learned.check->touch);
    QVERIFY(learned.pairs.empty());
    QCOMPARE(learned.buttons.size(), std::size_t(2));
    QCOMPARE(learned.pads.size(), std::size_t(2));
    QTRY_COMPARE(lastFrame(sim), idle);
    QCOMPARE(sim.received("MES_STATIC"), 0);
    QCOMPARE(sim.received("MES_BUTTON_MECH"), 1);
    QCOMPARE(sim.received("MES_BUTTON_CAP"), 1);
    QCOMPARE(matching(lines(run.err), "sample "), QStringList{"sample 1 of 1: 2 buttons, 2 touch pads"});
}

void LearnTest::dropsAreMedians() {
    QTemporaryDir dir;
    const QString learnedFile = dir.filePath(QStringLiteral("learned.device"));
    const QString warning =
        QStringLiteral("rx48p-ctl: warning: pair 1-2: Vdrop(1->2) spread 0.20 V over %1 samples (1.80 V to 2.00 V), "
                       "more than 0.05 V");
    // good drops 1.80 V on 1-2, drop-out 2.00 V: the median of three is 2.00 V.
    {
        BoardSim sim;
        const QString port = sim.start(simParts({"good", "drop-out", "drop-out"}));
        QVERIFY(!port.isEmpty());
        const Finished run = Ctl({"--port", port, "learn", "--samples", "3", "--output", learnedFile}).finish();
        QCOMPARE(run.code, 0);
        QCOMPARE(matching(lines(run.err), "rx48p-ctl: "), QStringList{warning.arg(3)});
        QVERIFY(sameItems(tarnwell::readPartFile(learnedFile.toStdString()),
                          tarnwell::readPartFile(partFile("drop-out").toStdString())));
        QVERIFY(content(learnedFile).contains("pair 1 anode 2 cathode 2.00 -0.02  # spread 0.20 / 0.00\n"));
    }
}

void LearnTest::samplesThatDisagree_data() {
    QTest::addColumn<QStringList>("sequence");  // the simulator's parts, one per sample
    QTest::addColumn<QString>("problem");
    QTest::newRow("a pair missing") << QStringList{"good", "good", "missing-pair"} << "sample 3: pair 5-6 missing (open)";
    QTest::newRow("a pad") << QStringList{"good", "touch-wrong", "good"}
                           << "sample 2: touch 17 is Touch ON, Touch OFF in sample 1";
}

// No file, exit 1, the first difference on standard error; the run stops at that sample, which gets no
// buzzer, and the board is left idle.
void LearnTest::samplesThatDisagree() {
    QFETCH(QStringList, sequence);
    QFETCH(QString, problem);
    BoardSim sim;
    const QString port = sim.start(simParts(sequence));
    QVERIFY(!port.isEmpty());
    QTemporaryDir dir;
    const QString learnedFile = dir.filePath(QStringLiteral("learned.device"));
    const Finished run = Ctl({"--port", port, "learn", "--samples", "3", "--output", learnedFile}).finish();
    QVERIFY(run.exited());
    QCOMPARE(run.code, 1);
    QCOMPARE(run.out, QString());
    const QStringList err = lines(run.err);
    QVERIFY(!err.isEmpty());
    QCOMPARE(err.last(), QStringLiteral("rx48p-ctl: ") + problem);
    const int bad = problem.section(QLatin1Char(' '), 1, 1).remove(QLatin1Char(':')).toInt();
    QCOMPARE(matching(err, "sample ").size(), bad);
    QVERIFY(!QFileInfo::exists(learnedFile));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
    QTRY_COMPARE(lastFrame(sim), idle);
    QStringList oks;
    for (int i = 1; i < bad; ++i)
        oks << QStringLiteral("BUZ_OK");
    QCOMPARE(sim.buzzers(), oks);
}

// Refused before the port is opened, the file untouched; --force replaces it.
void LearnTest::anExistingOutputFile() {
    QTemporaryDir dir;
    const QString learnedFile = dir.filePath(QStringLiteral("learned.device"));
    const QByteArray earlier = "# an earlier part\nfirmware 1.0.0\ncheck static\n";
    {
        QFile file(learnedFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());

    const Finished refused = Ctl({"--port", port, "learn", "--output", learnedFile}).finish();
    QVERIFY(refused.exited());
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains(learnedFile + QStringLiteral(" exists already; --force replaces it")),
             qPrintable(refused.err));
    QCOMPARE(content(learnedFile), earlier);
    QVERIFY(!sim.log().contains(QStringLiteral("terminal opened the line")));

    const Finished replaced = Ctl({"--port", port, "learn", "--output", learnedFile, "--force"}).finish();
    QCOMPARE(replaced.code, 0);
    QVERIFY(sameItems(tarnwell::readPartFile(learnedFile.toStdString()),
                      tarnwell::readPartFile(partFile("good").toStdString())));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"learned.device"});
}

void LearnTest::signalBeforeTheLastSample_data() {
    QTest::addColumn<int>("sig");
    QTest::newRow("Ctrl-C") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

// Two of three samples measured: the run ends by the signal, nothing is written, the board is idle.
void LearnTest::signalBeforeTheLastSample() {
    QFETCH(int, sig);
    BoardSim sim;
    // Slow measures, so that the signal comes while the third sample is in hand.
    const QString port = sim.start({"--event-delay", "400", "--calib-delay", "0", "--device", partFile("good")});
    QVERIFY(!port.isEmpty());
    QTemporaryDir dir;
    const QString learnedFile = dir.filePath(QStringLiteral("learned.device"));
    Ctl ctl({"--port", port, "learn", "--samples", "3", "--output", learnedFile});
    QVERIFY(QTest::qWaitFor([&] { return sim.received("DETECT_INSERT") == 3; }, 20000));
    ctl.signal(sig);
    const Finished run = ctl.finish();
    QCOMPARE(run.signal, sig);
    QCOMPARE(run.out, QString());
    QVERIFY2(matching(lines(run.err), "sample ").size() >= 2, qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(learnedFile));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
    QTRY_COMPARE(lastFrame(sim), idle);
}

// The board stops answering, or was never there: its exit code, and no file.
void LearnTest::troubleWritesNothing() {
    QTemporaryDir dir;
    const QString learnedFile = dir.filePath(QStringLiteral("learned.device"));
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}) + QStringList{"--no-reply", "MES_BUTTON_CAP"});
    QVERIFY(!port.isEmpty());
    Finished run = Ctl({"--port", port, "--timeout", "300", "learn", "--output", learnedFile}).finish();
    QVERIFY(run.exited());
    QCOMPARE(run.code, 3);
    QVERIFY2(run.err.contains(QLatin1String("waited 300 ms for the acknowledgement of MES_BUTTON_CAP")), qPrintable(run.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});

    run = Ctl({"--port", dir.filePath(QStringLiteral("no-such-port")), "learn", "--output", learnedFile}).finish();
    QCOMPARE(run.code, 4);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
}

void LearnTest::badUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");
    QTest::newRow("unknown measure") << QStringList{"learn", "--measure", "static,weight"}
                                     << "--measure: unknown measure 'weight'";
    QTest::newRow("empty measure") << QStringList{"learn", "--measure", "static,"} << "--measure: unknown measure ''";
    QTest::newRow("no samples") << QStringList{"learn", "--samples", "0"} << "--samples: 0 is out of range (1 to 1000)";
    QTest::newRow("too many samples") << QStringList{"learn", "--samples", "1001"}
                                      << "--samples: 1001 is out of range (1 to 1000)";
    QTest::newRow("sensitivity") << QStringList{"learn", "--sensitivity", "129"} << "--sensitivity: 129 is out of range";
    QTest::newRow("an argument") << QStringList{"learn", "good.device"} << "learn: unexpected argument 'good.device'";
    QTest::newRow("raw frames on the part") << QStringList{"--raw", "learn"} << "learn --raw needs --output FILE";
    QTest::newRow("unwritable output") << QStringList{"learn", "--output", "/nonexistent/dir/learned.device"}
                                       << "cannot write /nonexistent/dir/learned.device";
}

void LearnTest::badUsage() {
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    const Finished run = Ctl(QStringList{"--port", "/nonexistent/rx48p"} + args).finish();
    QVERIFY(run.exited());
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QCOMPARE(run.out, QString());
}

QTEST_GUILESS_MAIN(LearnTest)
#include "tst_learn.moc"
