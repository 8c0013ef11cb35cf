#include "cli/VCardCodec.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "modem/GbkText.h"

namespace veltro::cli {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// One content line: "group.NAME;PARAM=V;PARAM:value".
struct Property {
    std::string name;                 // upper case, without its group
    std::vector<std::string> params;  // upper case
    std::string value;

    bool Has(std::string_view param) const {
        return std::find(params.begin(), params.end(), param) != params.end();
    }
    bool QuotedPrintable() const {
        return Has("ENCODING=QUOTED-PRINTABLE") || Has("QUOTED-PRINTABLE");
    }
    bool Gbk() const {
        return Has("CHARSET=GBK") || Has("CHARSET=GB2312") || Has("CHARSET=GB18030");
    }
};

std::optional<Property> ParseLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    Property property;
    property.value = std::string(line.substr(colon + 1));
    std::string_view head = line.substr(0, colon);
    std::size_t semicolon = head.find(';');
    std::string_view name = head.substr(0, semicolon);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        name.remove_prefix(dot + 1);
    }
    property.name = Upper(Trim(name));
    while (semicolon != std::string_view::npos) {
        head.remove_prefix(semicolon + 1);
        semicolon = head.find(';');
        property.params.push_back(Upper(Trim(head.substr(0, semicolon))));
    }
    return property;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const int upper = std::toupper(static_cast<unsigned char>(c));
    return upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The value split at unescaped separators (when given), each part unescaped.
std::vector<std::string> Components(std::string_view value, std::optional<char> separator) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            parts.back() += (next == 'n' || next == 'N') ? '\n' : next;
        } else if (separator && c == *separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string Unescape(std::string_view value) {
    return Components(value, std::nullopt).front();
}

bool HasNonAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// N is "family;given;additional;prefixes;suffixes": Chinese names read family first
// without a blank, others given name first.
std::string NameOfParts(std::string_view value) {
    std::vector<std::string> parts = Components(value, ';');
    parts.resize(std::max<std::size_t>(parts.size(), 2));
    const std::string family(Trim(parts[0]));
    const std::string given(Trim(parts[1]));
    if (family.empty() || given.empty()) {
        return family + given;
    }
    return HasNonAscii(family) || HasNonAscii(given) ? family + given : given + " " + family;
}

// The physical lines joined into content lines: a line that begins with a blank or a
// tab continues the one before, and so does the line after a quoted-printable value
// that ends in its soft break "=".
std::vector<std::string> ContentLines(std::string_view text) {
    std::vector<std::string> lines;
    bool softBreak = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (!lines.empty() && softBreak) {
            lines.back().pop_back();
            lines.back() += line;
        } else if (!lines.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            lines.back() += line.substr(1);
        } else {
            lines.emplace_back(line);
        }
        const std::string& last = lines.back();
        const std::size_t colon = last.find(':');
        softBreak = colon != std::string::npos && !last.empty() && last.back() == '=' &&
                    Upper(last.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
    }
    return lines;
}

std::string Escape(std::string_view text, bool separators) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || (separators && (c == ',' || c == ';'))) {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c != '\r') {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

std::vector<VCardCodec::Card> VCardCodec::Parse(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::vector<Card> cards;
    std::optional<Card> card;
    std::string fromParts;
    for (const std::string& line : ContentLines(text)) {
        std::optional<Property> property = ParseLine(line);
        if (!property) {
            continue;
        }
        const std::string value = Upper(Trim(property->value));
        if (property->name == "BEGIN" && value == "VCARD") {
            card = Card{};
            fromParts.clear();
            continue;
        }
        if (!card) {
            continue;
        }
        if (property->name == "END" && value == "VCARD") {
            if (card->name.empty()) {
                card->name = fromParts;
            }
            cards.push_back(std::move(*card));
            card.reset();
            continue;
        }
        std::string raw = property->value;
        if (property->QuotedPrintable()) {
            raw = DecodeQuotedPrintable(raw);
        }
        if (property->Gbk()) {
            raw = GbkText::ToUtf8(raw);
        }
        if (property->name == "FN") {
            card->name = std::string(Trim(Unescape(raw)));
        } else if (property->name == "N") {
            fromParts = NameOfParts(raw);
        } else if (property->name == "TEL") {
            std::string number(Trim(Unescape(raw)));
            if (Upper(number.substr(0, 4)) == "TEL:") {
                number.erase(0, 4);
            }
            card->numbers.push_back(number);
        }
    }
    return cards;
}

std::string VCardCodec::Write(const std::vector<PhonebookEntryRecord>& entries) {
    std::string text;
    for (const PhonebookEntryRecord& entry : entries) {
        const std::string name = Escape(entry.name, true);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        text += "FN:" + name + "\r\n";
        text += "N:" + name + ";;;;\r\n";
        text += "TEL;TYPE=VOICE:" + Escape(entry.number, false) + "\r\n";
        text += "END:VCARD\r\n";
    }
    return text;
}

}  // namespace veltro::cli
