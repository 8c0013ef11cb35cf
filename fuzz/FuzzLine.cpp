#include "FuzzLine.h"

#include <algorithm>
#include <cstring>

namespace veltro::fuzz {

int FuzzLine::Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) {
    std::size_t count = std::min<std::size_t>(maxCount, script_->pending.size());
    if (script_->readSize != 0) {
        count = std::min<std::size_t>(count, script_->readSize);
    }
    std::memcpy(buffer, script_->pending.data(), count);
    script_->pending.erase(0, count);
    *countRead = static_cast<std::uint32_t>(count);
    return 1;
}

int FuzzLine::Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes[i] != '\r') {
            script_->partial += bytes[i];
            continue;
        }
        script_->lines.push_back(std::move(script_->partial));
        script_->partial.clear();
        if (script_->next < script_->answers.size()) {
            script_->pending += script_->answers[script_->next++];
        }
    }
    *countWritten = count;
    return 1;
}

bool FuzzLine::PurgeInput() {
    script_->pending.clear();
    return true;
}

}  // namespace veltro::fuzz
