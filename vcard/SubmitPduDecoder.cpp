#include "vcard/SubmitPduDecoder.h"

#include "modem/GsmAlphabet.h"
#include "modem/HexPair.h"
#include "vcard/SmsAddress.h"
#include "vcard/UnicodeText.h"

namespace veltro::vcard {
namespace {

enum class Alphabet { Gsm7, Eight, Ucs2 };

// TS 23.038 4: the coding groups that carry an alphabet.
Alphabet AlphabetOf(int dcs) {
    if ((dcs & 0xF0) == 0xF0) {
        return (dcs & 0x04) != 0 ? Alphabet::Eight : Alphabet::Gsm7;
    }
    switch ((dcs >> 2) & 0x03) {
        case 1:
            return Alphabet::Eight;
        case 2:
            return Alphabet::Ucs2;
        default:
            return Alphabet::Gsm7;
    }
}

}  // namespace

std::optional<SubmitPduDecoder::Submit> SubmitPduDecoder::Decode(std::string_view hex,
                                                                 int tpduLength) {
    const auto pdu = HexPair::Decode(hex);
    if (!pdu || pdu->empty()) {
        return std::nullopt;
    }
    const std::size_t start = 1 + (*pdu)[0];
    if (tpduLength <= 0 || start + static_cast<std::size_t>(tpduLength) != pdu->size()) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& p = *pdu;
    std::size_t pos = start;
    if (pos + 2 > p.size()) {
        return std::nullopt;
    }
    const std::uint8_t firstOctet = p[pos++];
    if ((firstOctet & 0x03) != 0x01) {
        return std::nullopt;
    }
    Submit submit;
    submit.reference = p[pos++];
    const auto number = SmsAddress::DecodeTp(p, pos);
    if (!number) {
        return std::nullopt;
    }
    submit.number = *number;
    if (pos + 2 > p.size()) {
        return std::nullopt;
    }
    ++pos;  // TP-PID
    submit.dataCoding = p[pos++];
    switch ((firstOctet >> 3) & 0x03) {  // TP-VPF
        case 2:
            pos += 1;
            break;
        case 1:
        case 3:
            pos += 7;
            break;
        default:
            break;
    }
    if (pos + 1 > p.size()) {
        return std::nullopt;
    }
    const std::size_t userDataLength = p[pos++];
    const std::uint8_t* userData = p.data() + pos;
    const std::size_t available = p.size() - pos;
    submit.hasHeader = (firstOctet & 0x40) != 0;
    const Alphabet alphabet = AlphabetOf(submit.dataCoding);
    const std::size_t octets =
        alphabet == Alphabet::Gsm7 ? (userDataLength * 7 + 7) / 8 : userDataLength;
    if (octets != available || octets > 140) {
        return std::nullopt;
    }
    std::size_t headerOctets = 0;
    if (submit.hasHeader) {
        if (available < 1 || static_cast<std::size_t>(userData[0]) + 1 > available) {
            return std::nullopt;
        }
        headerOctets = userData[0] + 1u;
    }
    if (alphabet == Alphabet::Gsm7) {
        const std::size_t headerBits = headerOctets * 8;
        const std::size_t headerSeptets = (headerBits + 6) / 7;
        if (headerSeptets > userDataLength) {
            return std::nullopt;
        }
        const int fill = static_cast<int>(headerSeptets * 7 - headerBits);
        const auto septets = GsmAlphabet::Unpack(userData + headerOctets, available - headerOctets,
                                                 userDataLength - headerSeptets, fill);
        if (!septets) {
            return std::nullopt;
        }
        submit.text = UnicodeText::ToUtf8(GsmAlphabet::FromSeptets(*septets));
    } else if (alphabet == Alphabet::Ucs2) {
        if ((octets - headerOctets) % 2 != 0) {
            return std::nullopt;
        }
        std::u16string units;
        for (std::size_t i = headerOctets; i + 1 < octets; i += 2) {
            units += static_cast<char16_t>(userData[i] << 8 | userData[i + 1]);
        }
        submit.text = UnicodeText::ToUtf8(UnicodeText::FromUtf16(units));
    } else {
        std::u32string latin;
        for (std::size_t i = headerOctets; i < octets; ++i) {
            latin += userData[i];
        }
        submit.text = UnicodeText::ToUtf8(latin);
    }
    return submit;
}

}  // namespace veltro::vcard
