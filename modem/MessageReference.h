#pragma once

#include <atomic>

namespace veltro {

// The message reference (TP-MR) of outgoing messages: one counter for every send of the
// process, advanced before each PDU is built and kept to one decimal digit.
class MessageReference {
public:
    // Advances the counter and returns its new value: 1, 2, ..., 9, 0, 1, ...
    int Next();

    // The counter shared by every engine of the process; it outlives the engine that
    // is recreated around each dial-up connection.
    static MessageReference& Process();

private:
    std::atomic<int> value_{0};
};

}  // namespace veltro
