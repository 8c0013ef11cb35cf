#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/DataFolder.h"
#include "cli/MessageJoiner.h"
#include "cli/TerminalText.h"
#include "modem/GbkText.h"
#include "modem/MessageContent.h"
#include "modem/PhoneNumber.h"
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
    const std::string number = PhoneNumber::Clean(arguments[0]);
    const std::string& text = arguments[1];
    if (const std::optional<std::string> refused = PhoneNumber::RefusedForSend(number)) {
        return context.Fail("cannot send to " + arguments[0] + ": \"" + *refused +
                            "\" cannot go into the number (digits, \"+\" in front at most)");
    }
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
        if (parts > 1) {
            return context.Fail("the modem did not confirm the message to " + number + ": " +
                                std::to_string(engine.PartsConfirmed()) + " of " +
                                std::to_string(parts) + " parts went out");
        }
        return context.Fail("the modem did not confirm the message to " + number);
    }
    output.Line("sent");
    output.Object()["sent"] = true;
    return kExitSuccess;
}

const char* StatusName(int status) {
    switch (status) {
        case 0:
            return "unread";
        case 1:
            return "read";
        default:
            return "unknown";
    }
}

// Deletes the messages at indices, each only once; the indices deleted go to the
// object's "deleted". False when one of them was not deleted.
bool DeleteAll(CliContext& context, const std::vector<std::string>& indices) {
    nlohmann::ordered_json& deleted = context.Output().Object()["deleted"] =
        nlohmann::ordered_json::array();
    bool all = true;
    for (const std::string& index : indices) {
        if (context.Engine().DeleteMessage(index)) {
            deleted.push_back(std::stoll(index));
        } else {
            context.Output().Note("message " + index + " was not deleted");
            all = false;
        }
    }
    return all;
}

// Every unread (or read) message from one PDU listing: index, status, number, time and
// the whole text, the parts of a long message joined.
int RunListText(CliContext& context, bool unread, bool remove) {
    if (!context.Open()) {
        return kExitFailure;
    }
    std::vector<ListedMessage> listed;
    const bool whole = context.Engine().ListMessageContents(unread, &listed);
    if (!whole && listed.empty()) {
        return context.Fail("the card gave no whole PDU listing to AT+CMGL");
    }
    CommandOutput& output = context.Output();
    nlohmann::ordered_json& messages = output.Object()["messages"] =
        nlohmann::ordered_json::array();
    std::vector<std::string> printed;
    for (const JoinedMessage& message : MessageJoiner::Join(listed)) {
        std::string indices;
        nlohmann::ordered_json indexArray = nlohmann::ordered_json::array();
        for (const std::string& index : message.indices) {
            indices += (indices.empty() ? "" : ",") + index;
            indexArray.push_back(std::stoll(index));
            printed.push_back(index);
        }
        const std::string text = message.pdu.empty() ? message.text : HexBytes(message.pdu);
        output.Row({indices, StatusName(message.status), message.number, message.time, text});
        nlohmann::ordered_json entry = {{"indices", indexArray},
                                        {"status", StatusName(message.status)},
                                        {"number", message.number},
                                        {"time", message.time},
                                        {"text", text},
                                        {"parts", message.parts},
                                        {"missing", message.missing}};
        if (!message.pdu.empty()) {
            entry["pdu"] = text;
        }
        messages.push_back(std::move(entry));
    }
    const bool deleted = !remove || DeleteAll(context, printed);
    if (!whole) {
        return context.Fail("the listing broke off after the messages printed");
    }
    return deleted ? kExitSuccess : kExitFailure;
}

