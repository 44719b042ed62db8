#pragma once

#include <QEventLoop>

namespace ctl {

// The event loop a command runs in, until quit(). A quit() that comes before exec() (the command ended
// while it was being started) is kept, not lost.
class command_loop {
public:
    void exec() {
        if (!over)
            loop.exec();
    }
    void quit() {
        over = true;
        loop.quit();
    }
    QObject* context() { return &loop; }

private:
    QEventLoop loop;
    bool over = false;
};

}  // namespace ctl
