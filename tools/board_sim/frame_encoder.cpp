#include "frame_encoder.h"

#include "frame_text.h"
#include "device/protocol_config.h"

#include "device/endpoints.h"

#include <algorithm>
#include <utility>

namespace board_sim {

namespace {

const std::uint8_t frame_header = tarnwell::protocolConfig().header[0];

bool carries_data(std::uint8_t endpoint) {
    using namespace tarnwell;
    return endpoint == ID || endpoint == ON_STATIC_MES || endpoint == ON_BUTTON_MECH || endpoint == ON_BUTTON_CAP;
}

}  // namespace

std::vector<std::uint8_t> frame_bytes(std::uint8_t endpoint, std::uint8_t ack, const std::vector<std::uint8_t>& payload) {
    static const vex_com::packetizer plain(tarnwell::protocolConfig());
    return plain.packetize(endpoint, ack, payload.data(), payload.size());
}

frame_encoder::frame_encoder(const fault_options& faults)
    : faults(faults), packetizer(tarnwell::protocolConfig()), random(faults.seed) {}

// Spread evenly and without chance, so a test knows which frames are hit: 50 % spoils every second
// frame, 25 % every fourth.
bool frame_encoder::next_crc_is_bad() {
    ++replies;
    const auto share = [this](unsigned long long n) { return n * faults.bad_crc_percent / 100; };
    return share(replies) > share(replies - 1);
}

std::vector<outgoing> frame_encoder::encode(std::uint8_t endpoint, std::vector<std::uint8_t> payload) {
    std::vector<outgoing> out;
    if (faults.noise > 0) {
        // A header byte would open a false frame that swallows the real one behind it.
        std::uniform_int_distribution<int> any_but_header(0, 254);
        outgoing noise;
        for (std::size_t i = 0; i < faults.noise; ++i) {
            const int value = any_but_header(random);
            noise.bytes.push_back(static_cast<std::uint8_t>(value < frame_header ? value : value + 1));
        }
        noise.text = "noise";
        out.push_back(std::move(noise));
    }
    if (faults.stray) {
        const std::uint8_t stray = *faults.stray;
        out.push_back({packetizer.packetize(stray, 1, nullptr, 0), "stray frame on " + endpoint_name(stray)});
    }

    std::string notes;
    if (faults.truncate > 0 && carries_data(endpoint)) {
        const std::size_t cut = std::min(faults.truncate, payload.size());
        payload.resize(payload.size() - cut);
        notes += " [cut short by " + std::to_string(cut) + (cut == 1 ? " byte]" : " bytes]");
    }
    outgoing frame{packetizer.packetize(endpoint, 1, payload.data(), payload.size()), describe_reply(endpoint, payload)};
    if (next_crc_is_bad()) {
        frame.bytes[frame.bytes.size() - 1] ^= 0xFF;
        frame.bytes[frame.bytes.size() - 2] ^= 0xFF;
        notes += " [bad CRC]";
    }
    frame.text += notes;
    out.push_back(std::move(frame));
    return out;
}

}  // namespace board_sim