// Prints the storage index of each unread (or, with --read, read) message; with --text
// every message whole, and with --delete removes what was printed.
int RunList(CliContext& context, const std::vector<std::string>& arguments) {
    bool unread = true;
    bool text = false;
    bool remove = false;
    for (const std::string& option : arguments) {
        if (option == "--read") {
            unread = false;
        } else if (option == "--text") {
            text = true;
        } else if (option == "--delete") {
            remove = true;
        } else {
            return context.Fail("unknown option " + option + " (--read, --text, --delete)");
        }
    }
    if (remove && !text) {
        return context.Fail("--delete needs --text: only what was printed is deleted");
    }
    if (text) {
        return RunListText(context, unread, remove);
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
    return context.Fail(answered ? "the listing has an entry it cannot take apart"
                                 : "no answer to AT+CMGL");
}

// The fields of one read message: number, time stamp, coding flags and the body.
nlohmann::ordered_json MessageFields(const ReceivedMessage& message) {
    nlohmann::ordered_json fields = {{"number", message.number},
                                     {"time", message.timeStamp},
                                     {"ucs2", message.isUcs2},
                                     {"header", message.hasHeader}};
    if (message.hasHeader || message.eightBit) {
        const MessageContent content = MessageContent::Of(message);
        fields["pdu"] = HexBytes(message.bytes);
        if (content.isPart) {
            fields["part"] = {{"sequence", content.sequence},
                              {"total", content.total},
                              {"reference", content.reference}};
        }
        fields["text"] = content.text;
    } else if (message.isUcs2) {
        fields["text"] = Utf16Text::ToUtf8(message.text);
    } else {
        fields["text"] = GbkText::ToUtf8(message.bytes);
    }
    return fields;
}

// The keys of fields added to object, in their order. (update() threw "cannot use
// insert() with object" when merging a message's fields into an entry here.)
void AddFields(nlohmann::ordered_json& object, const nlohmann::ordered_json& fields) {
    for (const auto& [key, value] : fields.items()) {
        object[key] = value;
    }
}

void PrintFields(CommandOutput& output, const nlohmann::ordered_json& fields) {
    for (const auto& [key, value] : fields.items()) {
        if (key == "part") {
            output.Line("part: " + std::to_string(value["sequence"].get<int>()) + '/' +
                        std::to_string(value["total"].get<int>()) + " reference " +
                        std::to_string(value["reference"].get<int>()));
        } else if (value.is_boolean()) {
            output.Line(key + ": " + (value.get<bool>() ? "1" : "0"));
        } else {
            output.Line(key + ": " + value.get<std::string>());
        }
    }
}

// Prints number, time stamp, coding flags and the body of each stored message named;
// with --delete removes those that were printed. One index prints its fields as the
// object's keys, several a "messages" list of them with their "index".
int RunRead(CliContext& context, const std::vector<std::string>& arguments) {
    std::vector<std::string> indices;
    bool remove = false;
    for (const std::string& argument : arguments) {
        if (argument == "--delete") {
            remove = true;
        } else {
            indices.push_back(argument);
        }
    }
    if (indices.empty()) {
        return context.Fail("sms read needs an INDEX");
    }
    if (!context.Open()) {
        return kExitFailure;
    }
    CommandOutput& output = context.Output();
    const bool several = indices.size() > 1;
    nlohmann::ordered_json messages = nlohmann::ordered_json::array();
    std::vector<std::string> printed;
    std::string unread;
    for (const std::string& index : indices) {
        ReceivedMessage message;
        if (!context.Engine().ReadMessage(index, &message)) {
            unread += (unread.empty() ? "" : ", ") + index;
            continue;
        }
        nlohmann::ordered_json fields = MessageFields(message);
        if (several) {
            if (!printed.empty()) {
                output.Line("");
            }
            output.Line("index: " + index);
        }
        PrintFields(output, fields);
        printed.push_back(index);
        if (several) {
            nlohmann::ordered_json entry = nlohmann::ordered_json::object();
            entry["index"] = std::stoll(index);
            AddFields(entry, fields);
            messages.push_back(std::move(entry));
        } else {
            AddFields(output.Object(), fields);
        }
    }
    if (several) {
        output.Object()["messages"] = std::move(messages);
    }
    const bool deleted = !remove || DeleteAll(context, printed);
    if (!unread.empty()) {
        return context.Fail("message " + unread + " could not be read");
    }
    return deleted ? kExitSuccess : kExitFailure;
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
    {"sms send", "NUMBER TEXT", 2, 2, RunSend},
    {"sms list", "[--read] [--text [--delete]]", 0, 3, RunList},
    {"sms read", "INDEX... [--delete]", 1, 64, RunRead},
    {"sms delete", "INDEX", 1, 1, RunDelete},
    {"sms export", "[--csv]", 0, 1, RunExport},
};

}  // namespace

std::span<const CliCommand> SmsCommands() {
    return kCommands;
}

}  // namespace veltro::cli
