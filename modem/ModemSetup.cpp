#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "modem/ModemDeviceClass.h"
#include "modem/ModemEngine.h"
#include "modem/StatusParsers.h"

namespace veltro {

// How one probe is run: the answers it accepts, its pauses and its diagnostics.
struct ModemEngine::ProbeStyle {
    const char* accepted[2];
    std::uint32_t pauseBeforeWriteMs;
    std::uint32_t answerWaitMs;
    bool diagnostics;  // progress lines on standard output (the port scan)
    // A port the user named: another maker's card that answers the identification
    // with "OK" is taken too.
    bool anyMaker;
    // The answer wait ends as soon as the answer holds its final result ("OK" or
    // "ERROR"), within answerWaitMs, instead of always lasting answerWaitMs.
    bool awaitFinal;
};

namespace {

constexpr char kProbeCommand[] = "AT+CGMI\r";
constexpr std::uint32_t kProbeCommandLength = sizeof(kProbeCommand) - 1;
// The probe reads at most this much of the answer into a zeroed buffer of kProbeBuffer.
constexpr std::uint32_t kProbeReadSize = 90;
constexpr std::size_t kProbeBuffer = 100;

constexpr std::uint32_t kTargetRate = 115200;
constexpr const char* kPdpContexts[] = {"1,\"IP\",\"CMNET\"", "2,\"IP\",\"CMWAP\""};

constexpr std::uint32_t kSaveLimitMs = 4000;
constexpr std::uint32_t kRateLimitMs = 4000;
constexpr std::uint32_t kEchoLimitMs = 2000;
constexpr std::uint32_t kContextLimitMs = 2000;
constexpr std::uint32_t kIndicationLimitMs = 4000;
constexpr std::uint32_t kFormatLimitMs = 2000;
constexpr std::uint32_t kCallerIdLimitMs = 4000;
constexpr std::uint32_t kAutoAnswerLimitMs = 4000;
constexpr const char* kIndications = "0,1,0,0,0";

// Longest single wait on the port while a read-back waits for its final result.
constexpr std::uint32_t kReadBackSliceMs = 50;

// One read-back of the state Initialize leaves: the query, and the information line
// its answer must hold, given whole or up to a comma that begins further fields.
struct ReadBack {
    AtCommandId command;
    CommandForm form;
    std::string expected[2];
    std::uint32_t limitMs;
};

// Whether a line of text equals expected, or continues it after a comma.
bool LineMatches(std::string_view line, const std::string& expected) {
    return !expected.empty() && line.starts_with(expected) &&
           (line.size() == expected.size() || line[expected.size()] == ',');
}

// The first line of text, split at CR and at LF, that accepts takes (empty lines are
// offered too), or nothing when none does.
template <typename Accept>
std::optional<std::string_view> FindLine(std::string_view text, Accept accepts) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(begin, end - begin);
        if (accepts(line)) {
            return line;
        }
        begin = end + 1;
    }
    return std::nullopt;
}

// Whether answer holds a line that ReadBack::expected accepts.
bool HoldsExpectedLine(std::string_view answer, const ReadBack& readBack) {
    const auto accepted = [&readBack](std::string_view line) {
        for (const std::string& expected : readBack.expected) {
            if (LineMatches(line, expected)) {
                return true;
            }
        }
        return false;
    };
    return FindLine(answer, accepted).has_value();
}

// The maker's line of an "AT+CGMI" answer that ends in "OK" (the echo and blank lines
// skipped, printable ASCII kept), or nothing when the answer is not one.
std::optional<std::string> OtherMaker(std::string_view answer) {
    if (answer.find("\nOK\r") == std::string_view::npos || answer.find("ERROR") != answer.npos) {
        return std::nullopt;
    }
    const auto line = FindLine(answer, [](std::string_view candidate) {
        return !candidate.empty() && !candidate.starts_with("AT") && candidate != "OK";
    });
    std::string maker;
    if (line) {
        for (const char c : line->substr(0, 40)) {
            if (c >= 0x20 && c < 0x7F) {
                maker += c;
            }
        }
    }
    return maker;
}

