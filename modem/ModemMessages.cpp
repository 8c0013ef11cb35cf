#include <algorithm>
#include <cstring>
#include <string>

#include "modem/CmgrParser.h"
#include "modem/GbkText.h"
#include "modem/MessageListParser.h"
#include "modem/ModemEngine.h"
#include "modem/PduAnswerParser.h"
#include "modem/PhoneNumber.h"
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

PduAnswerParser::Final ModemEngine::CollectFinal(std::uint32_t limitMs) {
    const std::uint64_t start = clock_.NowMs();
    for (;;) {
        std::uint32_t count = 0;
        DrainInput(&count);
        const PduAnswerParser::Final final = PduAnswerParser::FinalResult(Response());
        if (final != PduAnswerParser::Final::None) {
            return final;
        }
        const std::uint64_t elapsed = clock_.NowMs() - start;
        if (elapsed >= limitMs || !port_ || deviceGone_.load()) {
            return final;
        }
        WaitForInput(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(limitMs - elapsed, kCollectSliceMs)));
    }
}

int ModemEngine::ReturnToPduMode() {
    return SendCommand(AtCommandId::Cmgf, CommandForm::Assign, "0");
}

PduAnswerParser::Final ModemEngine::SelectPduMode() {
    ClearResponse();
    PduAnswerParser::Final final = PduAnswerParser::Final::None;
    if (PostCommand(AtCommandId::Cmgf, CommandForm::Assign, "0", false) != 0) {
        final = CollectFinal(kTextModeLimitMs);
    }
    ClearResponse();
    if (final == PduAnswerParser::Final::Error) {
        pduModeRefused_ = true;
    } else if (final == PduAnswerParser::Final::Ok) {
        pduModeRefused_ = false;
    }
    return final;
}

bool ModemEngine::SendShortMessage(std::string_view utf8Text, std::string_view number) {
    partsConfirmed_ = 0;
    const std::string cleaned = PhoneNumber::Clean(number);
    if (cleaned.size() < kPduRouteMinNumberChars) {
        return SendTextMessage(utf8Text, cleaned);
    }
    const std::optional<std::u16string> text = Utf16Text::FromUtf8(utf8Text);
    if (!text) {
        return false;
    }
    return SendPduMessage(*text, cleaned);
}

bool ModemEngine::SendTextMessage(std::string_view utf8Text, std::string_view writtenNumber) {
    partsConfirmed_ = 0;
    const std::string number = PhoneNumber::Clean(writtenNumber);
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
            partsConfirmed_ = 1;
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
    partsConfirmed_ = 0;
    return SendPdus(text, PhoneNumber::Clean(number), false);
}

bool ModemEngine::SendPdus(std::u16string_view text, std::string_view number, bool national) {
    partsConfirmed_ = 0;
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
        ++partsConfirmed_;
    }
    return true;
}

std::optional<PduAnswerParser::Listing> ModemEngine::ListPdus(bool unread) {
    if (SelectPduMode() != PduAnswerParser::Final::Ok) {
        return std::nullopt;
    }
    if (PostCommand(AtCommandId::Cmgl, CommandForm::Assign, unread ? "0" : "1", false) == 0) {
        return PduAnswerParser::Listing{{}, false};
    }
    // A listing whose final result does not come in time is taken as far as it arrived:
    // every entry taken has its whole PDU line.
    const PduAnswerParser::Final final = CollectFinal(kListLimitMs);
    PduAnswerParser::Listing listing = PduAnswerParser::ParseListing(Response());
    if (final == PduAnswerParser::Final::Error) {
        listing.complete = false;
    }
    return listing;
}

bool ModemEngine::ListTextMode(bool unread, std::vector<std::string>* indices) {
    SendCommand(AtCommandId::Cmgf, CommandForm::Assign, "1");
    ClearResponse();
    if (PostCommand(AtCommandId::Cmgl, CommandForm::Assign,
                    unread ? "\"REC UNREAD\"" : "\"REC READ\"", true) == 0) {
        return false;
    }
    clock_.SleepMs(kListPauseMs);
    CollectUntilOk(kListLimitMs);
    clock_.SleepMs(kListTailMs);
    std::uint32_t received = 0;
    DrainUntilQuiet(&received);
    MessageListParser::Listing listing = MessageListParser::Parse(Response());
    *indices = std::move(listing.indices);
    return listing.complete;
}

bool ModemEngine::ListMessages(std::span<MessageIndexSlot> slots, int* count, bool unread,
                               std::vector<std::string>* beyond) {
    *count = 0;
    std::vector<std::string> indices;
    bool complete = false;
    if (const std::optional<PduAnswerParser::Listing> listing = ListPdus(unread)) {
        for (const PduAnswerParser::Entry& entry : listing->entries) {
            indices.push_back(entry.index);
        }
        complete = listing->complete;
    } else if (pduModeRefused_) {
        // Only a card without PDU mode is listed in text mode, where a body can run
        // over several lines and nothing but its first is known not to be an entry.
        complete = ListTextMode(unread, &indices);
    } else {
        return false;
    }
    for (const std::string& index : indices) {
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
    return complete && *count > 0;
}

bool ModemEngine::ListMessageContents(bool unread, std::vector<ListedMessage>* messages) {
    messages->clear();
    const std::optional<PduAnswerParser::Listing> listing = ListPdus(unread);
    if (!listing) {
        return false;
    }
    for (const PduAnswerParser::Entry& entry : listing->entries) {
        ListedMessage listed;
        listed.index = entry.index;
        listed.status = entry.status;
        listed.pdu = entry.pdu;
        listed.decoded = CmgrParser::TakeDeliverPdu(entry.pdu, listed.message);
        messages->push_back(std::move(listed));
    }
    const bool answered = PduAnswerParser::FinalResult(Response()) == PduAnswerParser::Final::Ok;
    ClearResponse();
    return listing->complete && answered;
}

bool ModemEngine::ReadMessage(std::string_view index, ReceivedMessage* message) {
    *message = ReceivedMessage{};
    // The index goes back to the modem inside a command line.
    if (!IsStorageIndex(index)) {
        return false;
    }
    const std::string argument(index);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ClearResponse();
        if (PostCommand(AtCommandId::Cmgr, CommandForm::Assign, argument.c_str(), false) == 0) {
            return false;
        }
        const PduAnswerParser::Final final = CollectFinal(kReadLimitMs);
        if (final != PduAnswerParser::Final::Ok) {
            return false;
        }
        if (CmgrParser::ParsePduAnswer(Response(), *message)) {
            ClearResponse();
            return true;
        }
        *message = ReceivedMessage{};
        // A text-mode answer: the card was left in text mode, or has no PDU mode.
        const std::string_view answer(Response());
        if (answer.find("+CMGR: \"") == std::string_view::npos) {
            return false;
        }
        if (attempt > 0 || pduModeRefused_ || SelectPduMode() == PduAnswerParser::Final::Error) {
            return ReadTextMode(argument, message);
        }
    }
    return false;
}

bool ModemEngine::ReadTextMode(const std::string& index, ReceivedMessage* message) {
    ClearResponse();
    if (PostCommand(AtCommandId::Cmgr, CommandForm::Assign, index.c_str(), false) == 0) {
        return false;
    }
    // A body may hold a line "OK": the answer is taken once the line falls quiet, and
    // its final "OK" is the last one.
    clock_.SleepMs(kReadTextPauseMs);
    std::uint32_t received = 0;
    DrainUntilQuiet(&received);
    const bool read = CmgrParser::ParseTextAnswer(Response(), 0, *message);
    ClearResponse();
    return read;
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
