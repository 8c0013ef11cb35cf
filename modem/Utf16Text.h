#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltro {

// Conversion between the program's UTF-8 text and the UTF-16 units in which message
// bodies travel as UCS2 hexadecimal.
class Utf16Text {
public:
    // The UTF-16 units of a UTF-8 text; nullopt for invalid UTF-8 (bad or cut
    // sequences, overlong forms, surrogate code points).
    static std::optional<std::u16string> FromUtf8(std::string_view utf8);
    // UTF-8 of UTF-16 units; an unpaired surrogate becomes U+FFFD.
    static std::string ToUtf8(std::u16string_view utf16);
    // Appends one code point as UTF-8; the caller keeps it a valid scalar value.
    static void AppendUtf8(std::string& out, char32_t codePoint);
};

}  // namespace veltro
