#include "device/payloads.h"

#include <algorithm>
#include <mutex>

namespace tarnwell {

namespace {

// Every decoded byte goes through here, so a short payload throws before anything is reported.
std::uint8_t byteAt(const std::vector<std::uint8_t>& payload, std::size_t offset, endpoints endpoint) {
    if (offset >= payload.size())
        throw short_payload(endpoint);
    return payload[offset];
}

// The record count sits in byte 0, the records follow it back to back.
template <typename Record, typename Store>
std::vector<Record> readRecords(const std::vector<std::uint8_t>& payload, endpoints endpoint, Store store) {
    const std::size_t count = byteAt(payload, 0, endpoint);
    std::vector<Record> records;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t bytes[Record::size];
        for (std::size_t b = 0; b < Record::size; ++b)
            bytes[b] = byteAt(payload, 1 + Record::size * i + b, endpoint);
        Record record;
        store(record, bytes);
        records.push_back(record);
    }
    return records;
}

}  // namespace

short_payload::short_payload(endpoints endpoint) : std::out_of_range("short payload"), endpoint(endpoint) {}

std::vector<std::uint8_t> pingPayload() {
    return idPrefix();
}

std::vector<std::uint8_t> configPayload(const board_config& config) {
    return {config.sensitivity, config.buzzer};
}

std::vector<std::uint8_t> capacitivePayload(std::vector<std::uint8_t> pins) {
    std::sort(pins.begin(), pins.end());
    pins.erase(std::unique(pins.begin(), pins.end()), pins.end());
    return pins;
}

firmware decodeFirmware(const std::vector<std::uint8_t>& payload) {
    fw_version version;
    const std::vector<std::uint8_t>& prefix = idPrefix();
    // A reply shorter than the prefix cannot match it and is compared no further than its end.
    const bool named = payload.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), payload.begin());
    if (named) {
        std::lock_guard<std::mutex> lock(version.mutex);
        version.major = byteAt(payload, prefix.size(), ID);
        version.minor = byteAt(payload, prefix.size() + 1, ID);
        version.patch = byteAt(payload, prefix.size() + 2, ID);
    }
    return {version.major, version.minor, version.patch};
}

std::vector<pin_pair_record> decodePinPairs(endpoints endpoint, const std::vector<std::uint8_t>& payload) {
    return readRecords<pin_pair_record>(payload, endpoint, [](pin_pair_record& r, const std::uint8_t* b) {
        r.pin_a = static_cast<std::int8_t>(b[0]);
        r.type_a = b[1];
        r.pin_b = static_cast<std::int8_t>(b[2]);
        r.type_b = b[3];
        r.vdrop_ab = static_cast<std::int8_t>(b[4]);
        r.vdrop_ba = static_cast<std::int8_t>(b[5]);
    });
}

std::vector<cap_pin_record> decodeCapPins(const std::vector<std::uint8_t>& payload) {
    return readRecords<cap_pin_record>(payload, ON_BUTTON_CAP, [](cap_pin_record& r, const std::uint8_t* b) {
        r.pin = static_cast<std::int8_t>(b[0]);
        r.type = b[1];
    });
}

std::string firmwareText(const firmware& version) {
    return std::to_string(version.major) + '.' + std::to_string(version.minor) + '.' + std::to_string(version.patch);
}

}  // namespace tarnwell
