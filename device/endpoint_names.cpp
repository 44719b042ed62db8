#include "device/endpoint_names.h"

namespace tarnwell {

const char* endpointName(std::uint8_t value) {
    switch (value) {
    case ID: return "ID";
    case CFG: return "CFG";
    case DETECT_INSERT: return "DETECT_INSERT";
    case ON_INSERT: return "ON_INSERT";
    case MES_STATIC: return "MES_STATIC";
    case ON_STATIC_MES: return "ON_STATIC_MES";
    case MES_BUTTON_MECH: return "MES_BUTTON_MECH";
    case ON_BUTTON_MECH: return "ON_BUTTON_MECH";
    case MES_BUTTON_CAP: return "MES_BUTTON_CAP";
    case ON_BUTTON_CAP: return "ON_BUTTON_CAP";
    case DETECT_REMOVE: return "DETECT_REMOVE";
    case ON_REMOVE: return "ON_REMOVE";
    case ON_CALIB_DONE: return "ON_CALIB_DONE";
    case BUZ_ER: return "BUZ_ER";
    case BUZ_OK: return "BUZ_OK";
    case IDLE: return "IDLE";
    default: return nullptr;
    }
}

std::optional<endpoints> eventAfter(endpoints command) {
    switch (command) {
    case CFG: return ON_CALIB_DONE;
    case DETECT_INSERT: return ON_INSERT;
    case MES_STATIC: return ON_STATIC_MES;
    case MES_BUTTON_MECH: return ON_BUTTON_MECH;
    case MES_BUTTON_CAP: return ON_BUTTON_CAP;
    case DETECT_REMOVE: return ON_REMOVE;
    default: return std::nullopt;
    }
}

}  // namespace tarnwell