// Reads the probe's answer into answer (kProbeBuffer zeroed bytes): once after waitMs,
// or with awaitFinal until it holds its final result, is full or waitMs have passed.
// False when a read fails.
bool ReadProbeAnswer(SerialLine& line, Clock& clock, std::uint32_t waitMs, bool awaitFinal,
                     char* answer, std::uint32_t* count) {
    if (!awaitFinal) {
        clock.SleepMs(waitMs);
        return line.Read(answer, kProbeReadSize, count) != 0;
    }
    const std::uint64_t start = clock.NowMs();
    *count = 0;
    for (;;) {
        std::uint32_t received = 0;
        if (line.Read(answer + *count, kProbeReadSize - *count, &received) == 0) {
            return false;
        }
        *count += received;
        const std::string_view text(answer, ::strnlen(answer, *count));
        const std::uint64_t elapsed = clock.NowMs() - start;
        if (*count >= kProbeReadSize || text.find("OK\r\n") != text.npos ||
            text.find("ERROR") != text.npos || elapsed >= waitMs) {
            return true;
        }
        line.WaitReadable(static_cast<std::uint32_t>(waitMs - elapsed));
    }
}

// Copies a port name into a caller's buffer of ModemEngine::kPortNameSize bytes.
bool CopyPortName(const std::string& name, char* portName) {
    if (name.empty() || name.size() >= ModemEngine::kPortNameSize) {
        return false;
    }
    std::memcpy(portName, name.c_str(), name.size() + 1);
    return true;
}

}  // namespace

namespace {
std::atomic<bool> portScanRequested{false};
}  // namespace

void ModemEngine::RequestPortScan(bool on) {
    portScanRequested = on;
}

bool ModemEngine::PortScanRequested() {
    const char* env = std::getenv("VELTROGPRS_PORT_SCAN");
    return portScanRequested.load() || (env != nullptr && std::strcmp(env, "1") == 0);
}

bool ModemEngine::ProbePort(const char* portName, const ProbeStyle& style) {
    std::unique_ptr<SerialLine> line = lineFactory_(portName);
    if (const int error = line->OpenDevice(); error != 0) {
        // Most of the scan's fixed ports do not exist on a given machine; only a port
        // the user could do something about is worth telling.
        const PortOpenError failure(error, portName);
        if (!style.diagnostics || failure.IsActionable()) {
            openError_ = failure;
        }
        return false;
    }
    line->PurgeAll();
    LineSettings settings;
    if (line->GetSettings(settings) == 0) {
        line->Close();
        return false;
    }
    int position = 0;
    for (const std::uint32_t rate : kProbeRates) {
        if (style.diagnostics) {
            std::printf("%d", position);
            std::fflush(stdout);
        }
        ++position;
        settings.baudRate = rate;
        settings.byteSize = 8;
        settings.parity = 0;
        settings.stopBits = 0;
        if (line->SetState(settings) == 0) {
            if (style.diagnostics) {
                std::printf("SetComm fail!!\n");
            }
            line->Close();
            return false;
        }
        line->SetTimedWrites(true);
        if (style.pauseBeforeWriteMs > 0) {
            clock_.SleepMs(style.pauseBeforeWriteMs);
        }
        std::uint32_t written = 0;
        if (line->Write(kProbeCommand, kProbeCommandLength, &written) == 0) {
            if (style.diagnostics) {
                std::printf("write fail!!\n");
            }
            line->Close();
            return false;
        }
        char answer[kProbeBuffer] = {};
        std::uint32_t count = 0;
        if (!ReadProbeAnswer(*line, clock_, style.answerWaitMs, style.awaitFinal, answer, &count)) {
            continue;
        }
        for (const char* accepted : style.accepted) {
            if (accepted != nullptr && StatusParsers::HasManufacturer(answer, accepted)) {
                line->Close();
                baudRate_ = rate;
                makerKnown_ = true;
                maker_.clear();
                return true;
            }
        }
        if (style.anyMaker) {
            if (auto maker = OtherMaker(std::string_view(answer, ::strnlen(answer, count)))) {
                line->Close();
                baudRate_ = rate;
                makerKnown_ = false;
                maker_ = std::move(*maker);
                return true;
            }
        }
    }
    if (style.diagnostics) {
        std::printf("\n");
        std::fflush(stdout);
    }
    line->LowerDtr();
    line->Close();
    return false;
}

