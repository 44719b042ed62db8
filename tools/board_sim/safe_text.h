#pragma once

#include <string>

namespace board_sim {

// `text` with every control character shown as \xNN: the C0 ones, DEL and the C1 ones (in UTF-8 or as
// bare bytes), and any byte that is not part of valid UTF-8. Paths and option words in a message come
// from the user and file names from anywhere; the terminal showing the message must not obey them.
std::string terminal_safe(const std::string& text);

}  // namespace board_sim
