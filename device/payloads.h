#pragma once

// The board's payloads both ways: what each command carries, and the records a reply or an event
// holds. Standard C++ only: the terminal, the companion and the simulator share it.

#include "device/endpoints.h"
#include "device/records.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwell {

// What the command panel lets an operator send: the spin-box ranges and the capacitive pin list.
constexpr int sensitivityMax = 128;
constexpr int buzzerMax = 100;
constexpr int capPinCount = 25;  // pins 0 to 24

// A reply whose payload ends before its layout does. It is the standard out-of-range error, carrying
// the endpoint whose payload could not be decoded.
class short_payload : public std::out_of_range {
public:
    explicit short_payload(endpoints endpoint);
    endpoints endpoint;
};

std::vector<std::uint8_t> pingPayload();
std::vector<std::uint8_t> configPayload(const board_config& config);
// One byte per pin, ascending, each at most once, whatever order and repeats `pins` comes in.
std::vector<std::uint8_t> capacitivePayload(std::vector<std::uint8_t> pins);

struct firmware {
    std::uint8_t major = 255;
    std::uint8_t minor = 255;
    std::uint8_t patch = 255;
};
inline bool operator==(const firmware& a, const firmware& b) {
    return a.major == b.major && a.minor == b.minor && a.patch == b.patch;
}
inline bool operator!=(const firmware& a, const firmware& b) { return !(a == b); }
// "1.4.2"
std::string firmwareText(const firmware& version);

// A reply that does not start with the board's name reads 255.255.255; one that does but ends early
// throws short_payload.
firmware decodeFirmware(const std::vector<std::uint8_t>& payload);
// ON_STATIC_MES and ON_BUTTON_MECH: the count in byte 0, then the records; bytes past them are ignored.
std::vector<pin_pair_record> decodePinPairs(endpoints endpoint, const std::vector<std::uint8_t>& payload);
std::vector<cap_pin_record> decodeCapPins(const std::vector<std::uint8_t>& payload);

// A pin drop in volts: the byte counts steps of 0.02 V. Divided, not multiplied, so 90 steps is 1.8 exactly
// as a double prints it.
inline double dropVolts(std::int8_t steps) { return steps / 50.0; }
// The same step, for what goes the other way (volts to steps) or scales a chart.
constexpr double voltsPerStep = 0.02;

}  // namespace tarnwell
