#include "station/serial_queue.h"

#include <algorithm>
#include <utility>

namespace station {

void serial_queue::request(int fixture) {
    if (!heldSerial.isEmpty()) {
        emit assigned(fixture, std::exchange(heldSerial, QString()));
        return;
    }
    if (!waits(fixture))
        waiting.push_back(fixture);
}

void serial_queue::withdraw(int fixture) {
    waiting.erase(std::remove(waiting.begin(), waiting.end(), fixture), waiting.end());
}

void serial_queue::scan(const QString& serial) {
    if (waiting.empty()) {
        heldSerial = serial;
        return;
    }
    const int fixture = waiting.front();
    waiting.pop_front();
    emit assigned(fixture, serial);
}

void serial_queue::clear() {
    waiting.clear();
    heldSerial.clear();
}

std::optional<int> serial_queue::next() const {
    if (waiting.empty())
        return std::nullopt;
    return waiting.front();
}

bool serial_queue::waits(int fixture) const {
    return std::find(waiting.begin(), waiting.end(), fixture) != waiting.end();
}

}  // namespace station
