#pragma once

#include <string>
#include <string_view>

namespace veltro::vcard {

// UTF-8, UTF-16 and code points, for message texts. Malformed input becomes U+FFFD.
class UnicodeText {
public:
    static std::u32string FromUtf8(std::string_view utf8);
    static std::string ToUtf8(std::u32string_view text);
    static std::u16string ToUtf16(std::u32string_view text);
    static std::u32string FromUtf16(std::u16string_view units);
};

}  // namespace veltro::vcard
