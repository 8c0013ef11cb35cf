#include <algorithm>
#include <cstring>
#include <string>

#include "modem/CmgrParser.h"
#include "modem/GbkText.h"
#include "modem/MessageListParser.h"
#include "modem/ModemEngine.h"
#include "modem/SmsPduBuilder.h"
#include "modem/Utf16Text.h"

namespace veltro {

namespace {

// Ends a message body on the wire: Ctrl-Z, then LF CR LF; the line's own CR follows.
constexpr std::string_view kBodyEnd = "\x1a\n\r\n";

constexpr std::uint32_t kTextModeLimitMs = 2000;
constexpr std::uint32_t kTextSendPauseMs = 2000;
constexpr std::uint32_t kTextSendLimitMs = 5000;
constexpr std::uint32_t kModeReturnPauseMs = 100;
constexpr std::uint32_t kPduModeLimitMs = 4000;
constexpr std::uint32_t kPduPrepareMs = 1000;
constexpr std::uint32_t kPduSendPauseMs = 3500;
constexpr std::uint32_t kPduSendLimitMs = 6000;
constexpr std::uint32_t kPduSendGapMs = 20;
constexpr std::uint32_t kListPauseMs = 100;
constexpr std::uint32_t kListLimitMs = 16000;
constexpr std::uint32_t kListTailMs = 50;
constexpr std::uint32_t kReadLimitMs = 2000;
constexpr std::uint32_t kReadModeLimitMs = 2500;
constexpr std::uint32_t kReadTextPauseMs = 1000;
constexpr std::uint32_t kDeleteLimitMs = 2000;
constexpr std::uint32_t kDeletePauseMs = 1000;
constexpr std::uint32_t kCollectSliceMs = 50;
// The quoted number of "AT+CMGS=" fits a 100-byte field.
constexpr std::size_t kMaxQuotedNumber = 99;

bool IsStorageIndex(std::string_view index) {
    return !index.empty() && index.size() <= MessageListParser::kMaxIndexChars &&
           std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A text-mode number goes inside quotes on a command line.
bool IsQuotableNumber(std::string_view number) {
    return number.size() + 2 <= kMaxQuotedNumber &&
           std::none_of(number.begin(), number.end(),
                        [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

bool ModemEngine::CollectUntilOk(std::uint32_t limitMs) {
    const std::uint64_t start = clock_.NowMs();
    for (;;) {
        std::uint32_t count = 0;
        const std::uint64_t before = clock_.NowMs() - start;
        DrainUntilQuiet(&count,
                        before < limitMs ? static_cast<std::uint32_t>(limitMs - before) : 0);
        if (FindCode(ResultCodeId::Ok) >= 0) {
            return true;
        }
        const std::uint64_t elapsed = clock_.NowMs() - start;
        if (elapsed >= limitMs || !port_ || deviceGone_.load()) {
            return false;
        }
        WaitForInput(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(limitMs - elapsed, kCollectSliceMs)));
    }
}

int ModemEngine::ReturnToPduMode() {
    return SendCommand(AtCommandId::Cmgf, CommandForm::Assign, "0");
}

bool ModemEngine::SendShortMessage(std::string_view utf8Text, std::string_view number) {
    if (number.size() < kPduRouteMinNumberChars) {
        return SendTextMessage(utf8Text, number);
    }
    const std::optional<std::u16string> text = Utf16Text::FromUtf8(utf8Text);
    if (!text) {
        return false;
    }
    return SendPduMessage(*text, number);
}

bool ModemEngine::SendTextMessage(std::string_view utf8Text, std::string_view number) {
    const std::optional<std::string> gbk = GbkText::FromUtf8(utf8Text);
    if (gbk && GbkText::ToUtf8(*gbk) != utf8Text) {
        // Text mode would turn what GBK lacks into '?': a number of digits gets the
        // text unchanged as UCS2 instead, anything else nothing at all.
        const std::optional<std::u16string> units = Utf16Text::FromUtf8(utf8Text);
        if (!units || !SmsPduBuilder::DestinationAddress(number, nullptr, true)) {
            return false;
        }
        return SendPdus(*units, number, true);
    }
    // Ctrl-Z would end the message early and ESC cancel it; what followed would reach
    // the modem as command text. A zero byte would end the line before its Ctrl-Z, and a
    // body beyond the line buffer is not written at all: either way the modem would be
    // left waiting for the text after "AT+CMGS=" and take the next commands into it.
    constexpr std::string_view kLineBreakers("\x1a\x1b\0", 3);
    if (!gbk || gbk->find_first_of(kLineBreakers) != std::string::npos ||
        gbk->size() + kBodyEnd.size() + 1 >= kResponseSize || !IsQuotableNumber(number)) {
        return false;
    }
    ClearResponse();
    if (!RunExchange({AtCommandId::Cmgf, CommandForm::Assign, "1", SendMode::Settle,
                      ResultCodeId::Ok, kTextModeLimitMs, ClearMode::Always})) {
        ReturnToPduMode();
        return false;
    }
    const std::string quoted = "\"" + std::string(number) + "\"";
    const std::string body = *gbk + std::string(kBodyEnd);
    // The modem's "> " prompt is not awaited: the settle after "AT+CMGS=" stands in.
    const bool sent =
        PostCommand(AtCommandId::Cmgs, CommandForm::Assign, quoted.c_str(), true) != 0 &&
        PostCommand(AtCommandId::Body, CommandForm::Append, body.c_str(), true) != 0;
    if (sent) {
        clock_.SleepMs(kTextSendPauseMs);
        if (AwaitCode(ResultCodeId::Ok, kTextSendLimitMs) >= 0) {
            ReturnToPduMode();
            clock_.SleepMs(kModeReturnPauseMs);
            return true;
        }
    }
    HangUp();
    ReturnToPduMode();
    clock_.SleepMs(kModeReturnPauseMs);
    ClearResponse();
    return false;
}

bool ModemEngine::SendPduMessage(std::u16string_view text, std::string_view number) {
    return SendPdus(text, number, false);
}

bool ModemEngine::SendPdus(std::u16string_view text, std::string_view number, bool national) {
    if (number.size() <= 1) {
        return false;
    }
    const std::optional<std::vector<SubmitPdu>> pdus = SmsPduBuilder::BuildAll(
        number, text, MessageReference::Process(), SmsPduBuilder::NextConcatReference(), national);
    if (!pdus) {
        return false;
    }
    ClearResponse();
    if (!RunExchange({AtCommandId::Cmgf, CommandForm::Assign, "0", SendMode::PostSettle,
                      ResultCodeId::Ok, kPduModeLimitMs, ClearMode::OnSuccess})) {
        return false;
    }
    clock_.SleepMs(kPduPrepareMs);
    for (std::size_t i = 0; i < pdus->size(); ++i) {
        // The "OK" of the part before must not confirm this one.
        if (i > 0) {
            ClearResponse();
        }
        const SubmitPdu& pdu = (*pdus)[i];
        const std::string length = std::to_string(pdu.tpduLength);
        const std::string body = pdu.hex + std::string(kBodyEnd);
        const bool sent =
            PostCommand(AtCommandId::Cmgs, CommandForm::Assign, length.c_str(), true) != 0 &&
            PostCommand(AtCommandId::Body, CommandForm::Append, body.c_str(), true) != 0;
        bool confirmed = false;
        if (sent) {
            clock_.SleepMs(kPduSendPauseMs);
            const std::uint64_t start = clock_.NowMs();
            clock_.SleepMs(kPduSendGapMs);
            const std::uint64_t waited = clock_.NowMs() - start;
            const auto left = static_cast<std::uint32_t>(
                waited >= kPduSendLimitMs ? 0 : kPduSendLimitMs - waited);
            confirmed = AwaitCode(ResultCodeId::Ok, left) >= 0;
        }
        if (!confirmed) {
            HangUp();
            return false;
        }
    }
    return true;
}

bool ModemEngine::ListMessages(std::span<MessageIndexSlot> slots, int* count, bool unread,
                               std::vector<std::string>* beyond) {
    *count = 0;
    SendCommand(AtCommandId::Cmgf, CommandForm::Assign, "1");
    ClearResponse();
    if (PostCommand(AtCommandId::Cmgl, CommandForm::Assign,
                    unread ? "\"REC UNREAD\"" : "\"REC READ\"", true) == 0) {
        ReturnToPduMode();
        return false;
    }
    clock_.SleepMs(kListPauseMs);
    // A listing whose "OK" does not come in time is taken as far as it arrived.
    CollectUntilOk(kListLimitMs);
    clock_.SleepMs(kListTailMs);
    std::uint32_t received = 0;
    DrainUntilQuiet(&received);

    const MessageListParser::Listing listing = MessageListParser::Parse(Response());
    for (const std::string& index : listing.indices) {
        if (static_cast<std::size_t>(*count) >= slots.size()) {
            if (beyond == nullptr) {
                break;
            }
            beyond->push_back(index);
            continue;
        }
        MessageIndexSlot& slot = slots[static_cast<std::size_t>(*count)];
        slot.fill('\0');
        std::memcpy(slot.data(), index.data(), std::min(index.size(), slot.size() - 1));
        ++*count;
    }
    ReturnToPduMode();
    if (!listing.complete) {
        return false;
    }
    clock_.SleepMs(kListTailMs);
    return *count > 0;
}

bool ModemEngine::ReadMessage(std::string_view index, ReceivedMessage* message) {
    *message = ReceivedMessage{};
    // The index goes back to the modem inside a command line.
    if (!IsStorageIndex(index)) {
        return false;
    }
    const std::string argument(index);
    ClearResponse();
    if (PostCommand(AtCommandId::Cmgr, CommandForm::Assign, argument.c_str(), true) == 0) {
        return false;
    }
    CollectUntilOk(kReadLimitMs);
    switch (CmgrParser::ParsePduAnswer(Response(), *message)) {
        case CmgrParser::PduVerdict::Malformed:
            return false;
        case CmgrParser::PduVerdict::WithHeader:
            return true;
        case CmgrParser::PduVerdict::WithoutHeader:
            break;
    }

    ClearResponse();
    int modeOk = -1;
    if (SendCommand(AtCommandId::Cmgf, CommandForm::Assign, "1") != 0) {
        modeOk = AwaitCode(ResultCodeId::Ok, kReadModeLimitMs);
    }
    ClearResponse();
    if (modeOk < 0) {
        ReturnToPduMode();
        return false;
    }
    if (PostCommand(AtCommandId::Cmgr, CommandForm::Assign, argument.c_str(), true) == 0) {
        ReturnToPduMode();
        return false;
    }
    clock_.SleepMs(kReadTextPauseMs);
    std::uint32_t received = 0;
    DrainUntilQuiet(&received);
    if (ReturnToPduMode() == 0) {
        return false;
    }
    if (!CmgrParser::ParseTextAnswer(Response(), static_cast<std::size_t>(modeOk), *message)) {
        return false;
    }
    ClearResponse();
    return true;
}

bool ModemEngine::DeleteMessage(std::string_view index) {
    if (!IsStorageIndex(index)) {
        return false;
    }
    const std::string argument(index);
    if (!RunExchange({AtCommandId::Cmgd, CommandForm::Assign, argument.c_str(),
                      SendMode::PostSettle, ResultCodeId::Ok, kDeleteLimitMs, ClearMode::Always})) {
        return false;
    }
    clock_.SleepMs(kDeletePauseMs);
    return true;
}

}  // namespace veltro
