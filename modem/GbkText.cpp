#include "modem/GbkText.h"

#include <iconv.h>

#include <cerrno>

namespace veltro {

namespace {

// Runs iconv over the whole input. onBad is appended for an input sequence the
// conversion cannot take (one byte is skipped); without it such input fails.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view input,
                                   std::string_view onBad, bool skipBad) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof(buffer);
        const std::size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) {
            continue;
        }
        if (!skipBad) {
            ok = false;
            break;
        }
        // EILSEQ, or EINVAL for a cut sequence at the end: replace one byte and go on.
        out.append(onBad);
        ++in;
        --inLeft;
    }
    ::iconv_close(cd);
    if (!ok) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<std::string> GbkText::FromUtf8(std::string_view utf8) {
    // Characters outside GBK: convert one character at a time so each becomes '?'.
    auto whole = Convert("GBK", "UTF-8", utf8, "", false);
    if (whole) {
        return whole;
    }
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        if (length == 0 || i + length > utf8.size()) {
            return std::nullopt;
        }
        const std::string_view character = utf8.substr(i, length);
        if (auto converted = Convert("GBK", "UTF-8", character, "", false)) {
            out += *converted;
        } else if (Convert("UTF-16LE", "UTF-8", character, "", false)) {
            out += '?';
        } else {
            return std::nullopt;
        }
        i += length;
    }
    return out;
}

std::string GbkText::ToUtf8(std::string_view gbk) {
    return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", true).value_or(std::string());
}

std::string_view GbkText::CutToFit(std::string_view gbk, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < gbk.size()) {
        // A GBK lead byte (0x81..0xFE) starts a two-byte character.
        const std::size_t length = static_cast<unsigned char>(gbk[end]) >= 0x81 ? 2 : 1;
        if (end + length > maxBytes || end + length > gbk.size()) {
            break;
        }
        end += length;
    }
    return gbk.substr(0, end);
}

}  // namespace veltro
