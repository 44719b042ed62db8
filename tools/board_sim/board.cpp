#include "board.h"

#include "device/endpoint_names.h"

#include <utility>

namespace board_sim {

board::board(part_sequence parts, board_timing timing, std::set<std::uint8_t> silent,
             std::set<std::uint8_t> eventless, int drop_shift)
    : parts(std::move(parts)), timing(timing), silent(std::move(silent)), eventless(std::move(eventless)),
      drop_shift(drop_shift) {}

bool board::has_event(std::uint8_t endpoint) {
    return tarnwell::eventAfter(static_cast<tarnwell::endpoints>(endpoint)).has_value();
}

answer board::on_command(std::uint8_t endpoint, const std::vector<std::uint8_t>& payload) const {
    using namespace tarnwell;
    const device_model& device = parts.current();
    answer a;
    const auto first = timing.reply_delay;
    switch (endpoint) {
    case ID:
        a.replies.push_back({first, ID, id_reply_payload(device), false});
        break;
    case CFG: case DETECT_INSERT: case DETECT_REMOVE: case MES_STATIC: case MES_BUTTON_MECH:
    case MES_BUTTON_CAP: case BUZ_ER: case BUZ_OK: case IDLE:
        a.replies.push_back({first, endpoint, {}, false});
        break;
    default:
        a.note = "no answer";
        return a;
    }
    if (silent.count(endpoint)) {
        a.replies.clear();
        a.note = "no answer (--no-reply)";
        return a;
    }
    a.cancels_events = endpoint == IDLE;

    const auto later = first + timing.event_delay;
    switch (endpoint) {
    case CFG:
        a.replies.push_back({first + timing.calib_delay, ON_CALIB_DONE, {}, true});
        break;
    case DETECT_INSERT:
        a.replies.push_back({later, ON_INSERT, {}, true});
        break;
    case DETECT_REMOVE:
        a.replies.push_back({later, ON_REMOVE, {}, true});
        break;
    case MES_STATIC:
        a.replies.push_back({later, ON_STATIC_MES, static_measure_payload(device, drop_shift), true});
        break;
    case MES_BUTTON_MECH:
        a.replies.push_back({later, ON_BUTTON_MECH, button_measure_payload(device), true});
        break;
    case MES_BUTTON_CAP:
        a.replies.push_back({later, ON_BUTTON_CAP, capacitive_measure_payload(device, payload), true});
        break;
    default:
        break;
    }
    if (eventless.count(endpoint) && a.replies.size() > 1) {
        a.replies.pop_back();
        a.note = "acknowledged without its event (--no-event)";
    }
    return a;
}

std::string board::event_sent(std::uint8_t endpoint) {
    switch (endpoint) {
    case tarnwell::ON_INSERT:
        return parts.inserted();
    case tarnwell::ON_REMOVE:
        return parts.removed();
    default:
        return {};
    }
}

}  // namespace board_sim
