// Which fixture a scanned serial goes to.

#include "station/serial_queue.h"

#include <QtTest>

#include <utility>
#include <vector>

namespace {

using handout = std::pair<int, QString>;

struct Recorder {
    explicit Recorder(station::serial_queue& queue) {
        QObject::connect(&queue, &station::serial_queue::assigned,
                         [this](int fixture, const QString& serial) { given.emplace_back(fixture, serial); });
    }
    std::vector<handout> given;
};

}  // namespace

class SerialQueueTest : public QObject {
    Q_OBJECT
private slots:
    // Serials go to the fixtures in the order they asked, each serial to one fixture only.
    void longestWaitingFirst() {
        station::serial_queue queue;
        Recorder r(queue);
        queue.request(2);
        queue.request(0);
        queue.request(2);  // asking again keeps its place
        QCOMPARE(queue.next(), std::optional<int>(2));
        queue.scan(QStringLiteral("SN-1"));
        queue.request(1);
        queue.scan(QStringLiteral("SN-2"));
        queue.scan(QStringLiteral("SN-3"));
        QCOMPARE(r.given, (std::vector<handout>{{2, "SN-1"}, {0, "SN-2"}, {1, "SN-3"}}));
        QCOMPARE(queue.next(), std::optional<int>());
    }

    // Scanned ahead: held for the first fixture that asks; a second scan replaces the first.
    void heldForTheFirstToAsk() {
        station::serial_queue queue;
        Recorder r(queue);
        queue.scan(QStringLiteral("SN-1"));
        queue.scan(QStringLiteral("SN-2"));
        QCOMPARE(queue.held(), QStringLiteral("SN-2"));
        QVERIFY(r.given.empty());
        queue.request(3);
        QCOMPARE(r.given, (std::vector<handout>{{3, "SN-2"}}));
        QCOMPARE(queue.held(), QString());
        QVERIFY(!queue.waits(3));  // it has its serial
    }

    // A fixture out of service no longer takes serials; one that comes back asks anew, at the end.
    void withdrawn() {
        station::serial_queue queue;
        Recorder r(queue);
        queue.request(0);
        queue.request(1);
        queue.withdraw(0);
        QVERIFY(!queue.waits(0));
        queue.request(0);
        queue.scan(QStringLiteral("A"));
        queue.scan(QStringLiteral("B"));
        QCOMPARE(r.given, (std::vector<handout>{{1, "A"}, {0, "B"}}));
        queue.request(1);
        queue.scan(QStringLiteral("C"));
        queue.clear();
        queue.scan(QStringLiteral("D"));
        QCOMPARE(queue.held(), QStringLiteral("D"));  // cleared: none waits, the serial is held
        QCOMPARE(r.given.size(), std::size_t(3));
    }
};

QTEST_GUILESS_MAIN(SerialQueueTest)
#include "tst_serial_queue.moc"
