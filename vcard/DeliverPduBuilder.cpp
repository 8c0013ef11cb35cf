#include "vcard/DeliverPduBuilder.h"

#include <optional>

#include "modem/GsmAlphabet.h"
#include "vcard/SmsAddress.h"
#include "vcard/UnicodeText.h"

namespace veltro::vcard {
namespace {

constexpr std::size_t kSingleSeptets = 160;
constexpr std::size_t kPartSeptets = 153;
constexpr std::size_t kSingleUnits = 70;
constexpr std::size_t kPartUnits = 67;
constexpr std::uint8_t kDeliverNoMoreMessages = 0x04;  // TP-MTI 00, TP-MMS set
constexpr std::uint8_t kUserDataHeader = 0x40;         // TP-UDHI

struct Part {
    std::vector<std::uint8_t> userData;
    int userDataLength = 0;  // septets for 7-bit, octets for UCS2
    std::u32string text;
};

std::vector<std::uint8_t> ConcatHeader(int reference, std::size_t total, std::size_t sequence,
                                       bool sixteenBit) {
    if (sixteenBit) {
        return {0x06,
                0x08,
                0x04,
                static_cast<std::uint8_t>(reference >> 8),
                static_cast<std::uint8_t>(reference),
                static_cast<std::uint8_t>(total),
                static_cast<std::uint8_t>(sequence)};
    }
    return {0x05,
            0x00,
            0x03,
            static_cast<std::uint8_t>(reference),
            static_cast<std::uint8_t>(total),
            static_cast<std::uint8_t>(sequence)};
}

std::vector<Part> SevenBitParts(const std::string& septets, int reference, bool sixteenBit) {
    // A 16-bit reference makes the header one octet longer.
    const std::size_t partSeptets = sixteenBit ? kPartSeptets - 1 : kPartSeptets;
    std::vector<std::string> chunks;
    if (septets.size() <= kSingleSeptets) {
        chunks.push_back(septets);
    } else {
        std::size_t start = 0;
        while (start < septets.size() && chunks.size() < DeliverPduBuilder::kMaxParts) {
            std::size_t end = std::min(start + partSeptets, septets.size());
            if (end < septets.size() && septets[end - 1] == GsmAlphabet::kEscape) {
                --end;
            }
            chunks.push_back(septets.substr(start, end - start));
            start = end;
        }
    }
    std::vector<Part> parts;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        Part part;
        part.text = GsmAlphabet::FromSeptets(chunks[i]);
        if (chunks.size() == 1) {
            part.userData = GsmAlphabet::Pack(chunks[i], 0);
            part.userDataLength = static_cast<int>(chunks[i].size());
        } else {
            // The header takes whole septets: six octets (48 bits) and one fill bit make
            // seven, seven octets (56 bits) exactly eight.
            part.userData = ConcatHeader(reference, chunks.size(), i + 1, sixteenBit);
            const int headerSeptets = sixteenBit ? 8 : 7;
            const int fillBits = headerSeptets * 7 - static_cast<int>(part.userData.size()) * 8;
            const auto packed = GsmAlphabet::Pack(chunks[i], fillBits);
            part.userData.insert(part.userData.end(), packed.begin(), packed.end());
            part.userDataLength = headerSeptets + static_cast<int>(chunks[i].size());
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

std::vector<Part> Ucs2Parts(const std::u16string& units, int reference, bool sixteenBit) {
    const std::size_t partUnits = sixteenBit ? kPartUnits - 1 : kPartUnits;
    std::vector<std::u16string> chunks;
    if (units.size() <= kSingleUnits) {
        chunks.push_back(units);
    } else {
        std::size_t start = 0;
        while (start < units.size() && chunks.size() < DeliverPduBuilder::kMaxParts) {
            std::size_t end = std::min(start + partUnits, units.size());
            if (end < units.size() && units[end - 1] >= 0xD800 && units[end - 1] <= 0xDBFF) {
                --end;
            }
            chunks.push_back(units.substr(start, end - start));
            start = end;
        }
    }
    std::vector<Part> parts;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        Part part;
        part.text = UnicodeText::FromUtf16(chunks[i]);
        if (chunks.size() > 1) {
            part.userData = ConcatHeader(reference, chunks.size(), i + 1, sixteenBit);
        }
        for (char16_t unit : chunks[i]) {
            part.userData.push_back(static_cast<std::uint8_t>(unit >> 8));
            part.userData.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        }
        part.userDataLength = static_cast<int>(part.userData.size());
        parts.push_back(std::move(part));
    }
    return parts;
}

}  // namespace

std::vector<StoredMessage> DeliverPduBuilder::Build(const std::string& number,
                                                    const std::string& utf8Text,
                                                    const SmsTimeStamp& time,
                                                    const std::string& serviceCentre,
                                                    int concatReference, bool sixteenBitReference) {
    const std::u32string text = UnicodeText::FromUtf8(utf8Text);
    const std::optional<std::string> septets = GsmAlphabet::ToSeptets(text);
    const int dataCoding = septets ? 0x00 : 0x08;
    const std::vector<Part> parts =
        septets ? SevenBitParts(*septets, concatReference, sixteenBitReference)
                : Ucs2Parts(UnicodeText::ToUtf16(text), concatReference, sixteenBitReference);

    const auto serviceCentreField = SmsAddress::EncodeServiceCentre(serviceCentre);
    const auto originator = SmsAddress::EncodeTp(number);
    const auto stamp = time.Octets();
    std::vector<StoredMessage> messages;
    for (const Part& part : parts) {
        const bool header = parts.size() > 1;
        std::vector<std::uint8_t> tpdu;
        tpdu.push_back(kDeliverNoMoreMessages | (header ? kUserDataHeader : 0));
        tpdu.insert(tpdu.end(), originator.begin(), originator.end());
        tpdu.push_back(0x00);  // TP-PID: plain short message
        tpdu.push_back(static_cast<std::uint8_t>(dataCoding));
        tpdu.insert(tpdu.end(), stamp.begin(), stamp.end());
        tpdu.push_back(static_cast<std::uint8_t>(part.userDataLength));
        tpdu.insert(tpdu.end(), part.userData.begin(), part.userData.end());

        StoredMessage message;
        message.number = number;
        message.timeStamp = time.Text();
        message.text = UnicodeText::ToUtf8(part.text);
        message.dataCoding = dataCoding;
        message.hasHeader = header;
        message.userData = part.userData;
        message.tpduLength = static_cast<int>(tpdu.size());
        message.pdu = serviceCentreField;
        message.pdu.insert(message.pdu.end(), tpdu.begin(), tpdu.end());
        messages.push_back(std::move(message));
    }
    return messages;
}

StoredMessage DeliverPduBuilder::BuildEightBit(const std::string& number, const std::string& octets,
                                               const SmsTimeStamp& time,
                                               const std::string& serviceCentre) {
    constexpr std::size_t kMaxOctets = 140;
    const std::string data = octets.substr(0, kMaxOctets);
    const auto originator = SmsAddress::EncodeTp(number);
    const auto stamp = time.Octets();
    std::vector<std::uint8_t> tpdu;
    tpdu.push_back(kDeliverNoMoreMessages);
    tpdu.insert(tpdu.end(), originator.begin(), originator.end());
    tpdu.push_back(0x00);  // TP-PID
    tpdu.push_back(0x04);  // TP-DCS: 8-bit data
    tpdu.insert(tpdu.end(), stamp.begin(), stamp.end());
    tpdu.push_back(static_cast<std::uint8_t>(data.size()));
    StoredMessage message;
    message.number = number;
    message.timeStamp = time.Text();
    message.dataCoding = 0x04;
    for (const char c : data) {
        message.userData.push_back(static_cast<std::uint8_t>(c));
        tpdu.push_back(static_cast<std::uint8_t>(c));
    }
    message.tpduLength = static_cast<int>(tpdu.size());
    message.pdu = SmsAddress::EncodeServiceCentre(serviceCentre);
    message.pdu.insert(message.pdu.end(), tpdu.begin(), tpdu.end());
    return message;
}

}  // namespace veltro::vcard
