#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veltro {

// Conversion between the program's UTF-8 text and GBK (code page 936), the encoding of
// the data files and of the modem's text mode. Converted with iconv.
class GbkText {
public:
    // GBK bytes of a UTF-8 text; characters GBK cannot hold become '?'. Invalid UTF-8
    // input gives nullopt.
    static std::optional<std::string> FromUtf8(std::string_view utf8);
    // UTF-8 text of GBK bytes; invalid sequences become U+FFFD.
    static std::string ToUtf8(std::string_view gbk);

    // The longest prefix of gbk that fits in maxBytes without splitting a character.
    static std::string_view CutToFit(std::string_view gbk, std::size_t maxBytes);
};

}  // namespace veltro
