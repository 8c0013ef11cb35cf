#include <algorithm>
#include <cctype>
#include <ctime>

#include "modem/GsmAlphabet.h"
#include "modem/HexPair.h"
#include "vcard/CardModem.h"
#include "vcard/DeliverPduBuilder.h"
#include "vcard/HexText.h"
#include "vcard/SubmitPduDecoder.h"
#include "vcard/UnicodeText.h"

namespace veltro::vcard {
namespace {

using Status = StoredMessage::Status;

constexpr const char* kStatusNames[] = {"REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"};

std::string Unquoted(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

std::optional<int> Index(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::stoi(text);
}

// The <stat> a listing asks for: 0..3 one status, 4 all of them.
std::optional<int> ListFilter(const std::string& argument, bool textMode) {
    if (argument.empty()) {
        return 0;  // 3GPP TS 27.005: "REC UNREAD" when omitted
    }
    if (!textMode) {
        const auto value = Index(argument);
        return value && *value <= 4 ? value : std::nullopt;
    }
    if (argument.size() < 2 || argument.front() != '"') {
        return std::nullopt;
    }
    std::string name = Unquoted(argument);
    std::transform(name.begin(), name.end(), name.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    if (name == "ALL") {
        return 4;
    }
    for (int i = 0; i < 4; ++i) {
        if (name == kStatusNames[i]) {
            return i;
        }
    }
    return std::nullopt;
}

// The <alpha> field of a PDU-mode header: empty, or the quoted name.
std::string PduAlpha(const StoredMessage& message) {
    return message.alpha.empty() ? std::string() : "\"" + message.alpha + "\"";
}

}  // namespace

// ---- character sets ---------------------------------------------------------------------

std::string CardModem::ToTe(const std::string& utf8) const {
    const std::u32string text = UnicodeText::FromUtf8(utf8);
    std::string out;
    switch (charset_) {
        case Charset::Ucs2:
            for (char16_t unit : UnicodeText::ToUtf16(text)) {
                out += HexText::Encode(
                    {static_cast<std::uint8_t>(unit >> 8), static_cast<std::uint8_t>(unit & 0xFF)});
            }
            return out;
        case Charset::Gsm:
            for (char32_t c : text) {
                out += GsmAlphabet::ToSeptets(std::u32string(1, c)).value_or("?");
            }
            return out;
        case Charset::Latin1:
            for (char32_t c : text) {
                out += c < 0x100 ? static_cast<char>(c) : '?';
            }
            return out;
        case Charset::Ira:
            break;
    }
    for (char32_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::optional<std::string> CardModem::FromTe(const std::string& te) const {
    std::u32string text;
    switch (charset_) {
        case Charset::Ucs2: {
            const auto octets = HexPair::Decode(te);
            if (!octets || octets->size() % 2 != 0) {
                return std::nullopt;
            }
            std::u16string units;
            for (std::size_t i = 0; i < octets->size(); i += 2) {
                units += static_cast<char16_t>((*octets)[i] << 8 | (*octets)[i + 1]);
            }
            return UnicodeText::ToUtf8(UnicodeText::FromUtf16(units));
        }
        case Charset::Gsm: {
            std::string septets;
            for (char c : te) {
                septets += static_cast<unsigned char>(c) < 0x80 ? c : '?';
            }
            return UnicodeText::ToUtf8(GsmAlphabet::FromSeptets(septets));
        }
        case Charset::Latin1:
            for (char c : te) {
                text += static_cast<unsigned char>(c);
            }
            return UnicodeText::ToUtf8(text);
        case Charset::Ira:
            break;
    }
    // IRA is 7-bit: bytes beyond it have no character and come out as '?'.
    for (char c : te) {
        text += static_cast<unsigned char>(c) < 0x80 ? static_cast<char32_t>(c) : U'?';
    }
    return UnicodeText::ToUtf8(text);
}

// ---- the store ----------------------------------------------------------------------------

int CardModem::AddMessage(const std::string& number, const std::string& utf8Text,
                          std::uint64_t nowMs) {
    const auto parts =
        DeliverPduBuilder::Build(number, utf8Text, SmsTimeStamp::At(std::time(nullptr)),
                                 options_.serviceCentre, concatReference_);
    if (static_cast<int>(parts.size()) > store_.Free()) {
        return -1;  // the network keeps it until there is room; here it is dropped
    }
    if (parts.size() > 1) {
        concatReference_ = (concatReference_ + 1) % 256;
    }
    int first = -1;
    for (const StoredMessage& part : parts) {
        const int index = store_.Put(part);
        if (first < 0) {
            first = index;
        }
        if (cnmiMode_ > 0 && cnmiMt_ == 1) {
            Unsolicited("+CMTI: \"SM\"," + std::to_string(index), nowMs);
        }
    }
    return first;
}

int CardModem::StoreMessage(const StoredMessage& message, std::uint64_t nowMs) {
    const int index = store_.Put(message);
    if (index > 0 && cnmiMode_ > 0 && cnmiMt_ == 1) {
        Unsolicited("+CMTI: \"SM\"," + std::to_string(index), nowMs);
    }
    return index;
}

std::string CardModem::TextHeader(const StoredMessage& message, bool listing, int index) const {
    std::string header = listing ? "+CMGL: " + std::to_string(index) + "," : "+CMGR: ";
    header += std::string("\"") + kStatusNames[static_cast<int>(message.status)] + "\",\"" +
              ToTe(message.number) + "\",,\"" + message.timeStamp + "\"";
    return header;
}

std::string CardModem::TextBody(const StoredMessage& message) const {
    // 3GPP TS 27.005 3.1 <data>: 8-bit and UCS2 data, and any data behind a user-data
    // header, show as hexadecimal octets; GSM 7-bit text in the TE character set.
    if (message.dataCoding != 0 || message.hasHeader) {
        return HexText::Encode(message.userData);
    }
    return ToTe(message.text);
}

CardModem::Reply CardModem::ListMessages(const AtCommand& command) {
    if (command.form == AtCommand::Form::Test) {
        answer_ += Info(textMode_ ? "+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO "
                                    "SENT\",\"ALL\")"
                                  : "+CMGL: (0-4)");
        return Reply::Ok();
    }
    const auto filter = ListFilter(command.argument, textMode_);
    if (!filter) {
        return Reply::Cms(textMode_ ? 305 : 304);
    }
    std::string listing;
    for (int index : store_.Indices()) {
        StoredMessage& message = *store_.Find(index);
        if (*filter != 4 && static_cast<int>(message.status) != *filter) {
            continue;
        }
        if (!listing.empty()) {
            listing += "\r\n";
        }
        if (textMode_) {
            listing += TextHeader(message, true, index) + "\r\n" + TextBody(message);
        } else {
            listing += "+CMGL: " + std::to_string(index) + "," +
                       std::to_string(static_cast<int>(message.status)) + "," + PduAlpha(message) +
                       "," + std::to_string(message.tpduLength) + "\r\n" +
                       HexText::Encode(message.pdu);
        }
        if (message.status == Status::ReceivedUnread) {
            message.status = Status::ReceivedRead;
        }
    }
    if (!listing.empty()) {
        answer_ += Info(listing);
    }
    return Reply::Ok();
}

CardModem::Reply CardModem::ReadMessage(const AtCommand& command) {
    if (command.form == AtCommand::Form::Test) {
        return Reply::Ok();
    }
    const auto index = Index(command.argument);
    StoredMessage* message = index ? store_.Find(*index) : nullptr;
    if (message == nullptr) {
        return Reply::Cms(321);
    }
    if (textMode_) {
        answer_ += Info(TextHeader(*message, false, *index) + "\r\n" + TextBody(*message));
    } else {
        answer_ += Info("+CMGR: " + std::to_string(static_cast<int>(message->status)) + "," +
                        PduAlpha(*message) + "," + std::to_string(message->tpduLength) + "\r\n" +
                        HexText::Encode(message->pdu));
    }
    if (message->status == Status::ReceivedUnread) {
        message->status = Status::ReceivedRead;
    }
    return Reply::Ok();
}

CardModem::Reply CardModem::DeleteMessage(const AtCommand& command) {
    if (command.form == AtCommand::Form::Test) {
        answer_ += Info("+CMGD: (1-" + std::to_string(store_.Capacity()) + "),(0-4)");
        return Reply::Ok();
    }
    const std::string& arg = command.argument;
    const auto comma = arg.find(',');
    const auto index = Index(arg.substr(0, comma));
    const auto flag =
        comma == std::string::npos ? std::optional<int>(0) : Index(arg.substr(comma + 1));
    if (!flag || *flag > 4) {
        return Reply::Cms(303);
    }
    if (*flag == 0) {
        if (!index || *index < 1 || *index > store_.Capacity()) {
            return Reply::Cms(321);
        }
        store_.Erase(*index);  // an empty slot is already as asked
        return Reply::Ok();
    }
    // <delflag> 1: all read; 2: and sent; 3: and unsent; 4: everything.
    for (int i : store_.Indices()) {
        const Status status = store_.Find(i)->status;
        const bool erase = *flag == 4 || status == Status::ReceivedRead ||
                           (*flag >= 2 && status == Status::StoredSent) ||
                           (*flag >= 3 && status == Status::StoredUnsent);
        if (erase) {
            store_.Erase(i);
        }
    }
    return Reply::Ok();
}

// ---- sending --------------------------------------------------------------------------------

CardModem::Reply CardModem::StartSubmit(const AtCommand& command) {
    if (command.form == AtCommand::Form::Test) {
        return Reply::Ok();
    }
    if (command.form != AtCommand::Form::Set) {
        return Reply::Cms(textMode_ ? 305 : 304);
    }
    if (textMode_) {
        const std::string& arg = command.argument;
        const std::string quoted = arg.substr(0, arg.find(','));
        if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
            return Reply::Cms(305);
        }
        const auto number = FromTe(Unquoted(quoted));
        if (!number || number->empty()) {
            return Reply::Cms(305);
        }
        submitDestination_ = *number;
    } else {
        const auto length = Index(command.argument);
        if (!length || *length < 7 || *length > 164) {
            return Reply::Cms(304);
        }
        submitLength_ = *length;
    }
    submitBody_.clear();
    mode_ = Mode::SmsBody;
    answer_ += "\r\n> ";
    return Reply::Later();
}

void CardModem::FinishSubmit(std::uint64_t nowMs) {
    const std::uint64_t dueMs = nowMs + answerDelayMs_ + options_.smsSendMs;
    busyUntilMs_ = dueMs;
    SentMessage sent;
    sent.pduMode = !textMode_;
    sent.raw = submitBody_;
    if (sent.pduMode) {
        std::string hex;
        for (char c : submitBody_) {
            if (std::isxdigit(static_cast<unsigned char>(c)) != 0) {
                hex += c;
            } else if (c != '\r' && c != '\n' && c != ' ') {
                hex += 'X';  // not hex: the decoder refuses it
            }
        }
        const auto submit = SubmitPduDecoder::Decode(hex, submitLength_);
        if (!submit) {
            Emit(Final(Reply::Cms(304)), dueMs);
            return;
        }
        sent.number = submit->number;
        sent.text = submit->text;
        sent.tpReference = submit->reference;
        sent.dataCoding = submit->dataCoding;
        sent.hasHeader = submit->hasHeader;
    } else {
        sent.number = submitDestination_;
        sent.text = FromTe(submitBody_).value_or(std::string());
    }
    const int status = RegistrationStatus();
    if (status != 1 && status != 5) {
        Emit(Final(Reply::Cms(331)), dueMs);  // no network service
        return;
    }
    sent.reference = nextReference_;
    nextReference_ = (nextReference_ + 1) % 256;
    const std::string answer = Info("+CMGS: " + std::to_string(sent.reference));
    sent_.push_back(std::move(sent));
    Emit(answer + Final(Reply::Ok()), dueMs);
}

}  // namespace veltro::vcard
