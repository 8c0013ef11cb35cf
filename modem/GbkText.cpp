#include "modem/GbkText.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace veltro {

namespace {

enum class Direction { Utf8ToGbk, Utf8ToUtf16, GbkToUtf8 };

// The iconv descriptors of this thread, opened at first use and kept: opening one
// loads the converter and costs far more than a conversion.
class Descriptors {
public:
    Descriptors() { open_.fill(kClosed); }
    ~Descriptors() {
        for (iconv_t cd : open_) {
            if (cd != kClosed) {
                ::iconv_close(cd);
            }
        }
    }
    Descriptors(const Descriptors&) = delete;
    Descriptors& operator=(const Descriptors&) = delete;

    // The descriptor in its initial state; kClosed when it cannot be opened.
    iconv_t Get(Direction direction) {
        static constexpr const char* kNames[][2] = {
            {"GBK", "UTF-8"}, {"UTF-16LE", "UTF-8"}, {"UTF-8", "GBK"}};
        const auto i = static_cast<std::size_t>(direction);
        if (open_[i] == kClosed) {
            open_[i] = ::iconv_open(kNames[i][0], kNames[i][1]);
        }
        if (open_[i] != kClosed) {
            ::iconv(open_[i], nullptr, nullptr, nullptr, nullptr);
        }
        return open_[i];
    }

    static inline const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);

private:
    std::array<iconv_t, 3> open_{};
};

iconv_t Descriptor(Direction direction) {
    thread_local Descriptors descriptors;
    return descriptors.Get(direction);
}

// Converts input into out as far as it goes and returns how many input bytes were
// taken. It stops before an input sequence the conversion cannot take; then, with
// skipBad, it appends onBad in place of one byte and goes on.
std::size_t Run(iconv_t cd, std::string_view input, std::string& out, std::string_view onBad,
                bool skipBad) {
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof(buffer);
        const std::size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) {
            continue;
        }
        if (!skipBad) {
            break;
        }
        // EILSEQ, or EINVAL for a cut sequence at the end: replace one byte and go on.
        out.append(onBad);
        ++in;
        --inLeft;
    }
    return input.size() - inLeft;
}

// The length of the UTF-8 character a lead byte starts; 0 for a byte that starts none.
std::size_t CharacterLength(unsigned char lead) {
    return lead < 0x80           ? 1
           : (lead >> 5) == 0x6  ? 2
           : (lead >> 4) == 0xE  ? 3
           : (lead >> 3) == 0x1E ? 4
                                 : 0;
}

}  // namespace

std::optional<std::string> GbkText::FromUtf8(std::string_view utf8) {
    const iconv_t toGbk = Descriptor(Direction::Utf8ToGbk);
    if (toGbk == Descriptors::kClosed) {
        return std::nullopt;
    }
    std::string out;
    std::size_t i = 0;
    while (true) {
        i += Run(toGbk, utf8.substr(i), out, "", false);
        if (i == utf8.size()) {
            return out;
        }
        // A character GBK cannot hold becomes '?'; one that is not valid UTF-8 fails.
        const std::size_t length = CharacterLength(static_cast<unsigned char>(utf8[i]));
        if (length == 0 || i + length > utf8.size()) {
            return std::nullopt;
        }
        const iconv_t toUtf16 = Descriptor(Direction::Utf8ToUtf16);
        std::string ignored;
        if (toUtf16 == Descriptors::kClosed ||
            Run(toUtf16, utf8.substr(i, length), ignored, "", false) != length) {
            return std::nullopt;
        }
        out += '?';
        i += length;
    }
}

std::string GbkText::ToUtf8(std::string_view gbk) {
    const iconv_t cd = Descriptor(Direction::GbkToUtf8);
    std::string out;
    if (cd != Descriptors::kClosed) {
        Run(cd, gbk, out, "\xEF\xBF\xBD", true);
    }
    return out;
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
