#include "device/incident_feed.h"

#include "device/reports.h"

namespace tarnwell {

void interpretReportingIncidents(vex_com::interpreter& parser, const std::vector<std::uint8_t>& chunk,
                                 const std::function<void(const QString&)>& incident) {
    for (const std::uint8_t& byte : chunk) {
        try {
            parser.interpret(&byte, 1);
        } catch (const vex_com::except& e) {
            incident(unknownEndpointIncident(e.endpoint));
        } catch (const short_payload& e) {
            incident(shortPayloadIncident(e.endpoint));
        }
    }
}

}  // namespace tarnwell
