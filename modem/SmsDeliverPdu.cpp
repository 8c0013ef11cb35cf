#include "modem/SmsDeliverPdu.h"

namespace veltro {

namespace {

// The GSM 7-bit default alphabet (3GPP TS 23.038 6.2.1); 0x1B escapes to the extension
// table and is no character itself.
constexpr char16_t kDefault[128] = {
    0x0040, 0x00A3, 0x0024, 0x00A5, 0x00E8, 0x00E9, 0x00F9, 0x00EC,  //
    0x00F2, 0x00C7, 0x000A, 0x00D8, 0x00F8, 0x000D, 0x00C5, 0x00E5,  //
    0x0394, 0x005F, 0x03A6, 0x0393, 0x039B, 0x03A9, 0x03A0, 0x03A8,  //
    0x03A3, 0x0398, 0x039E, 0x00A0, 0x00C6, 0x00E6, 0x00DF, 0x00C9,  //
    0x0020, 0x0021, 0x0022, 0x0023, 0x00A4, 0x0025, 0x0026, 0x0027,  //
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  //
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  //
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  //
    0x00A1, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  //
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  //
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  //
    0x0058, 0x0059, 0x005A, 0x00C4, 0x00D6, 0x00D1, 0x00DC, 0x00A7,  //
    0x00BF, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  //
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  //
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  //
    0x0078, 0x0079, 0x007A, 0x00E4, 0x00F6, 0x00F1, 0x00FC, 0x00E0,  //
};
constexpr std::uint8_t kEscape = 0x1B;

char16_t Extension(std::uint8_t code) {
    switch (code) {
        case 0x0A:
            return 0x000C;
        case 0x14:
            return u'^';
        case 0x28:
            return u'{';
        case 0x29:
            return u'}';
        case 0x2F:
            return u'\\';
        case 0x3C:
            return u'[';
        case 0x3D:
            return u'~';
        case 0x3E:
            return u']';
        case 0x40:
            return u'|';
        case 0x65:
            return 0x20AC;
        default:
            // An unknown extension shows as the space of the default table.
            return u' ';
    }
}

// Reads the bytes of a PDU in order, failing once past the end.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<std::uint8_t> Byte() {
        if (at_ >= bytes_.size()) {
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(bytes_[at_++]);
    }
    std::optional<std::string_view> Take(std::size_t count) {
        if (count > bytes_.size() - at_) {
            return std::nullopt;
        }
        const std::string_view taken = bytes_.substr(at_, count);
        at_ += count;
        return taken;
    }
    std::string_view Rest() const { return bytes_.substr(at_); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// Septets packed from bit offset 0 of octets, count of them.
std::u16string UnpackSeptets(std::string_view octets, std::size_t skip, std::size_t count) {
    std::u16string text;
    bool escaped = false;
    for (std::size_t i = skip; i < count; ++i) {
        const std::size_t bit = i * 7;
        const std::size_t at = bit / 8;
        unsigned value = static_cast<std::uint8_t>(octets[at]) >> (bit % 8);
        if (bit % 8 > 1 && at + 1 < octets.size()) {
            value |= static_cast<unsigned>(static_cast<std::uint8_t>(octets[at + 1]))
                     << (8 - bit % 8);
        }
        const auto septet = static_cast<std::uint8_t>(value & 0x7F);
        if (escaped) {
            text += Extension(septet);
            escaped = false;
        } else if (septet == kEscape) {
            escaped = true;
        } else {
            text += kDefault[septet];
        }
    }
    return text;
}

// The originator: semi-octet digits, or GSM 7-bit letters for an alphanumeric one.
std::optional<std::string> Address(Reader& reader) {
    const auto digits = reader.Byte();
    const auto type = reader.Byte();
    if (!digits || !type || *digits > 20) {
        return std::nullopt;
    }
    const auto octets = reader.Take((*digits + 1u) / 2u);
    if (!octets) {
        return std::nullopt;
    }
    std::string number;
    if ((*type & 0x70) == 0x50) {
        for (const char16_t c : UnpackSeptets(*octets, 0, *digits * 4u / 7u)) {
            // Letters of the sender's name; anything else beyond ASCII is left out.
            if (c >= 0x20 && c < 0x7F) {
                number += static_cast<char>(c);
            }
        }
        return number;
    }
    if ((*type & 0x70) == 0x10) {
        number += '+';
    }
    static constexpr char kSemiOctets[] = "0123456789*#abc";
    for (std::size_t i = 0; i < *digits; ++i) {
        const auto octet = static_cast<std::uint8_t>((*octets)[i / 2]);
        const unsigned nibble = i % 2 == 0 ? octet & 0x0F : octet >> 4;
        if (nibble > 14) {
            return std::nullopt;
        }
        number += kSemiOctets[nibble];
    }
    return number;
}

void ReadConcatenation(std::string_view header, SmsDeliverPdu& pdu) {
    std::size_t at = 0;
    while (at + 2 <= header.size()) {
        const auto id = static_cast<std::uint8_t>(header[at]);
        const std::size_t length = static_cast<std::uint8_t>(header[at + 1]);
        if (length > header.size() - at - 2) {
            return;
        }
        const std::string_view element = header.substr(at + 2, length);
        auto octet = [&](std::size_t i) {
            return static_cast<int>(static_cast<std::uint8_t>(element[i]));
        };
        if ((id == 0x00 && length == 3) || (id == 0x08 && length == 4)) {
            const int reference = id == 0x00 ? octet(0) : octet(0) << 8 | octet(1);
            const int total = octet(length - 2);
            const int sequence = octet(length - 1);
            // 9.2.3.24.1: a part outside 1..total, or a total of 0, is not a part.
            if (total >= 1 && sequence >= 1 && sequence <= total) {
                pdu.concatenated = true;
                pdu.reference = reference;
                pdu.total = total;
                pdu.sequence = sequence;
            }
        }
        at += 2 + length;
    }
}

}  // namespace

SmsDeliverPdu::Alphabet SmsDeliverPdu::AlphabetOf(std::uint8_t dataCoding) {
    if ((dataCoding & 0xC0) == 0x00) {
        switch ((dataCoding >> 2) & 0x03) {
            case 0:
                return Alphabet::Gsm7;
            case 2:
                return Alphabet::Ucs2;
            default:
                return Alphabet::EightBit;
        }
    }
    switch (dataCoding & 0xF0) {
        case 0xC0:
        case 0xD0:
            return Alphabet::Gsm7;
        case 0xE0:
            return Alphabet::Ucs2;
        case 0xF0:
            return (dataCoding & 0x04) != 0 ? Alphabet::EightBit : Alphabet::Gsm7;
        default:
            return Alphabet::EightBit;
    }
}

std::optional<SmsDeliverPdu> SmsDeliverPdu::Decode(std::string_view bytes) {
    Reader reader(bytes);
    const auto serviceCentre = reader.Byte();
    if (!serviceCentre || !reader.Take(*serviceCentre)) {
        return std::nullopt;
    }
    const auto firstOctet = reader.Byte();
    // TP-MTI 00: SMS-DELIVER.
    if (!firstOctet || (*firstOctet & 0x03) != 0) {
        return std::nullopt;
    }
    SmsDeliverPdu pdu;
    pdu.hasHeader = (*firstOctet & 0x40) != 0;
    const auto number = Address(reader);
    const auto protocol = reader.Byte();
    const auto coding = reader.Byte();
    const auto timeStamp = reader.Take(7);
    const auto length = reader.Byte();
    if (!number || !protocol || !coding || !timeStamp || !length) {
        return std::nullopt;
    }
    pdu.number = *number;
    pdu.dataCoding = *coding;
    pdu.alphabet = AlphabetOf(*coding);
    const std::string_view userData = reader.Rest();

    std::size_t headerOctets = 0;
    if (pdu.hasHeader) {
        if (userData.empty() || *length == 0) {
            return std::nullopt;
        }
        headerOctets = 1 + static_cast<std::uint8_t>(userData[0]);
        if (headerOctets > userData.size()) {
            return std::nullopt;
        }
        ReadConcatenation(userData.substr(1, headerOctets - 1), pdu);
    }
    if (pdu.alphabet == Alphabet::Gsm7) {
        const std::size_t septets = *length;
        if ((septets * 7 + 7) / 8 > userData.size()) {
            return std::nullopt;
        }
        // The header with its fill bits takes whole septets.
        const std::size_t skip = (headerOctets * 8 + 6) / 7;
        if (skip > septets) {
            return std::nullopt;
        }
        pdu.text = UnpackSeptets(userData, skip, septets);
        return pdu;
    }
    const std::size_t octets = *length;
    if (octets > userData.size() || headerOctets > octets) {
        return std::nullopt;
    }
    const std::string_view data = userData.substr(headerOctets, octets - headerOctets);
    if (pdu.alphabet == Alphabet::EightBit) {
        pdu.octets = std::string(data);
        return pdu;
    }
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        pdu.text += static_cast<char16_t>(static_cast<std::uint8_t>(data[i]) << 8 |
                                          static_cast<std::uint8_t>(data[i + 1]));
    }
    return pdu;
}

}  // namespace veltro
