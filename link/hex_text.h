#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Bytes as the log shows them: two lower-case hex digits each, joined by ':' ("55:0a:ff").
QString hexText(const std::uint8_t* data, std::size_t size);
