#include "modem/StatusParsers.h"

#include <climits>

namespace veltro {

namespace {
constexpr std::string_view kRegistrationPrefix = "+CGREG: ";
constexpr std::string_view kSignalPrefix = "$CSQ: ";
constexpr std::string_view kStandardSignalPrefix = "+CSQ: ";
constexpr std::string_view kLineEnd = "\r\n";
// The search for the comma starts this far into the prefix, as the buffer masking does.
constexpr std::size_t kPrefixMask = 3;
}  // namespace

bool StatusParsers::SimReady(std::string_view text) {
    return text.find("READY") != std::string_view::npos;
}

bool StatusParsers::HasManufacturer(std::string_view answer, std::string_view accepted) {
    return !accepted.empty() && answer.find(accepted) != std::string_view::npos;
}

bool StatusParsers::LeadingInteger(std::string_view text, int* value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' ||
                               text[i] == '\n' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            return false;
        }
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX || signedValue < INT_MIN) {
        return false;
    }
    *value = static_cast<int>(signedValue);
    return true;
}

ParsedField StatusParsers::PacketRegistration(std::string_view text) {
    ParsedField field;
    const std::size_t prefix = text.find(kRegistrationPrefix);
    if (prefix == std::string_view::npos) {
        return field;
    }
    field.consumed = prefix + kPrefixMask;
    const std::size_t comma = text.find(',', field.consumed);
    if (comma == std::string_view::npos) {
        return field;
    }
    field.consumed = comma;
    const std::size_t end = text.find(kLineEnd, comma);
    if (end == std::string_view::npos) {
        return field;
    }
    field.ok = LeadingInteger(text.substr(comma + 1, end - comma - 1), &field.value);
    // The status is made of digits: a minus sign starts none, so "-1" reads as 0 (not
    // registered) and no caller ever sees a negative status.
    if (field.value < 0) {
        field.value = 0;
    }
    return field;
}

ParsedField StatusParsers::SignalValue(std::string_view text, bool standard) {
    ParsedField field;
    const std::string_view signalPrefix = standard ? kStandardSignalPrefix : kSignalPrefix;
    const std::size_t prefix = text.find(signalPrefix);
    if (prefix == std::string_view::npos) {
        return field;
    }
    field.consumed = prefix + kPrefixMask;
    const std::size_t comma = text.find(',', field.consumed);
    if (comma == std::string_view::npos) {
        return field;
    }
    const std::size_t length = comma - prefix - signalPrefix.size();
    if (length > kMaxSignalDigits) {
        return field;
    }
    field.ok = LeadingInteger(text.substr(prefix + signalPrefix.size(), length), &field.value);
    return field;
}

}  // namespace veltro
