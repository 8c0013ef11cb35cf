#include "modem/UssdAnswer.h"

#include <cstdint>
#include <vector>

#include "modem/GsmAlphabet.h"
#include "modem/HexPair.h"
#include "modem/Utf16Text.h"

namespace veltro {

namespace {

constexpr std::string_view kPrefix = "+CUSD:";

enum class Alphabet { Gsm7, EightBit, Ucs2 };

// 3GPP TS 23.038 5: the alphabet of a cell-broadcast data coding scheme, which USSD
// shares. Reserved values are read as the default alphabet, as the clause asks.
Alphabet AlphabetOf(int dcs) {
    const int group = (dcs >> 4) & 0x0F;
    if (dcs == 0x11) {
        return Alphabet::Ucs2;
    }
    if ((group & 0x0C) == 0x04 || group == 0x09) {
        switch ((dcs >> 2) & 0x03) {
            case 1:
                return Alphabet::EightBit;
            case 2:
                return Alphabet::Ucs2;
            default:
                return Alphabet::Gsm7;
        }
    }
    if (group == 0x0F) {
        return (dcs & 0x04) != 0 ? Alphabet::EightBit : Alphabet::Gsm7;
    }
    return Alphabet::Gsm7;
}

// Hexadecimal payload octets; an empty payload is not taken for hex.
std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    return HexPair::Decode(text);
}

// Text the modem already converted to its character set: kept when it is UTF-8 (IRA
// is a subset), else read as Latin-1 so that no byte is lost or left invalid.
std::string PlainText(std::string_view text) {
    if (Utf16Text::FromUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    for (const char c : text) {
        Utf16Text::AppendUtf8(out, static_cast<unsigned char>(c));
    }
    return out;
}

// Packed septets in hexadecimal (3GPP TS 23.038 6.1.2.3), when the text is that and
// spells printable characters; a CR that only fills the last octet is dropped.
std::optional<std::string> PackedSeptets(std::string_view text) {
    const auto bytes = HexBytes(text);
    if (!bytes) {
        return std::nullopt;
    }
    std::size_t count = bytes->size() * 8 / 7;
    const auto septets = GsmAlphabet::Unpack(bytes->data(), bytes->size(), count, 0);
    if (!septets) {
        return std::nullopt;
    }
    std::string_view kept(*septets);
    if (count % 8 == 0 && (kept.back() == '\r' || kept.back() == '\0')) {
        kept.remove_suffix(1);
    }
    const std::u32string decoded = GsmAlphabet::FromSeptets(kept);
    std::string out;
    for (const char32_t c : decoded) {
        if (c < 0x20 && c != '\n' && c != '\r') {
            return std::nullopt;
        }
        Utf16Text::AppendUtf8(out, c);
    }
    return out;
}

}  // namespace

std::optional<std::string> UssdAnswer::Decode(std::string_view payload, int dcs) {
    switch (AlphabetOf(dcs)) {
        case Alphabet::Ucs2: {
            const auto bytes = HexBytes(payload);
            if (!bytes) {
                return std::nullopt;
            }
            if (bytes->size() % 2 != 0) {
                return std::nullopt;
            }
            std::u16string units;
            for (std::size_t i = 0; i < bytes->size(); i += 2) {
                units += static_cast<char16_t>((*bytes)[i] << 8 | (*bytes)[i + 1]);
            }
            return Utf16Text::ToUtf8(units);
        }
        case Alphabet::EightBit: {
            const auto bytes = HexBytes(payload);
            if (!bytes) {
                return std::nullopt;
            }
            std::string out;
            for (const std::uint8_t byte : *bytes) {
                Utf16Text::AppendUtf8(out, byte);
            }
            return out;
        }
        case Alphabet::Gsm7:
            break;
    }
    // Some modems hand GSM 7-bit strings over packed in hexadecimal, others as text in
    // their character set; a string of hex digits that unpacks to printable text is
    // taken for the first.
    if (auto packed = PackedSeptets(payload)) {
        return packed;
    }
    return PlainText(payload);
}

std::optional<UssdAnswer> UssdAnswer::Parse(std::string_view line) {
    if (!line.starts_with(kPrefix)) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(kPrefix.size());
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest.front() < '0' || rest.front() > '9') {
        return std::nullopt;
    }
    UssdAnswer answer;
    answer.status = rest.front() - '0';
    rest.remove_prefix(1);
    if (answer.status > 5 || (!rest.empty() && rest.front() != ',')) {
        return std::nullopt;
    }
    if (rest.empty()) {
        return answer;
    }
    rest.remove_prefix(1);
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest.front() != '"') {
        return std::nullopt;
    }
    // The string ends at its last quote: the text itself may hold quotes.
    const std::size_t close = rest.rfind('"');
    if (close == 0) {
        return std::nullopt;
    }
    const std::string_view payload = rest.substr(1, close - 1);
    std::string_view tail = rest.substr(close + 1);
    int dcs = 15;
    if (!tail.empty()) {
        if (tail.front() != ',') {
            return std::nullopt;
        }
        tail.remove_prefix(1);
        while (!tail.empty() && tail.front() == ' ') {
            tail.remove_prefix(1);
        }
        if (tail.empty() || tail.size() > 3) {
            return std::nullopt;
        }
        dcs = 0;
        for (const char c : tail) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            dcs = dcs * 10 + (c - '0');
        }
        if (dcs > 255) {
            return std::nullopt;
        }
    }
    auto text = Decode(payload, dcs);
    if (!text) {
        return std::nullopt;
    }
    // Line ends inside the text come as CR LF or CR: one line break each.
    for (std::size_t i = 0; i < text->size(); ++i) {
        if ((*text)[i] == '\r') {
            const bool pair = i + 1 < text->size() && (*text)[i + 1] == '\n';
            text->replace(i, pair ? 2 : 1, "\n");
        }
    }
    answer.text = std::move(*text);
    return answer;
}

bool UssdAnswer::Find(std::string_view text, std::optional<UssdAnswer>* answer) {
    std::size_t at = 0;
    for (;;) {
        at = text.find(kPrefix, at);
        if (at == std::string_view::npos) {
            return false;
        }
        if (at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r') {
            break;
        }
        at += kPrefix.size();
    }
    // Within quotes a line break is part of the text; the line ends at the first
    // line break outside them.
    bool quoted = false;
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\r' || c == '\n')) {
            *answer = Parse(text.substr(at, i - at));
            return true;
        }
    }
    return false;
}

}  // namespace veltro
