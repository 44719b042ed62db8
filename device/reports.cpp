#include "device/reports.h"

namespace tarnwell {
short_payload::short_payload(endpoints endpoint) : std::out_of_range("short payload"), endpoint(endpoint) {}
QString pinTypeName(std::uint8_t) { return {}; }
QString fixedReport(endpoints) { return {}; }
QString pingReport(const std::vector<std::uint8_t>&) { return {}; }
QString pinPairReport(endpoints, const std::vector<std::uint8_t>&) { return {}; }
QString capacitiveReport(const std::vector<std::uint8_t>&) { return {}; }
QString unknownEndpointIncident(std::uint8_t) { return {}; }
QString shortPayloadIncident(endpoints) { return {}; }
}  // namespace tarnwell
