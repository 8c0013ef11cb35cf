#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltro::vcard {

// Addresses inside PDUs. A number written with "+" is international (type 0x91), one of
// digits (and * #) is unknown-type ISDN (0x81), anything else is alphanumeric (0xD0,
// GSM 7-bit packed).
class SmsAddress {
public:
    // TP-OA/TP-DA (3GPP TS 23.040 9.1.2.5): length in useful semi-octets, type, value.
    static std::vector<std::uint8_t> EncodeTp(const std::string& number);
    // RP-SC address as the PDU's first field: length in octets (type included), type,
    // value; a lone zero octet when there is no number.
    static std::vector<std::uint8_t> EncodeServiceCentre(const std::string& number);
    // Reads a TP address at pos and moves pos past it; nothing when the octets end early.
    static std::optional<std::string> DecodeTp(const std::vector<std::uint8_t>& pdu,
                                               std::size_t& pos);
};

}  // namespace veltro::vcard