bool ModemEngine::FindModem(const char* modemName, char* portName) {
    openError_ = {};
    if (usePortScan_) {
        return ScanPorts(portName);
    }
    const ModemDeviceClass devices = ModemDeviceClass::Load();
    std::string attachedTo;
    for (int i = 0; i < ModemDeviceClass::kInstanceCount; ++i) {
        const auto device = devices.Instance(i);
        // A port name that does not fit is not a port this program can open.
        if (device && device->friendlyName.find(modemName) != std::string::npos &&
            !device->attachedTo.empty() && device->attachedTo.size() < kPortNameSize) {
            attachedTo = device->attachedTo;
            break;
        }
    }
    if (attachedTo.empty()) {
        return false;
    }
    // Ports from udev or sysfs are anyone's; a port in the device table the user named.
    const bool named = devices.Source() == DeviceSource::Table;
    const ProbeStyle style{{kDeviceClassAnswer, nullptr}, 50, 200, false, named, false};
    return ProbePort(attachedTo.c_str(), style) && CopyPortName(attachedTo, portName);
}

bool ModemEngine::ScanPorts(char* portName) {
    openError_ = {};
    const ProbeStyle style{{kScanAnswer, nullptr}, 0, 100, true, false, false};
    for (const char* name : kScanPorts) {
        std::printf("/dev/%s\n", name);
        std::fflush(stdout);
        if (ProbePort(name, style)) {
            return CopyPortName(name, portName);
        }
    }
    return false;
}

bool ModemEngine::ProbeNamedPort(const char* portName) {
    openError_ = {};
    const ProbeStyle style{{kDeviceClassAnswer, kScanAnswer}, 50, 200, false, true, true};
    return ProbePort(portName, style);
}

bool ModemEngine::Initialize(const char* portName) {
    if (!OpenPort(portName)) {
        return false;
    }
    if (baudRate_ != kTargetRate) {
        if (SetModemBaudRate(kTargetRate) == 0 || !SaveSettings()) {
            isOpen_ = false;
            return false;
        }
    }
    for (const char* context : kPdpContexts) {
        DefinePdpContext(context);
    }
    // Another maker's card has no "$CSQ" reports to turn off.
    if (!SetupMessageMode() || !EnableCallerId() || !SetAutoAnswer(false) ||
        (makerKnown_ && !SetSignalReport(false))) {
        return false;
    }
    SetEcho(AtCommandId::EchoOff);
    return true;
}

bool ModemEngine::ReopenInitialized(const char* portName) {
    if (baudRate_ != kTargetRate || !OpenPort(portName)) {
        return false;
    }
    std::vector<ReadBack> readBacks = {
        // A card that echoes "AT" has not had its echo turned off since power-up.
        {AtCommandId::At, CommandForm::Plain, {}, kEchoLimitMs},
        {AtCommandId::Cmgf, CommandForm::Query, {"+CMGF: 0"}, kFormatLimitMs},
        {AtCommandId::Cnmi,
         CommandForm::Query,
         {std::string("+CNMI: ") + kIndications},
         kIndicationLimitMs},
        {AtCommandId::Clip, CommandForm::Query, {"+CLIP: 1"}, kCallerIdLimitMs},
        {AtCommandId::S0, CommandForm::Query, {"0", "000"}, kAutoAnswerLimitMs},
    };
    for (const char* context : kPdpContexts) {
        readBacks.push_back({AtCommandId::Cgdcont,
                             CommandForm::Query,
                             {std::string("+CGDCONT: ") + context},
                             kContextLimitMs});
    }
    for (const ReadBack& readBack : readBacks) {
        if (PostCommand(readBack.command, readBack.form, nullptr, false) == 0) {
            return false;
        }
        const bool ok = AwaitFinalResult(readBack.limitMs);
        const std::string_view answer(response_, ResponseLength());
        const bool echoed = answer.find(AtCommandTable::Stem(readBack.command)) != answer.npos;
        const bool expected = readBack.expected[0].empty() || HoldsExpectedLine(answer, readBack);
        ClearResponse();
        if (!ok || echoed || !expected) {
            return false;
        }
    }
    return true;
}

