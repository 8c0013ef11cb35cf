#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/PhonebookEntryRecord.h"

namespace veltro::cli {

// vCard files of contacts. Reads vCard 3.0 and what phones also write: 2.1 with
// quoted-printable values and CHARSET=GBK (or GB2312, GB18030), and 4.0 "tel:" URIs.
// Writes vCard 3.0 in UTF-8 with CRLF lines; the phonebook's short fields keep every
// line within the 75 bytes after which a vCard line would be folded.
class VCardCodec {
public:
    struct Card {
        std::string name;                  // FN, else N put together; UTF-8
        std::vector<std::string> numbers;  // every TEL, in order
    };

    // The cards between BEGIN:VCARD and END:VCARD, in order.
    static std::vector<Card> Parse(std::string_view text);
    // One card per entry, in order.
    static std::string Write(const std::vector<PhonebookEntryRecord>& entries);
};

}  // namespace veltro::cli
