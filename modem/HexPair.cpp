#include "modem/HexPair.h"

namespace veltro {

namespace {

int Nibble(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

bool HexPair::HexPairToByte(char high, char low, std::uint8_t* byte) {
    *byte = 0;
    const int h = Nibble(high);
    if (h < 0) {
        return false;
    }
    *byte = static_cast<std::uint8_t>(h << 4);
    const int l = Nibble(low);
    if (l < 0) {
        return false;
    }
    *byte = static_cast<std::uint8_t>(*byte | l);
    return true;
}

}  // namespace veltro
