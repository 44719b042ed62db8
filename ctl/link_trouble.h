#pragma once

#include <QString>

#include <mutex>

namespace ctl {

// The serial link tells of trouble only on Qt's debug channel ("failed to open port NAME",
// "- ERROR serialport ERROR"). While an instance lives it takes that channel over: the link's lines
// become state that the companion acts on, and its routine "Connected and open port" stays off standard
// error; every other message goes to the handler that was there before.
class link_trouble {
public:
    link_trouble();
    ~link_trouble();
    link_trouble(const link_trouble&) = delete;
    link_trouble& operator=(const link_trouble&) = delete;

    bool openFailed() const;
    // The error's name when the line failed while connected ("ResourceError"), else empty.
    QString lineError() const;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    static link_trouble* current;
    QtMessageHandler previous;
    mutable std::mutex mutex;  // the link writes from its worker thread
    bool failedToOpen = false;
    QString error;
};

}  // namespace ctl
