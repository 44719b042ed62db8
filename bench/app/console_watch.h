#pragma once

// Notes when lines are appended to the log console: the console's document reports every append once,
// when its edit block closes, and the bench looks only at the last line then.

#include <QMetaObject>
#include <QString>
#include <QTextEdit>

#include <functional>
#include <vector>

namespace bench {

class ConsoleWatch {
public:
    // Watches for appends whose last line is `line`; `onMatch` runs after each, inside the append.
    ConsoleWatch(QTextEdit& console, QString line, std::function<void()> onMatch = {});
    ~ConsoleWatch();
    ConsoleWatch(const ConsoleWatch&) = delete;
    ConsoleWatch& operator=(const ConsoleWatch&) = delete;

    // Steady-clock seconds of every matching append, in order.
    const std::vector<double>& times() const { return stamps; }

private:
    QTextEdit& console;
    QString line;
    std::function<void()> onMatch;
    std::vector<double> stamps;
    QMetaObject::Connection connection;
};

double nowSeconds();

}  // namespace bench
