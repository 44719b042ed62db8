#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <optional>

namespace station {

// Scanned serials for a station's fixtures, one scanner for all of them. The rule: a serial goes to the
// fixture that has waited longest for one (fixtures ask when they are ready for their next part, so the
// operator scans for the fixture that has just been emptied); a serial scanned while none waits is held
// and goes to the first fixture that asks. A serial scanned while one is held replaces it: the operator
// scanned again. A fixture taken out of service, or stopped, no longer waits.
class serial_queue : public QObject {
    Q_OBJECT
public:
    // `fixture` is ready for a serial: the held one goes to it at once, else the next scanned.
    void request(int fixture);
    // `fixture` no longer waits (out of service, stopped).
    void withdraw(int fixture);
    // A serial from the scanner: handed to a fixture or held.
    void scan(const QString& serial);
    // Forgets the waits and the held serial (a new run).
    void clear();

    // The fixture the next serial goes to; none while no fixture waits.
    std::optional<int> next() const;
    bool waits(int fixture) const;
    QString held() const { return heldSerial; }

signals:
    void assigned(int fixture, QString serial);

private:
    std::deque<int> waiting;  // longest first
    QString heldSerial;
};

}  // namespace station
