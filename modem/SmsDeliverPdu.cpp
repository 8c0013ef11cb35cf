#include "modem/SmsDeliverPdu.h"

#include "modem/GsmAlphabet.h"

namespace veltro {

namespace {

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

// count septets packed from bit offset 0 of octets, less the first skip of them (a
// user-data header); nothing when the octets are too few.
std::optional<std::u16string> UnpackSeptets(std::string_view octets, std::size_t skip,
                                            std::size_t count) {
    const auto septets = GsmAlphabet::Unpack(reinterpret_cast<const std::uint8_t*>(octets.data()),
                                             octets.size(), count, 0);
    if (!septets || skip > septets->size()) {
        return std::nullopt;
    }
    std::u16string text;
    // Every character of the GSM alphabet lies in the basic plane.
    for (const char32_t c : GsmAlphabet::FromSeptets(std::string_view(*septets).substr(skip))) {
        text += static_cast<char16_t>(c);
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
        for (const char16_t c : UnpackSeptets(*octets, 0, *digits * 4u / 7u).value_or(u"")) {
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

// 9.2.3.11: seven octets of swapped decimal digits; the time zone's sign is bit 3 of
// its first octet.
std::string TimeStampText(std::string_view octets) {
    std::string text;
    for (std::size_t i = 0; i < 7; ++i) {
        auto octet = static_cast<std::uint8_t>(octets[i]);
        if (i == 6) {
            text += (octet & 0x08) != 0 ? '-' : '+';
            octet &= 0xF7;
        }
        const unsigned tens = octet & 0x0F;
        const unsigned units = octet >> 4;
        if (tens > 9 || units > 9) {
            return {};
        }
        text += static_cast<char>('0' + tens);
        text += static_cast<char>('0' + units);
        if (i < 2) {
            text += '/';
        } else if (i == 2) {
            text += ',';
        } else if (i < 5) {
            text += ':';
        }
    }
    return text;
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
    pdu.timeStamp = TimeStampText(*timeStamp);
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
        // The header with its fill bits takes whole septets.
        const std::size_t skip = (headerOctets * 8 + 6) / 7;
        auto text = UnpackSeptets(userData, skip, *length);
        if (!text) {
            return std::nullopt;
        }
        pdu.text = std::move(*text);
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