bool ModemEngine::AwaitFinalResult(std::uint32_t limitMs) {
    const std::uint64_t start = clock_.NowMs();
    for (;;) {
        std::uint32_t count = 0;
        if (DrainInput(&count) == 0) {
            return false;
        }
        const std::string_view answer(response_, ResponseLength());
        if (answer.find("OK\r\n") != answer.npos) {
            return true;
        }
        if (answer.find("ERROR") != answer.npos) {
            return false;
        }
        const std::uint64_t elapsed = clock_.NowMs() - start;
        if (elapsed >= limitMs || deviceGone_.load()) {
            return false;
        }
        WaitForInput(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(limitMs - elapsed, kReadBackSliceMs)));
    }
}

void ModemEngine::Release() {
    if (port_) {
        port_->Close();
        port_.reset();
    }
    isOpen_ = false;
}

int ModemEngine::SetModemBaudRate(std::uint32_t rate) {
    if (!isOpen_ || !port_ || port_->Reopen(baudRate_) == 0) {
        NoteDeviceGone();
        return 0;
    }
    const std::string argument = std::to_string(rate);
    if (!RunExchange({AtCommandId::Ipr, CommandForm::Assign, argument.c_str(), SendMode::Settle,
                      ResultCodeId::Ok, kRateLimitMs, ClearMode::Never})) {
        return 0;
    }
    if (port_->Reopen(rate) == 0) {
        NoteDeviceGone();
        return 0;
    }
    baudRate_ = rate;
    return 1;
}

bool ModemEngine::SaveSettings() {
    return RunExchange({AtCommandId::StoreProfile, CommandForm::Plain, nullptr, SendMode::Settle,
                        ResultCodeId::Ok, kSaveLimitMs, ClearMode::OnSuccess});
}

bool ModemEngine::SetEcho(AtCommandId id) {
    if (id != AtCommandId::EchoOff && id != AtCommandId::EchoOn) {
        return false;
    }
    return RunExchange({id, CommandForm::Plain, nullptr, SendMode::Settle, ResultCodeId::Ok,
                        kEchoLimitMs, ClearMode::Always});
}

bool ModemEngine::DefinePdpContext(const char* definition) {
    return RunExchange({AtCommandId::Cgdcont, CommandForm::Assign, definition, SendMode::Settle,
                        ResultCodeId::Ok, kContextLimitMs, ClearMode::Always});
}

bool ModemEngine::SetupMessageMode() {
    return RunExchange({AtCommandId::Cnmi, CommandForm::Assign, kIndications, SendMode::Settle,
                        ResultCodeId::Ok, kIndicationLimitMs, ClearMode::Always}) &&
           RunExchange({AtCommandId::Cmgf, CommandForm::Assign, "0", SendMode::Settle,
                        ResultCodeId::Ok, kFormatLimitMs, ClearMode::Always});
}

bool ModemEngine::EnableCallerId() {
    return RunExchange({AtCommandId::Clip, CommandForm::Assign, "1", SendMode::Settle,
                        ResultCodeId::Ok, kCallerIdLimitMs, ClearMode::Always});
}

bool ModemEngine::SetAutoAnswer(bool on) {
    return RunExchange({AtCommandId::S0, CommandForm::Assign, on ? "4" : "0", SendMode::Settle,
                        ResultCodeId::Ok, kAutoAnswerLimitMs, ClearMode::Always});
}

}  // namespace veltro
