#include "vcard/DeliverPduBuilder.h"

#include <optional>

#include "vcard/GsmAlphabet.h"
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

std::vector<std::uint8_t> ConcatHeader(int reference, std::size_t total, std::size_t sequence) {
    return {0x05,
            0x00,
            0x03,
            static_cast<std::uint8_t>(reference),
            static_cast<std::uint8_t>(total),
            static_cast<std::uint8_t>(sequence)};
}

std::vector<Part> SevenBitParts(const std::string& septets, int reference) {
    std::vector<std::string> chunks;
    if (septets.size() <= kSingleSeptets) {
        chunks.push_back(septets);
    } else {
        std::size_t start = 0;
        while (start < septets.size() && chunks.size() < DeliverPduBuilder::kMaxParts) {
            std::size_t end = std::min(start + kPartSeptets, septets.size());
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
            // Six header octets are 48 bits; one fill bit puts the text on a septet
            // boundary, so the header counts as seven septets.
            part.userData = ConcatHeader(reference, chunks.size(), i + 1);
            const auto packed = GsmAlphabet::Pack(chunks[i], 1);
            part.userData.insert(part.userData.end(), packed.begin(), packed.end());
            part.userDataLength = 7 + static_cast<int>(chunks[i].size());
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

std::vector<Part> Ucs2Parts(const std::u16string& units, int reference) {
    std::vector<std::u16string> chunks;
    if (units.size() <= kSingleUnits) {
        chunks.push_back(units);
    } else {
        std::size_t start = 0;
        while (start < units.size() && chunks.size() < DeliverPduBuilder::kMaxParts) {
            std::size_t end = std::min(start + kPartUnits, units.size());
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
            part.userData = ConcatHeader(reference, chunks.size(), i + 1);
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
                                                    int concatReference) {
    const std::u32string text = UnicodeText::FromUtf8(utf8Text);
    const std::optional<std::string> septets = GsmAlphabet::ToSeptets(text);
    const int dataCoding = septets ? 0x00 : 0x08;
    const std::vector<Part> parts = septets
                                        ? SevenBitParts(*septets, concatReference)
                                        : Ucs2Parts(UnicodeText::ToUtf16(text), concatReference);

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

}  // namespace veltro::vcard
