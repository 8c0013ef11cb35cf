#pragma once

#include <cstddef>

namespace veltro {

// Ids of the answer patterns in ResultCodeTable.
enum class ResultCodeId : int {
    Ok = 0,
    Ready = 1,
    Ring = 2,
    Clip = 3,  // +CLIP: "
    Connected = 4,
    NoCarrier = 5,
    NoDialtone = 6,
    Cgreg = 7,
    Creg = 8,
    Cmt = 9,  // +CMT: "
    Cmti = 10,
    Cmgr = 11,
    Cmgl = 12,
    Csca = 13,
    Cpms = 14,
    VendorCsq = 15,  // $CSQ:
    Cops = 16,
    Cpbr = 17,
    Cpbs = 18,
    Cpbw = 19,
    LineEnd = 20,          // CR LF
    Quote = 21,            // "
    QuoteComma = 22,       // ",
    QuoteCommaQuote = 23,  // ","
    Comma = 24,            // ,
    Plus = 25,             // +
    ParenComma = 26,       // ),
    CommaEmptyComma = 27,  // ,"",
    CommaComma = 28,       // ,,
};

// The fixed table of answer patterns, 20 bytes each, indexed by ResultCodeId. Patterns
// are matched case-sensitively; every entry is already upper case.
class ResultCodeTable {
public:
    static constexpr int kCount = 29;
    static constexpr std::size_t kEntrySize = 20;

    // The pattern of an id, or nullptr for an id outside 0..28.
    static const char* Pattern(int id);
    static const char* Pattern(ResultCodeId id) { return Pattern(static_cast<int>(id)); }
};

}  // namespace veltro
