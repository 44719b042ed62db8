#pragma once

#include <chrono>

// How the link paces itself. The terminal's timing suits a person reading the log; programs that wait for
// each answer before they send the next command want the answer the moment it is whole.
struct link_timing {
    // The worker's wait for input in each cycle; a queued frame waits for the end of it to go out.
    std::chrono::milliseconds readWait{50};
    // Terminal: the dispatcher hands over at most one chunk per tick. Prompt: it hands over every chunk
    // as soon as the worker has queued it, each still as its own delivery and in order.
    std::chrono::milliseconds dispatchTick{10};
    bool prompt = false;

    // Up to 50 ms for input, one chunk per 10 ms tick.
    static link_timing terminal() { return {}; }
    // A queued frame goes out within about 2 ms; chunks are handed over at once.
    static link_timing promptly() { return {std::chrono::milliseconds(2), std::chrono::milliseconds(10), true}; }
};
