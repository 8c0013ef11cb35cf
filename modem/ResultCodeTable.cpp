#include "modem/ResultCodeTable.h"

namespace veltro {

namespace {
constexpr char kPatterns[ResultCodeTable::kCount][ResultCodeTable::kEntrySize] = {
    "OK",          "READY",    "RING",    "+CLIP: \"", "CONNECTED", "NO CARRIER",
    "NO DIALTONE", "+CGREG: ", "+CREG: ", "+CMT: \"",  "+CMTI: ",   "+CMGR: ",
    "+CMGL: ",     "+CSCA: ",  "+CPMS: ", "$CSQ: ",    "+COPS: ",   "+CPBR:",
    "+CPBS:",      "+CPBW:",   "\r\n",    "\"",        "\",",       "\",\"",
    ",",           "+",        "),",      ",\"\",",    ",,",
};
}  // namespace

const char* ResultCodeTable::Pattern(int id) {
    if (id < 0 || id >= kCount) {
        return nullptr;
    }
    return kPatterns[id];
}

}  // namespace veltro
