#include "cli/TerminalText.h"

#include <cstdint>
#include <cstdio>

namespace veltro::cli {

namespace {

// The length of the well-formed UTF-8 sequence at the start of text and its code
// point, or 0 when it is not one (stray continuation byte, cut or overlong sequence,
// surrogate, beyond U+10FFFF).
std::size_t Sequence(std::string_view text, std::uint32_t* codePoint) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    std::uint32_t value = 0;
    std::uint32_t least = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *codePoint = value;
    return length;
}

void AppendCode(std::string& out, const char* format, unsigned value) {
    char code[8];
    std::snprintf(code, sizeof(code), format, value);
    out += code;
}

}  // namespace

std::string TerminalText::Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::uint32_t codePoint = 0;
        const std::size_t length = Sequence(text, &codePoint);
        if (length == 0) {
            AppendCode(out, "\\x%02X", static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (codePoint == '\n') {
            out += "\\n";
        } else if (codePoint == '\r') {
            out += "\\r";
        } else if (codePoint == '\t') {
            out += "\\t";
        } else if (codePoint == '\\') {
            out += "\\\\";
        } else if (codePoint < 0x20 || codePoint == 0x7F) {
            AppendCode(out, "\\x%02X", codePoint);
        } else if (codePoint >= 0x80 && codePoint <= 0x9F) {
            AppendCode(out, "\\u%04X", codePoint);
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out;
}

}  // namespace veltro::cli
