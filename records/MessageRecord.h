#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace veltro {

// One received short message as stored in "sms.dat": 320 bytes of zero-terminated
// GBK fields. The number comes first in the file although the inbox shows the time
// in its first column. Texts are held here as UTF-8.
struct MessageRecord {
    static constexpr std::size_t kSize = 320;
    static constexpr std::size_t kNumberWidth = 32;
    static constexpr std::size_t kTimeWidth = 32;
    static constexpr std::size_t kContentWidth = 256;
    static constexpr const char* kFileName = "sms.dat";

    std::string number;
    std::string time;
    std::string content;

    std::array<char, kSize> Encode() const;
    static MessageRecord Decode(std::span<const char, kSize> bytes);

    bool operator==(const MessageRecord&) const = default;
};

}  // namespace veltro
