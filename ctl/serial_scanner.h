#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>

#include <memory>

namespace ctl {

// Serials from standard input, a line each, as a barcode scanner types them (a line and Enter). A line
// that is no serial is refused on standard error with the reason, and the next one is awaited. With a
// terminal on standard input it prompts "serial: " on standard error. Lines scanned ahead wait their
// turn.
class serial_scanner : public QObject {
    Q_OBJECT
public:
    serial_scanner();
    ~serial_scanner() override;

    // The next serial, at once if one is waiting, else when it is scanned.
    void request();

signals:
    void scanned(QString serial);
    void ended();  // standard input is over: the run stops as after Ctrl-C

private:
    void readInput();
    void deliver();
    void prompt() const;

    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray pending;
    QStringList lines;
    bool wanted = false;
    bool atEnd = false;
    bool terminal = false;
};

}  // namespace ctl
