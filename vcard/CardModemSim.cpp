#include <algorithm>

#include "modem/GsmAlphabet.h"
#include "vcard/AtText.h"
#include "vcard/CardModem.h"
#include "vcard/HexText.h"
#include "vcard/UnicodeText.h"

namespace veltro::vcard {

namespace {

// The quoted fields of a "+CPIN=" argument, quotes taken off.
std::vector<std::string> QuotedFields(const std::string& argument) {
    std::vector<std::string> fields(1);
    for (const char c : argument) {
        if (c == ',') {
            fields.emplace_back();
        } else if (c != '"') {
            fields.back() += c;
        }
    }
    return fields;
}

// The reply's string as the network sends it: GSM 7-bit packed in hexadecimal with
// data coding 15, or UCS2 in hexadecimal with data coding 72.
std::string UssdLine(const UssdReply& reply) {
    const std::u32string text = UnicodeText::FromUtf8(reply.text);
    std::string payload;
    int dcs = 72;
    if (reply.coding == UssdReply::Coding::Gsm7Packed) {
        std::string septets = GsmAlphabet::ToSeptets(text).value_or("?");
        // 3GPP TS 23.038 6.1.2.3.1: seven spare bits at the end are filled with CR.
        if (septets.size() % 8 == 7) {
            septets += '\r';
        }
        payload = HexText::Encode(GsmAlphabet::Pack(septets, 0));
        dcs = 15;
    } else {
        std::vector<std::uint8_t> octets;
        for (const char16_t unit : UnicodeText::ToUtf16(text)) {
            octets.push_back(static_cast<std::uint8_t>(unit >> 8));
            octets.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        }
        payload = HexText::Encode(octets);
    }
    return "+CUSD: " + std::string(reply.menu ? "1" : "0") + ",\"" + payload + "\"," +
           std::to_string(dcs);
}

}  // namespace

std::string CardModem::Masked(const std::string& line) {
    const std::string upper = AtText::Upper(line);
    const std::size_t at = upper.find("+CPIN=");
    if (at == std::string::npos) {
        return line;
    }
    return line.substr(0, at + 6) + "<hidden>";
}

CardModem::Reply CardModem::ExecuteSim(const AtCommand& command) {
    const auto form = command.form;
    if (form == AtCommand::Form::Test) {
        return Reply::Ok();
    }
    if (sim_ == SimState::Absent) {
        return Reply::Cme(10);
    }
    if (command.name == "+CPINR") {
        answer_ +=
            Info("+CPINR: SIM PIN," + std::to_string(pinTries_) + "," + std::to_string(kPinTries));
        answer_ +=
            Info("+CPINR: SIM PUK," + std::to_string(pukTries_) + "," + std::to_string(kPukTries));
        return Reply::Ok();
    }
    if (form == AtCommand::Form::Read) {
        answer_ += Info(sim_ == SimState::Ready       ? "+CPIN: READY"
                        : sim_ == SimState::PukLocked ? "+CPIN: SIM PUK"
                                                      : "+CPIN: SIM PIN");
        return Reply::Ok();
    }
    const std::vector<std::string> fields = QuotedFields(command.argument);
    if (sim_ == SimState::PinLocked) {
        if (fields.size() != 1) {
            return Reply::Cme(3);
        }
        if (fields[0] != options_.simPin) {
            // 3GPP TS 27.007: the third wrong PIN blocks the SIM until its PUK.
            if (--pinTries_ == 0) {
                sim_ = SimState::PukLocked;
            }
            return Reply::Cme(16);
        }
        pinTries_ = kPinTries;
        sim_ = SimState::Ready;
        return Reply::Ok();
    }
    if (sim_ == SimState::PukLocked) {
        if (fields.size() != 2 || pukTries_ == 0) {
            return Reply::Cme(pukTries_ == 0 ? 13 : 3);
        }
        if (fields[0] != options_.simPuk) {
            --pukTries_;
            return Reply::Cme(16);
        }
        options_.simPin = fields[1];
        pinTries_ = kPinTries;
        pukTries_ = kPukTries;
        sim_ = SimState::Ready;
        return Reply::Ok();
    }
    return Reply::Cme(3);
}

CardModem::Reply CardModem::ExecuteUssd(const AtCommand& command, std::uint64_t nowMs) {
    if (command.form == AtCommand::Form::Test) {
        answer_ += Info("+CUSD: (0-2)");
        return Reply::Ok();
    }
    if (command.form == AtCommand::Form::Read) {
        answer_ += Info("+CUSD: 0");
        return Reply::Ok();
    }
    const std::vector<std::string> fields = QuotedFields(command.argument);
    if (fields[0] == "2") {
        ussdMenu_.clear();
        return Reply::Ok();
    }
    if (fields[0] != "1" || fields.size() < 2) {
        return fields[0] == "0" ? Reply::Ok() : Reply::Error();
    }
    if (sim_ != SimState::Ready) {
        return SimError();
    }
    const std::string request = ussdMenu_.empty() ? fields[1] : ussdMenu_ + ">" + fields[1];
    const auto reply = std::find_if(options_.ussd.begin(), options_.ussd.end(),
                                    [&](const UssdReply& r) { return r.request == request; });
    const std::uint64_t dueMs = nowMs + answerDelayMs_ + options_.ussdMs;
    if (reply == options_.ussd.end()) {
        ussdMenu_.clear();
        Emit(Info("+CUSD: 4"), dueMs);
        return Reply::Ok();
    }
    ussdMenu_ = reply->menu ? request : std::string();
    Emit(Info(UssdLine(*reply)), dueMs);
    return Reply::Ok();
}

}  // namespace veltro::vcard
