#pragma once

#include <cstddef>

namespace veltro {

// Ids of the command stems in AtCommandTable.
enum class AtCommandId : int {
    At = 0,
    Body = 1,  // empty stem: the argument is the whole line (a message body)
    Cgmi = 2,
    Cgmm = 3,
    Cgmr = 4,
    Cimi = 5,
    Cclk = 6,
    Cala = 7,
    Crmp = 8,
    Cfun = 9,
    Dial = 10,
    HangUp = 11,
    Answer = 12,
    Vtd = 13,
    Vts = 14,
    Wdtmf = 15,
    S0 = 16,
    Vgr = 17,
    Vgt = 18,
    Cmut = 19,
    Speaker = 20,
    Echo = 21,
    Csq = 22,
    Cops = 23,
    Creg = 24,
    Cpin = 25,
    Cpin2 = 26,
    Cpbs = 27,
    Cpbr = 28,
    Cpbf = 29,
    Cpbw = 30,
    Cpbp = 31,
    Cnma = 32,
    Cpms = 33,
    Cmgf = 34,
    Csas = 35,
    Cres = 36,
    Cnmi = 37,
    Cmgr = 38,
    Cmgl = 39,
    Cmgs = 40,
    Cmgw = 41,
    Cmss = 42,
    Cmgd = 43,
    Csca = 44,
    Wmsc = 45,
    Wuss = 46,
    Ccfc = 47,
    Ccwa = 48,
    Clip = 49,
    Ipr = 50,
    EchoOff = 51,
    EchoOn = 52,
    StoreProfile = 53,
    Escape = 54,
    VendorCsq = 55,
    Cgdcont = 56,
    Cgreg = 57,
    Cgatt = 58,
    Cgclass = 59,
    Cgpaddr = 60,
};

// The fixed table of AT command stems, 20 bytes each, indexed by AtCommandId.
class AtCommandTable {
public:
    static constexpr int kCount = 61;
    static constexpr std::size_t kEntrySize = 20;

    // The stem of an id, or nullptr for an id outside 0..60.
    static const char* Stem(int id);
    static const char* Stem(AtCommandId id) { return Stem(static_cast<int>(id)); }
};

}  // namespace veltro
