#include "link/rx48p_serialport.h"

namespace {
vex_com::config linkConfig() {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    return cfg;
}
}  // namespace

rx48p_serialport::rx48p_serialport() : packetizer(linkConfig()) {}
rx48p_serialport::~rx48p_serialport() = default;
void rx48p_serialport::connectPort(const QSerialPortInfo& info) { connectPort(info.systemLocation()); }
void rx48p_serialport::connectPort(const QString& systemLocation) { portLocation = systemLocation; }
void rx48p_serialport::disconnectPort() {}
void rx48p_serialport::sendCommand(std::uint8_t, std::vector<std::uint8_t>) {}
void rx48p_serialport::stopWorker() {}
void rx48p_serialport::workerLoop() {}
void rx48p_serialport::dispatchLoop() {}
