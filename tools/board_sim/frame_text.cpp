#include "frame_text.h"

#include "device/endpoint_names.h"
#include "device/payloads.h"
#include "device/records.h"

#include <algorithm>

namespace board_sim {

namespace {

bool is_event(std::uint8_t endpoint) {
    using namespace tarnwell;
    return endpoint == ON_INSERT || endpoint == ON_STATIC_MES || endpoint == ON_BUTTON_MECH ||
           endpoint == ON_BUTTON_CAP || endpoint == ON_REMOVE || endpoint == ON_CALIB_DONE;
}

// Printable ASCII as is, anything else as \xNN, so a wrong ping prefix can be read in the log.
std::string quoted(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += digits[b >> 4];
            out += digits[b & 0x0F];
        }
    }
    return out + "\"";
}

std::string count_of(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Measures report their record count in byte 0; a short payload is shown for what it is.
std::string records_text(const std::vector<std::uint8_t>& payload, std::size_t record_size, const char* one,
                         const char* many) {
    if (payload.empty())
        return "with no record count";
    const std::size_t claimed = payload[0];
    const std::size_t present = (payload.size() - 1) / record_size;
    std::string text = count_of(claimed, one, many);
    if (present < claimed)
        text += " (only " + std::to_string(present) + " present)";
    return text;
}

}  // namespace

std::string hex_text(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += ':';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

std::string endpoint_name(std::uint8_t endpoint) {
    const char* name = tarnwell::endpointName(endpoint);
    return name ? name : "0x" + hex_text({endpoint});
}

std::string describe_command(std::uint8_t endpoint, std::uint8_t ack, const std::vector<std::uint8_t>& payload) {
    using namespace tarnwell;
    std::string text = endpoint_name(endpoint);
    switch (endpoint) {
    case ID:
        text += " ping " + quoted(payload);
        if (payload != idPrefix())
            text += " (not the board's name)";
        break;
    case CFG:
        if (payload.size() != 2) {
            text += " with " + count_of(payload.size(), "byte", "bytes") + " (expected 2)";
        } else {
            text += " sensitivity " + std::to_string(payload[0]) + ", buzzer " + std::to_string(payload[1]);
            if (payload[0] > sensitivityMax || payload[1] > buzzerMax)
                text += " (out of range: sensitivity 0 to 128, buzzer 0 to 100)";
        }
        break;
    case MES_BUTTON_CAP:
        if (payload.empty()) {
            text += " no pins";
        } else {
            text += payload.size() == 1 ? " pin " : " pins ";
            for (std::size_t i = 0; i < payload.size(); ++i)
                text += (i ? ", " : "") + std::to_string(payload[i]);
            if (!std::is_sorted(payload.begin(), payload.end()) ||
                std::adjacent_find(payload.begin(), payload.end()) != payload.end() ||
                *std::max_element(payload.begin(), payload.end()) >= capPinCount)
                text += " (expected ascending pins 0 to 24, each once)";
        }
        break;
    case DETECT_INSERT: case MES_STATIC: case MES_BUTTON_MECH: case DETECT_REMOVE:
    case BUZ_ER: case BUZ_OK: case IDLE:
        if (!payload.empty())
            text += " with an unexpected payload " + hex_text(payload);
        break;
    default:
        text += is_event(endpoint) ? " (an event of the board, not a command)" : " (not a command of the board)";
        break;
    }
    if (ack != 1)
        text += " [acknowledge " + std::to_string(ack) + ", expected 1]";
    return text;
}

std::string describe_reply(std::uint8_t endpoint, const std::vector<std::uint8_t>& payload) {
    using namespace tarnwell;
    switch (endpoint) {
    case ID:
        if (payload.size() >= 8)
            return "ID reply " + quoted({payload.begin(), payload.begin() + 5}) + " version " +
                   std::to_string(payload[5]) + "." + std::to_string(payload[6]) + "." + std::to_string(payload[7]);
        return "ID reply " + quoted(payload) + " (no complete version)";
    case ON_STATIC_MES: case ON_BUTTON_MECH:
        return endpoint_name(endpoint) + " " + records_text(payload, pin_pair_record::size, "pair", "pairs");
    case ON_BUTTON_CAP:
        return endpoint_name(endpoint) + " " + records_text(payload, cap_pin_record::size, "pin", "pins");
    default:
        return is_event(endpoint) ? endpoint_name(endpoint) : "ack " + endpoint_name(endpoint);
    }
}

}  // namespace board_sim
