#include <array>
#include <cstdio>
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "modem/GbkText.h"
#include "modem/MessageContent.h"
#include "modem/SmsPduBuilder.h"
#include "modem/Utf16Text.h"

namespace veltro::cli {

namespace {

// The inbox's index slots: 50 of 10 bytes.
constexpr std::size_t kIndexSlots = 50;

std::string HexBytes(const std::string& bytes) {
    std::string hex;
    for (const char c : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof(pair), "%02X", static_cast<unsigned char>(c));
        hex += pair;
    }
    return hex;
}

// Sends TEXT (UTF-8) to NUMBER; succeeds only when the modem confirmed it. A text
// over 70 UTF-16 units goes as the parts of a concatenated message; their count is
// printed first.
int RunSend(CliContext& context, const std::vector<std::string>& arguments) {
    const std::string& number = arguments[0];
    const std::string& text = arguments[1];
    const std::optional<std::u16string> units = Utf16Text::FromUtf8(text);
    if (!units) {
        return context.Fail("the text is not valid UTF-8");
    }
    const std::size_t parts = SmsPduBuilder::PartCount(*units);
    // Numbers the encoder refuses are told apart from a modem that did not answer.
    std::size_t digits = 0;
    const bool pduRoute = number.size() >= ModemEngine::kPduRouteMinNumberChars;
    if (pduRoute && !SmsPduBuilder::DestinationAddress(number, &digits)) {
        return context.Fail("cannot send to " + number +
                            ": a number of this length must be digits, \"+\" in front at most, "
                            "and at most 20 of them");
    }
    if (!pduRoute) {
        const std::optional<std::string> gbk = GbkText::FromUtf8(text);
        const bool keptInGbk = gbk && GbkText::ToUtf8(*gbk) == text;
        if (!keptInGbk && !SmsPduBuilder::DestinationAddress(number, &digits, true)) {
            return context.Fail("cannot send to " + number +
                                ": the text has characters outside GBK, which only a number of "
                                "digits can get");
        }
    }
    if (parts > SmsPduBuilder::kMaxParts) {
        return context.Fail("the text would take " + std::to_string(parts) + " messages; at most " +
                            std::to_string(SmsPduBuilder::kMaxParts) + " go out as one");
    }
    if (pduRoute && parts > 1) {
        context.Out() << "parts: " << parts << '\n';
    }
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    engine.ClearResponse();
    const bool sent = engine.SendShortMessage(text, number);
    engine.ClearResponse();
    if (!sent) {
        return context.Fail("the modem did not confirm the message to " + number);
    }
    context.Out() << "sent\n";
    return kExitSuccess;
}

// Prints the storage index of each unread (or, with --read, read) message.
int RunList(CliContext& context, const std::vector<std::string>& arguments) {
    bool unread = true;
    if (!arguments.empty()) {
        if (arguments[0] != "--read") {
            return context.Fail("unknown option " + arguments[0] + " (only --read)");
        }
        unread = false;
    }
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    std::array<ModemEngine::MessageIndexSlot, kIndexSlots> slots{};
    int count = 0;
    const bool listed = engine.ListMessages(slots, &count, unread);
    for (int i = 0; i < count; ++i) {
        context.Out() << slots[static_cast<std::size_t>(i)].data() << '\n';
    }
    // The listing stays in the buffer: an empty one still ends in "OK".
    const bool answered = engine.FindCode(ResultCodeId::Ok) >= 0;
    const bool entries = engine.FindCode(ResultCodeId::Cmgl) >= 0;
    engine.ClearResponse();
    if (listed || (answered && !entries)) {
        return kExitSuccess;
    }
    return context.Fail(answered ? "the listing has an entry without a comma"
                                 : "no answer to AT+CMGL");
}

// Prints number, time stamp, coding flags and the body of one stored message.
int RunRead(CliContext& context, const std::vector<std::string>& arguments) {
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    ReceivedMessage message;
    if (!context.Engine().ReadMessage(arguments[0], &message)) {
        return context.Fail("message " + arguments[0] + " could not be read");
    }
    std::ostream& out = context.Out();
    out << "number: " << message.number << '\n'
        << "time: " << message.timeStamp << '\n'
        << "ucs2: " << (message.isUcs2 ? 1 : 0) << '\n'
        << "header: " << (message.hasHeader ? 1 : 0) << '\n';
    if (message.hasHeader || message.eightBit) {
        const MessageContent content = MessageContent::Of(message);
        out << "pdu: " << HexBytes(message.bytes) << '\n';
        if (content.isPart) {
            out << "part: " << content.sequence << '/' << content.total << " reference "
                << content.reference << '\n';
        }
        out << "text: " << content.text << '\n';
    } else if (message.isUcs2) {
        out << "text: " << Utf16Text::ToUtf8(message.text) << '\n';
    } else {
        out << "text: " << GbkText::ToUtf8(message.bytes) << '\n';
    }
    return kExitSuccess;
}

int RunDelete(CliContext& context, const std::vector<std::string>& arguments) {
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().DeleteMessage(arguments[0])) {
        return context.Fail("message " + arguments[0] + " was not deleted");
    }
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"sms send", "NUMBER TEXT", 2, 2, RunSend},
    {"sms list", "[--read]", 0, 1, RunList},
    {"sms read", "INDEX", 1, 1, RunRead},
    {"sms delete", "INDEX", 1, 1, RunDelete},
};

}  // namespace

std::span<const CliCommand> SmsCommands() {
    return kCommands;
}

}  // namespace veltro::cli
