#include "modem/AtCommandTable.h"

namespace veltro {

namespace {
constexpr char kStems[AtCommandTable::kCount][AtCommandTable::kEntrySize] = {
    "AT",         "",         "AT+CGMI",  "AT+CGMM",    "AT+CGMR",    "AT+CIMI",  "AT+CCLK",
    "AT+CALA",    "AT+CRMP",  "AT+CFUN",  "ATD",        "ATH0",       "ATA",      "AT+VTD",
    "AT+VTS",     "AT+WDTMF", "ATS0",     "AT+VGR",     "AT+VGT",     "AT+CMUT",  "AT+SPEAKER",
    "AT+ECHO",    "AT+CSQ",   "AT+COPS",  "AT+CREG",    "AT+CPIN",    "AT+CPIN2", "AT+CPBS",
    "AT+CPBR",    "AT+CPBF",  "AT+CPBW",  "AT+CPBP",    "AT+CNMA",    "AT+CPMS",  "AT+CMGF",
    "AT+CSAS",    "AT+CRES",  "AT+CNMI",  "AT+CMGR",    "AT+CMGL",    "AT+CMGS",  "AT+CMGW",
    "AT+CMSS",    "AT+CMGD",  "AT+CSCA",  "AT+WMSC",    "AT+WUSS",    "AT+CCFC",  "AT+CCWA",
    "AT+CLIP",    "AT+IPR",   "ATE0",     "ATE1",       "AT&W",       "+++",      "AT$CSQ",
    "AT+CGDCONT", "AT+CGREG", "AT+CGATT", "AT+CGCLASS", "AT+CGPADDR",
};
}  // namespace

const char* AtCommandTable::Stem(int id) {
    if (id < 0 || id >= kCount) {
        return nullptr;
    }
    return kStems[id];
}

}  // namespace veltro
