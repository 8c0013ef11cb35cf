#include "vcard/SmsStore.h"

namespace veltro::vcard {

int SmsStore::Put(StoredMessage message) {
    for (int index = 1; index <= capacity_; ++index) {
        if (slots_.find(index) == slots_.end()) {
            slots_.emplace(index, std::move(message));
            return index;
        }
    }
    return -1;
}

StoredMessage* SmsStore::Find(int index) {
    const auto it = slots_.find(index);
    return it == slots_.end() ? nullptr : &it->second;
}

const StoredMessage* SmsStore::Find(int index) const {
    const auto it = slots_.find(index);
    return it == slots_.end() ? nullptr : &it->second;
}

bool SmsStore::Erase(int index) {
    return slots_.erase(index) > 0;
}

std::vector<int> SmsStore::Indices() const {
    std::vector<int> indices;
    for (const auto& slot : slots_) {
        indices.push_back(slot.first);
    }
    return indices;
}

}  // namespace veltro::vcard
