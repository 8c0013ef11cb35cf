#include "modem/PduAnswerParser.h"

#include <algorithm>
#include <utility>

#include "modem/HexPair.h"

namespace veltro {

namespace {

constexpr std::string_view kCmgl = "+CMGL: ";
constexpr std::string_view kCmgr = "+CMGR: ";
// A TPDU is at most 176 octets; three digits hold any length a modem reports.
constexpr std::size_t kMaxLengthDigits = 3;

struct Line {
    std::string_view text;
    bool terminated = false;  // a line break follows it
};

// The non-empty lines of the answer, split at CR and LF.
std::vector<Line> LinesOf(std::string_view answer) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < answer.size()) {
        const std::size_t end = answer.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({answer.substr(start), false});
            break;
        }
        if (end > start) {
            lines.push_back({answer.substr(start, end - start), true});
        }
        start = end + 1;
    }
    return lines;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F');
}

bool IsHexLine(std::string_view line) {
    return !line.empty() && std::all_of(line.begin(), line.end(), IsHexDigit);
}

bool IsFinal(std::string_view line, PduAnswerParser::Final* final) {
    if (line == "OK") {
        *final = PduAnswerParser::Final::Ok;
        return true;
    }
    if (line == "ERROR" || line.starts_with("+CMS ERROR:") || line.starts_with("+CME ERROR:")) {
        *final = PduAnswerParser::Final::Error;
        return true;
    }
    return false;
}

// Reads the fields of a header line from left to right.
class FieldReader {
public:
    explicit FieldReader(std::string_view text) : rest_(text) {}

    // Leading decimal digits, at most max of them; empty when there are none.
    std::optional<std::string_view> Digits(std::size_t max) {
        std::size_t n = 0;
        while (n < rest_.size() && IsDigit(rest_[n])) {
            ++n;
        }
        if (n > max) {
            return std::nullopt;
        }
        const std::string_view digits = rest_.substr(0, n);
        rest_.remove_prefix(n);
        return digits;
    }
    // A comma and the blanks after it.
    bool Comma() {
        if (rest_.empty() || rest_.front() != ',') {
            return false;
        }
        rest_.remove_prefix(1);
        while (!rest_.empty() && rest_.front() == ' ') {
            rest_.remove_prefix(1);
        }
        return true;
    }
    // An empty field or a quoted text without control characters.
    std::optional<std::string_view> Alpha() {
        if (rest_.empty() || rest_.front() != '"') {
            return std::string_view();
        }
        const std::size_t closing = rest_.find('"', 1);
        if (closing == std::string_view::npos || closing - 1 > PduAnswerParser::kMaxAlphaChars) {
            return std::nullopt;
        }
        const std::string_view name = rest_.substr(1, closing - 1);
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            return std::nullopt;
        }
        rest_.remove_prefix(closing + 1);
        return name;
    }
    bool AtEnd() {
        while (!rest_.empty() && rest_.back() == ' ') {
            rest_.remove_suffix(1);
        }
        return rest_.empty();
    }
    bool NextIsDigitsToEnd() const {
        return !rest_.empty() && std::all_of(rest_.begin(), rest_.end(),
                                             [](char c) { return IsDigit(c) || c == ' '; });
    }

private:
    std::string_view rest_;
};

bool TakeStatus(FieldReader& fields, PduAnswerParser::Entry& entry) {
    const auto stat = fields.Digits(1);
    if (!stat || (!stat->empty() && (*stat)[0] > '4')) {
        return false;
    }
    entry.status = stat->empty() ? -1 : (*stat)[0] - '0';
    return true;
}

bool TakeLength(FieldReader& fields) {
    const auto length = fields.Digits(kMaxLengthDigits);
    return length && !length->empty() && fields.AtEnd();
}

bool TakeAlphaAndLength(FieldReader& fields, PduAnswerParser::Entry& entry) {
    const auto alpha = fields.Alpha();
    if (!alpha || !fields.Comma()) {
        return false;
    }
    entry.alpha = std::string(*alpha);
    return TakeLength(fields);
}

std::optional<PduAnswerParser::Entry> ListingHeader(std::string_view fieldsText) {
    PduAnswerParser::Entry entry;
    FieldReader fields(fieldsText);
    const auto index = fields.Digits(PduAnswerParser::kMaxIndexChars);
    if (!index || index->empty() || !fields.Comma() || !TakeStatus(fields, entry) ||
        !fields.Comma() || !TakeAlphaAndLength(fields, entry)) {
        return std::nullopt;
    }
    entry.index = std::string(*index);
    return entry;
}

std::optional<PduAnswerParser::Entry> ReadHeader(std::string_view fieldsText) {
    PduAnswerParser::Entry entry;
    FieldReader fields(fieldsText);
    if (!TakeStatus(fields, entry) || !fields.Comma()) {
        return std::nullopt;
    }
    // Some modems leave the alpha field out altogether: "+CMGR: 0,23".
    const bool twoFields = fields.NextIsDigitsToEnd();
    if (twoFields ? !TakeLength(fields) : !TakeAlphaAndLength(fields, entry)) {
        return std::nullopt;
    }
    return entry;
}

// The PDU line of an entry: whole (a line break after it), hexadecimal, bounded.
bool TakePdu(const Line& line, PduAnswerParser::Entry& entry) {
    if (!line.terminated || !IsHexLine(line.text) || line.text.size() % 2 != 0 ||
        line.text.size() > 2 * PduAnswerParser::kMaxPduOctets) {
        return false;
    }
    auto pdu = HexPair::DecodeUpper(line.text);
    if (!pdu) {
        return false;
    }
    entry.pdu = std::move(*pdu);
    return true;
}

}  // namespace

PduAnswerParser::Listing PduAnswerParser::ParseListing(std::string_view answer) {
    Listing listing;
    const std::vector<Line> lines = LinesOf(answer);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = lines[i].text;
        Final final = Final::None;
        if (IsFinal(text, &final)) {
            break;
        }
        if (!text.starts_with(kCmgl)) {
            if (IsHexLine(text)) {
                listing.complete = false;
                break;
            }
            continue;
        }
        std::optional<Entry> entry = ListingHeader(text.substr(kCmgl.size()));
        if (!entry || i + 1 >= lines.size() || !TakePdu(lines[i + 1], *entry)) {
            listing.complete = false;
            break;
        }
        ++i;
        const bool seen = std::any_of(listing.entries.begin(), listing.entries.end(),
                                      [&](const Entry& e) { return e.index == entry->index; });
        if (!seen) {
            listing.entries.push_back(std::move(*entry));
        }
    }
    return listing;
}

std::optional<PduAnswerParser::Entry> PduAnswerParser::ParseRead(std::string_view answer) {
    const std::vector<Line> lines = LinesOf(answer);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].text.starts_with(kCmgr)) {
            continue;
        }
        std::optional<Entry> entry = ReadHeader(lines[i].text.substr(kCmgr.size()));
        if (!entry || i + 1 >= lines.size() || !TakePdu(lines[i + 1], *entry)) {
            return std::nullopt;
        }
        return entry;
    }
    return std::nullopt;
}

PduAnswerParser::Final PduAnswerParser::FinalResult(std::string_view answer) {
    const std::vector<Line> lines = LinesOf(answer);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = lines[i].text;
        Final final = Final::None;
        if (IsFinal(text, &final)) {
            return final;
        }
        // The line after a header is the entry's PDU, whatever it holds.
        if (text.starts_with(kCmgl) || text.starts_with(kCmgr)) {
            ++i;
        }
    }
    return Final::None;
}

}  // namespace veltro
