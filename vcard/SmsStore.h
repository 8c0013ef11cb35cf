#pragma once

#include <map>
#include <vector>

#include "vcard/StoredMessage.h"

namespace veltro::vcard {

// The SIM's message store: slots 1..capacity, each empty or holding one message.
class SmsStore {
public:
    explicit SmsStore(int capacity) : capacity_(capacity < 0 ? 0 : capacity) {}

    int Capacity() const { return capacity_; }
    int Used() const { return static_cast<int>(slots_.size()); }
    int Free() const { return capacity_ - Used(); }

    // Puts the message in the lowest free slot; its index, or -1 when the store is full.
    int Put(StoredMessage message);
    StoredMessage* Find(int index);
    const StoredMessage* Find(int index) const;
    bool Erase(int index);
    // Occupied indices in ascending order.
    std::vector<int> Indices() const;

private:
    int capacity_;
    std::map<int, StoredMessage> slots_;
};

}  // namespace veltro::vcard
