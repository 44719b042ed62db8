#pragma once

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <vector>

namespace station {

// A whole frame with a good CRC, as it came off the line.
struct received_frame {
    std::uint8_t endpoint = 0;
    std::uint8_t acknowledge = 0;
    std::vector<std::uint8_t> payload;
    std::vector<std::uint8_t> bytes;  // the frame's bytes as they arrived, header to CRC
    QString report;                   // as the terminal's log console writes it
};

// A frame as it was written to the line.
struct sent_frame {
    std::uint8_t endpoint = 0;
    std::uint8_t acknowledge = 1;
    std::vector<std::uint8_t> payload;
    std::vector<std::uint8_t> bytes;
};

}  // namespace station

Q_DECLARE_METATYPE(station::received_frame)
Q_DECLARE_METATYPE(station::sent_frame)
