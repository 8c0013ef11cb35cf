#pragma once

#include <span>
#include <string>
#include <string_view>

namespace veltro {

// One zero-terminated GBK text field of a fixed-size record.
class RecordField {
public:
    // Stores the UTF-8 text as GBK: at most the field's width minus one byte, cut on a
    // character boundary, and zero bytes up to the end of the field.
    static void Put(std::span<char> field, std::string_view utf8);
    // The field's text as UTF-8: up to its first zero byte, or the whole field when it
    // has none.
    static std::string Get(std::span<const char> field);
};

}  // namespace veltro
