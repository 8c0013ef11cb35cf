#include "modem/ModemEngine.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace veltro {

namespace {
// Longest single wait on the port inside an await; short enough to notice the limit.
constexpr std::uint32_t kAwaitSliceMs = 50;
}  // namespace

ModemEngine::ModemEngine(Clock& clock, SerialLineFactory lineFactory)
    : clock_(clock), lineFactory_(std::move(lineFactory)) {}

ModemEngine::~ModemEngine() = default;

void ModemEngine::Reset() {
    isOpen_ = false;
    port_.reset();
}

bool ModemEngine::OpenPort(const char* portName) {
    if (port_) {
        port_->Close();
        port_.reset();
    }
    openError_ = {};
    port_ = lineFactory_(portName);
    if (const int error = port_->Open(); error != 0) {
        openError_ = PortOpenError(error, portName);
        return false;
    }
    std::memset(response_, 0, sizeof(response_));
    isOpen_ = true;
    deviceGone_ = false;
    return true;
}

void ModemEngine::NoteDeviceGone() {
    if (port_ && port_->Gone()) {
        deviceGone_ = true;
    }
}

std::size_t ModemEngine::ResponseLength() const {
    return ::strnlen(response_, kResponseSize);
}

void ModemEngine::AppendText(const char* text, std::size_t count) {
    const std::size_t length = ResponseLength();
    const std::size_t room = kResponseSize - 1 - length;
    const std::size_t textLength = ::strnlen(text, std::min(count, room));
    std::memcpy(response_ + length, text, textLength);
    response_[length + textLength] = '\0';
}

int ModemEngine::Send(int id, int form, const char* argument) {
    if (!isOpen_ || !port_) {
        return 0;
    }
    port_->RaiseDtr();  // DTR is asserted before every command; a pty refuses it
    const char* stem = AtCommandTable::Stem(id);
    if (stem == nullptr) {
        return 0;
    }
    const char* completion[] = {"\r", "=", "", "?\r", "=?\r"};
    if (form < 0 || form > 4) {
        return 0;
    }
    const bool takesArgument = form == 1 || form == 2;
    if (takesArgument && argument == nullptr) {
        return 0;
    }
    static thread_local char line[kResponseSize];
    const std::size_t stemLength = std::strlen(stem);
    const std::size_t formLength = std::strlen(completion[form]);
    const std::size_t argumentLength = takesArgument ? std::strlen(argument) : 0;
    const std::size_t lineLength =
        stemLength + formLength + argumentLength + (takesArgument ? 1 : 0);
    if (lineLength >= sizeof(line)) {
        return 0;
    }
    std::memcpy(line, stem, stemLength);
    std::memcpy(line + stemLength, completion[form], formLength);
    if (takesArgument) {
        std::memcpy(line + stemLength + formLength, argument, argumentLength);
        line[lineLength - 1] = '\r';
    }
    std::uint32_t written = 0;
    port_->Write(line, static_cast<std::uint32_t>(lineLength), &written);
    NoteDeviceGone();
    return written == lineLength ? 1 : 0;
}

int ModemEngine::SendCommand(int id, int form, const char* argument) {
    if (Send(id, form, argument) == 0) {
        return 0;
    }
    clock_.SleepMs(kSettleMs);
    return 1;
}

int ModemEngine::SendCommand(AtCommandId id, CommandForm form, const char* argument) {
    return SendCommand(static_cast<int>(id), static_cast<int>(form), argument);
}

int ModemEngine::PostCommand(int id, int form, const char* argument, bool settle) {
    if (Send(id, form, argument) == 0) {
        return 0;
    }
    if (settle) {
        clock_.SleepMs(kSettleMs);
    }
    return 1;
}

int ModemEngine::PostCommand(AtCommandId id, CommandForm form, const char* argument, bool settle) {
    return PostCommand(static_cast<int>(id), static_cast<int>(form), argument, settle);
}

