#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/DataFolder.h"
#include "cli/TerminalText.h"
#include "modem/GbkText.h"
#include "modem/MessageContent.h"
#include "modem/SmsPduBuilder.h"
#include "modem/Utf16Text.h"
#include "records/MessageRecord.h"
#include "records/RecordFile.h"

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
    CommandOutput& output = context.Output();
    if (pduRoute && parts > 1) {
        output.Field("parts", parts);
    }
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
    output.Line("sent");
    output.Object()["sent"] = true;
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
    if (!context.Open()) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    std::array<ModemEngine::MessageIndexSlot, kIndexSlots> slots{};
    int count = 0;
    // The listing marks what it lists read on the SIM, so what does not fit the slots
    // is printed too: it would not be listed as unread again.
    std::vector<std::string> beyond;
    const bool listed = engine.ListMessages(slots, &count, unread, &beyond);
    std::vector<std::string> indices;
    for (int i = 0; i < count; ++i) {
        indices.emplace_back(slots[static_cast<std::size_t>(i)].data());
    }
    indices.insert(indices.end(), beyond.begin(), beyond.end());
    CommandOutput& output = context.Output();
    nlohmann::ordered_json& listedIndices = output.Object()["indices"] =
        nlohmann::ordered_json::array();
    for (const std::string& index : indices) {
        output.Line(index);
        listedIndices.push_back(std::stoll(index));
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
    if (!context.Open()) {
        return kExitFailure;
    }
    ReceivedMessage message;
    if (!context.Engine().ReadMessage(arguments[0], &message)) {
        return context.Fail("message " + arguments[0] + " could not be read");
    }
    CommandOutput& output = context.Output();
    output.Field("number", message.number);
    output.Field("time", message.timeStamp);
    output.Field("ucs2", message.isUcs2);
    output.Field("header", message.hasHeader);
    if (message.hasHeader || message.eightBit) {
        const MessageContent content = MessageContent::Of(message);
        output.Field("pdu", HexBytes(message.bytes));
        if (content.isPart) {
            output.Line("part: " + std::to_string(content.sequence) + '/' +
                        std::to_string(content.total) + " reference " +
                        std::to_string(content.reference));
            output.Object()["part"] = {{"sequence", content.sequence},
                                       {"total", content.total},
                                       {"reference", content.reference}};
        }
        output.Field("text", content.text);
    } else if (message.isUcs2) {
        output.Field("text", Utf16Text::ToUtf8(message.text));
    } else {
        output.Field("text", GbkText::ToUtf8(message.bytes));
    }
    return kExitSuccess;
}

int RunDelete(CliContext& context, const std::vector<std::string>& arguments) {
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().DeleteMessage(arguments[0])) {
        return context.Fail("message " + arguments[0] + " was not deleted");
    }
    context.Output().Object()["deleted"] = std::stoll(arguments[0]);
    return kExitSuccess;
}

// One CSV field: quoted when it holds a comma, a quote or a blank at either end, with
// inner quotes doubled; control characters escaped as in plain output.
std::string CsvField(const std::string& text) {
    const std::string safe = TerminalText::Escape(text);
    const bool quoted = safe.find_first_of(",\"") != std::string::npos ||
                        (!safe.empty() && (safe.front() == ' ' || safe.back() == ' '));
    if (!quoted) {
        return safe;
    }
    std::string field = "\"";
    for (const char c : safe) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    return field + '"';
}

// Writes the messages kept in "sms.dat", in the order they came, as CSV with the header
// "number,time,text", or with --json as {"messages": [...]}.
int RunExport(CliContext& context, const std::vector<std::string>& arguments) {
    if (!arguments.empty() && arguments[0] != "--csv") {
        return context.Fail("unknown option " + arguments[0] + " (--csv, or --json before it)");
    }
    const DataFolder folder(context.Options().dataHome);
    const std::string path = folder.PathOf(MessageRecord::kFileName);
    std::error_code ec;
    if (path.empty() || (std::filesystem::exists(path, ec) && !std::ifstream(path))) {
        return context.Fail("cannot read " + (path.empty() ? "sms.dat" : path));
    }
    CommandOutput& output = context.Output();
    if (!output.Json()) {
        context.Out() << "number,time,text\n";
    }
    nlohmann::ordered_json& messages = output.Object()["messages"] =
        nlohmann::ordered_json::array();
    for (const MessageRecord& message : RecordFile<MessageRecord>::Read(path)) {
        if (output.Json()) {
            messages.push_back(
                {{"number", message.number}, {"time", message.time}, {"text", message.content}});
        } else {
            context.Out() << CsvField(message.number) << ',' << CsvField(message.time) << ','
                          << CsvField(message.content) << '\n';
        }
    }
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"sms send", "NUMBER TEXT", 2, 2, RunSend}, {"sms list", "[--read]", 0, 1, RunList},
    {"sms read", "INDEX", 1, 1, RunRead},       {"sms delete", "INDEX", 1, 1, RunDelete},
    {"sms export", "[--csv]", 0, 1, RunExport},
};

}  // namespace

std::span<const CliCommand> SmsCommands() {
    return kCommands;
}

}  // namespace veltro::cli
