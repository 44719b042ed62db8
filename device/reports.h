#pragma once

// The readable reports of the board's replies and events, as the log console shows them.

#include "device/endpoints.h"
#include "device/payloads.h"  // short_payload, thrown by the decoding reports

#include <QString>

#include <cstdint>
#include <vector>

namespace tarnwell {

// "Led anode", "Touch ON", ...; empty for a code that names no pin type.
QString pinTypeName(std::uint8_t code);
// "1.4.2", as firmwareText writes it, for the Qt side.
QString firmwareName(const firmware& version);

// The fixed line of an acknowledgement or a payload-less event (ACK IDLE, ON_INSERT, ...).
QString fixedReport(endpoints endpoint);
// The reports that decode their payload; each throws short_payload before producing any text.
QString pingReport(const std::vector<std::uint8_t>& payload);
QString pinPairReport(endpoints endpoint, const std::vector<std::uint8_t>& payload);  // ON_STATIC_MES, ON_BUTTON_MECH
QString capacitiveReport(const std::vector<std::uint8_t>& payload);

// The report of any endpoint the board answers on, as its log console handler writes it.
QString report(endpoints endpoint, const std::vector<std::uint8_t>& payload);

// The operator's line for a frame that could not be reported.
QString unknownEndpointIncident(std::uint8_t endpoint);
QString shortPayloadIncident(endpoints endpoint);

}  // namespace tarnwell