int ModemEngine::DrainInput(std::uint32_t* countReceived) {
    *countReceived = 0;
    if (!isOpen_ || !port_) {
        return 0;
    }
    static thread_local char scratch[kResponseSize];
    std::memset(scratch, 0, sizeof(scratch));
    std::uint32_t count = 0;
    if (port_->Read(scratch, kResponseSize, &count) == 0) {
        NoteDeviceGone();
        return 0;
    }
    count = std::min<std::uint32_t>(count, kResponseSize - 1);
    *countReceived = count;
    AppendText(scratch, count);
    return 1;
}

int ModemEngine::DrainUntilQuiet(std::uint32_t* lastCount, std::uint32_t limitMs) {
    std::uint32_t count = 0;
    if (DrainInput(&count) == 0 || count == 0) {
        *lastCount = count;
        return 0;
    }
    const std::uint64_t start = clock_.NowMs();
    while (clock_.NowMs() - start < limitMs) {
        clock_.SleepMs(kQuietSliceMs);
        const std::size_t length = ResponseLength();
        if (length >= kResponseSize - 1) {
            *lastCount = count;
            return 0;
        }
        char* end = response_ + length;
        const std::size_t room = kResponseSize - 1 - length;
        if (port_->Read(end, static_cast<std::uint32_t>(room), &count) == 0 || count == 0) {
            NoteDeviceGone();
            break;
        }
        // Same rule as every append: a zero byte ends the text.
        end[std::min<std::size_t>(count, room)] = '\0';
    }
    response_[kResponseSize - 1] = '\0';
    *lastCount = count;
    return 1;
}

int ModemEngine::FindCode(int id) const {
    const char* pattern = ResultCodeTable::Pattern(id);
    if (pattern == nullptr) {
        return -1;
    }
    const char* found = std::strstr(response_, pattern);
    return found == nullptr ? -1 : static_cast<int>(found - response_);
}

int ModemEngine::FindCode(ResultCodeId id) const {
    return FindCode(static_cast<int>(id));
}

int ModemEngine::PollFor(int id) {
    std::uint32_t count = 0;
    if (DrainInput(&count) == 0) {
        return -1;
    }
    return FindCode(id);
}

int ModemEngine::PollFor(ResultCodeId id) {
    return PollFor(static_cast<int>(id));
}

bool ModemEngine::ClearResponse() {
    if (isOpen_ && port_) {
        // Call lines still in the driver's queue are saved with those in the buffer.
        std::uint32_t count = 0;
        DrainInput(&count);
    }
    answerMark_ = 0;
    KeepCallLines(ResponseLength());
    std::memset(response_, 0, sizeof(response_));
    if (!isOpen_ || !port_) {
        return false;
    }
    return port_->PurgeInput();
}

void ModemEngine::MaskPrefix(std::size_t count) {
    KeepCallLines(count);
    std::memset(response_, '0', std::min(count, ResponseLength()));
}

int ModemEngine::AwaitCode(ResultCodeId id, std::uint32_t limitMs) {
    const std::uint64_t start = clock_.NowMs();
    for (;;) {
        const int position = PollFor(id);
        if (position >= 0) {
            return position;
        }
        const std::uint64_t elapsed = clock_.NowMs() - start;
        if (elapsed >= limitMs || deviceGone_.load()) {
            return -1;
        }
        WaitForInput(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(limitMs - elapsed, kAwaitSliceMs)));
    }
}

void ModemEngine::WaitForInput(std::uint32_t ms) {
    if (isOpen_ && port_) {
        port_->WaitReadable(ms);
        NoteDeviceGone();
    } else {
        clock_.SleepMs(ms);
    }
}

bool ModemEngine::RunExchange(const Exchange& exchange) {
    int sent = 0;
    switch (exchange.send) {
        case SendMode::Settle:
            sent = SendCommand(exchange.command, exchange.form, exchange.argument);
            break;
        case SendMode::PostSettle:
            sent = PostCommand(exchange.command, exchange.form, exchange.argument, true);
            break;
        case SendMode::PostNoSettle:
            sent = PostCommand(exchange.command, exchange.form, exchange.argument, false);
            break;
    }
    if (sent == 0) {
        return false;
    }
    const bool found = AwaitCode(exchange.awaits, exchange.limitMs) >= 0;
    if (exchange.clear == ClearMode::Always || (exchange.clear == ClearMode::OnSuccess && found)) {
        ClearResponse();
    }
    return found;
}

}  // namespace veltro
