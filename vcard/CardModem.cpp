#include "vcard/CardModem.h"

#include <algorithm>
#include <cctype>

#include "vcard/AtCommandLine.h"

namespace veltro::vcard {
namespace {

constexpr std::size_t kMaxLineLength = 560;
constexpr std::size_t kKeptLines = 10000;  // a long demo run must not grow without end
constexpr char kCtrlZ = 26;
constexpr char kEscape = 27;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<int> Number(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::stoi(text);
}

const char* CmeText(int code) {
    switch (code) {
        case 3:
            return "operation not allowed";
        case 4:
            return "operation not supported";
        case 10:
            return "SIM not inserted";
        case 11:
            return "SIM PIN required";
        case 16:
            return "incorrect password";
        case 30:
            return "no network service";
        default:
            return "unknown";
    }
}

}  // namespace

CardModem::CardModem(CardOptions options)
    : options_(std::move(options)),
      rate_(options_.baudRate),
      storedRate_(options_.baudRate),
      sim_(options_.sim),
      registration_(options_.registration),
      signal_(options_.signal),
      store_(options_.smsCapacity) {}

// ---- input -------------------------------------------------------------------------

void CardModem::Receive(std::string_view bytes, std::uint32_t lineRate, std::uint64_t nowMs) {
    Advance(nowMs);
    if (dead_) {
        return;
    }
    if (lineRate != 0 && lineRate != rate_) {
        // At another rate the UART sees only framing errors: nothing is understood and
        // whatever line was being typed is lost. A line at B0 carries no rate (some
        // clients, gammu among them, leave a pty so), and is taken as it comes.
        inLine_ = false;
        line_.clear();
        previous_ = 0;
        return;
    }
    input_.append(bytes);
    ProcessInput(nowMs);
}

void CardModem::ProcessInput(std::uint64_t nowMs) {
    while (inputPos_ < input_.size() && nowMs >= busyUntilMs_) {
        const char c = input_[inputPos_++];
        switch (mode_) {
            case Mode::Command:
                CommandByte(c, nowMs);
                break;
            case Mode::SmsBody:
                BodyByte(c, nowMs);
                break;
            case Mode::Data:
                DataByte(c, nowMs);
                break;
        }
    }
    if (inputPos_ >= input_.size()) {
        input_.clear();
        inputPos_ = 0;
    }
}

void CardModem::CommandByte(char c, std::uint64_t nowMs) {
    const Profile& p = profile_;
    if (p.echo) {
        Emit(std::string(1, c), nowMs);
    }
    if (!inLine_) {
        if ((previous_ == 'A' || previous_ == 'a') && (c == 'T' || c == 't')) {
            inLine_ = true;
            lineOverflow_ = false;
            linePrefix_ = {previous_, c};
            line_.clear();
            previous_ = 0;
        } else {
            previous_ = c;
        }
        return;
    }
    if (c == static_cast<char>(p.sRegisters[3])) {
        inLine_ = false;
        const std::string line = line_;
        line_.clear();
        ExecuteLine(line, nowMs);
    } else if (c == static_cast<char>(p.sRegisters[5])) {
        if (!line_.empty()) {
            line_.pop_back();
        }
    } else if (c == '\n' || c == '\0') {
        // Line feeds after the CR of the previous line are not part of a command.
    } else if (line_.size() < kMaxLineLength) {
        line_ += c;
    } else {
        lineOverflow_ = true;
    }
}

void CardModem::BodyByte(char c, std::uint64_t nowMs) {
    if (profile_.echo && c != kCtrlZ && c != kEscape) {
        Emit(std::string(1, c), nowMs);
    }
    if (c == kCtrlZ) {
        mode_ = Mode::Command;
        FinishSubmit(nowMs);
    } else if (c == kEscape) {
        // 3GPP TS 27.005: ESC quits without sending.
        mode_ = Mode::Command;
        Emit(Final(Reply::Ok()), nowMs);
    } else if (c == '\r' && textMode_) {
        submitBody_ += c;
        Emit("\r\n> ", nowMs);
    } else if (submitBody_.size() < 2000) {
        submitBody_ += c;
    }
}

// ---- command lines -------------------------------------------------------------------

void CardModem::ExecuteLine(const std::string& line, std::uint64_t nowMs) {
    const std::string full = linePrefix_ + line;
    if (receivedLines_.size() >= kKeptLines) {
        receivedLines_.erase(receivedLines_.begin(), receivedLines_.begin() + kKeptLines / 2);
    }
    receivedLines_.push_back(full);
    if (lineListener_) {
        lineListener_(full);
    }
    const std::uint64_t dueMs = nowMs + answerDelayMs_;
    busyUntilMs_ = dueMs;

    const std::string upper = Upper(full);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (upper.rfind(it->prefix, 0) != 0) {
            continue;
        }
        const CardFault fault = it->fault;
        if (it->times > 0 && --it->times == 0) {
            faults_.erase(it);
        }
        if (fault == CardFault::Error) {
            Emit(Final(Reply::Error()), dueMs);
        }
        return;
    }

    answer_.clear();
    pendingRate_.reset();
    Reply reply = Reply::Error();
    const auto commands = AtCommandLine::Split(line);
    if (commands && !lineOverflow_) {
        reply = Reply::Ok();
        for (const AtCommand& command : *commands) {
            reply = Execute(command, nowMs);
            if (reply.kind != Reply::Kind::Ok) {
                break;
            }
        }
    }
    Emit(answer_ + Final(reply), dueMs);
    answer_.clear();
    if (pendingRate_) {
        rate_ = *pendingRate_;
        pendingRate_.reset();
    }
}

CardModem::Reply CardModem::Execute(const AtCommand& command, std::uint64_t nowMs) {
    const std::string& name = command.name;
    if (name == "D" || name == "A" || name == "H" || name == "O" || name == "+CLIP" ||
        name == "+CRC" || name == "+VTS" || name == "+CHUP") {
        return ExecuteCall(command, nowMs);
    }
    if (name.size() <= 3 && (name[0] != '+' && name[0] != '$')) {
        return ExecuteBasic(command);
    }
    static const std::string kSmsCommands[] = {"+CMGF", "+CMGL", "+CMGR", "+CMGD", "+CMGS", "+CNMI",
                                               "+CPMS", "+CSCA", "+CSMS", "+CSDH", "+CSCB"};
    if (std::find(std::begin(kSmsCommands), std::end(kSmsCommands), name) !=
        std::end(kSmsCommands)) {
        return ExecuteSms(command);
    }
    return ExecuteStatus(command);
}

CardModem::Reply CardModem::ExecuteBasic(const AtCommand& command) {
    const std::string& name = command.name;
    const std::string& arg = command.argument;
    auto flag = [&](bool& target) {
        if (arg.empty() || arg == "0") {
            target = false;
        } else if (arg == "1") {
            target = true;
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    };
    if (name == "E") {
        return flag(profile_.echo);
    }
    if (name == "V") {
        return flag(profile_.verbose);
    }
    if (name == "Q") {
        return flag(profile_.quiet);
    }
    if (name == "Z") {
        profile_ = storedProfile_;
        return Reply::Ok();
    }
    if (name == "&F") {
        profile_ = Profile{};
        return Reply::Ok();
    }
    if (name == "&W") {
        storedProfile_ = profile_;
        storedRate_ = pendingRate_.value_or(rate_);
        return Reply::Ok();
    }
    if (name == "I") {
        if (arg.empty() || arg == "0") {
            answer_ += Info(options_.model);
        } else if (arg == "3") {
            answer_ += Info(options_.revision);
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    }
    if (name[0] == 'S' && name.size() > 1) {
        const int reg = std::stoi(name.substr(1));
        if (reg >= 13) {
            return Reply::Error();
        }
        if (command.form == AtCommand::Form::Read) {
            char text[8];
            std::snprintf(text, sizeof(text), "%03d", profile_.sRegisters[reg]);
            answer_ += Info(text);
            return Reply::Ok();
        }
        const auto value = Number(command.argument);
        if (!value || *value > 255) {
            return Reply::Error();
        }
        profile_.sRegisters[reg] = *value;
        return Reply::Ok();
    }
    if (name == "X" || name == "L" || name == "M" || name == "&C" || name == "&D" || name == "&K" ||
        name == "&S" || name == "&V" || name == "P" || name == "T") {
        return Reply::Ok();
    }
    return Reply::Error();
}

CardModem::Reply CardModem::SimError() const {
    return Reply::Cme(sim_ == SimState::Absent ? 10 : 11);
}

int CardModem::RegistrationStatus() const {
    return sim_ == SimState::Ready && attached_ ? registration_ : 0;
}

std::string CardModem::SignalLine(const char* prefix) const {
    const bool csq27007 = prefix[0] == '+';
    const int value = csq27007 && (signal_ < 0 || signal_ > 31) ? 99 : signal_;
    return prefix + std::to_string(value) + ",99";
}

CardModem::Reply CardModem::ExecuteStatus(const AtCommand& command) {
    const std::string& name = command.name;
    const auto form = command.form;
    const bool test = form == AtCommand::Form::Test;
    auto identity = [&](const std::string& text) {
        if (!test) {
            answer_ += Info(text);
        }
        return Reply::Ok();
    };
    if (name == "+CGMI" || name == "+GMI") {
        return identity(options_.manufacturer);
    }
    if (name == "+CGMM" || name == "+GMM") {
        return identity(options_.model);
    }
    if (name == "+CGMR" || name == "+GMR") {
        return identity(options_.revision);
    }
    if (name == "+CGSN" || name == "+GSN") {
        return identity(options_.imei);
    }
    if (name == "+GCAP") {
        return identity("+GCAP: +CGSM,+DS");
    }
    if (name == "+CIMI") {
        if (sim_ != SimState::Ready) {
            return SimError();
        }
        return identity(options_.imsi);
    }
    if (name == "+CPIN") {
        if (test) {
            return Reply::Ok();
        }
        if (sim_ == SimState::Absent) {
            return Reply::Cme(10);
        }
        if (form == AtCommand::Form::Read) {
            answer_ += Info(sim_ == SimState::Ready ? "+CPIN: READY" : "+CPIN: SIM PIN");
            return Reply::Ok();
        }
        if (sim_ != SimState::PinLocked) {
            return Reply::Cme(3);
        }
        std::string pin = command.argument;
        pin.erase(std::remove(pin.begin(), pin.end(), '"'), pin.end());
        if (pin != options_.simPin) {
            return Reply::Cme(16);
        }
        sim_ = SimState::Ready;
        return Reply::Ok();
    }
    if (name == "+CSQ") {
        if (test) {
            answer_ += Info("+CSQ: (0-31,99),(0-7,99)");
        } else if (form == AtCommand::Form::Action) {
            // This card's vendor line comes first, then the 27.007 one.
            answer_ += Info(SignalLine("$CSQ: "));
            answer_ += Info(SignalLine("+CSQ: "));
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    }
    if (name == "$CSQ") {
        if (test) {
            answer_ += Info("$CSQ: (0,1),(1-255)");
            return Reply::Ok();
        }
        if (form != AtCommand::Form::Set) {
            answer_ += Info(SignalLine("$CSQ: "));
            return Reply::Ok();
        }
        const std::string& arg = command.argument;
        if (arg == "0") {
            signalReportPeriod_ = 0;
            return Reply::Ok();
        }
        const auto comma = arg.find(',');
        const auto period =
            comma == std::string::npos ? std::optional<int>(1) : Number(arg.substr(comma + 1));
        if (arg.substr(0, comma) != "1" || !period || *period < 1 || *period > 255) {
            return Reply::Error();
        }
        signalReportPeriod_ = *period;
        nextSignalReportMs_ = 0;  // armed by the next Advance
        return Reply::Ok();
    }
    if (name == "+CGREG" || name == "+CREG") {
        int& mode = name == "+CGREG" ? cgregMode_ : cregMode_;
        if (test) {
            answer_ += Info(name + ": (0-2)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info(name + ": " + std::to_string(mode) + "," +
                            std::to_string(RegistrationStatus()));
        } else {
            const auto value = Number(command.argument);
            if (!value || *value > 2) {
                return Reply::Error();
            }
            mode = *value;
        }
        return Reply::Ok();
    }
    if (name == "+CGATT") {
        if (test) {
            answer_ += Info("+CGATT: (0,1)");
            return Reply::Ok();
        }
        if (form == AtCommand::Form::Read) {
            answer_ += Info(std::string("+CGATT: ") +
                            (RegistrationStatus() == 1 || RegistrationStatus() == 5 ? "1" : "0"));
            return Reply::Ok();
        }
        if (command.argument == "0") {
            attached_ = false;
            return Reply::Ok();
        }
        if (command.argument != "1") {
            return Reply::Error();
        }
        if (sim_ != SimState::Ready) {
            return SimError();
        }
        if (registration_ == 0 || registration_ == 3 || registration_ == 4) {
            return Reply::Cme(30);
        }
        attached_ = true;
        return Reply::Ok();
    }
    if (name == "+CGDCONT") {
        if (test) {
            answer_ += Info("+CGDCONT: (1-3),\"IP\",,,(0,1),(0,1)");
            return Reply::Ok();
        }
        if (form == AtCommand::Form::Read) {
            for (const auto& [cid, definition] : contexts_) {
                answer_ += Info("+CGDCONT: " + std::to_string(cid) + "," + definition);
            }
            return Reply::Ok();
        }
        const std::string& arg = command.argument;
        const auto comma = arg.find(',');
        const auto cid = Number(arg.substr(0, comma));
        if (!cid || *cid < 1 || *cid > 3) {
            return Reply::Error();
        }
        if (comma == std::string::npos) {
            contexts_.erase(*cid);
            return Reply::Ok();
        }
        const std::string definition = arg.substr(comma + 1);
        const std::string type = Upper(definition.substr(0, definition.find(',')));
        if (type != "\"IP\"" && type != "\"PPP\"") {
            return Reply::Error();
        }
        contexts_[*cid] = definition;
        return Reply::Ok();
    }
    if (name == "+CMEE") {
        if (test) {
            answer_ += Info("+CMEE: (0-2)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info("+CMEE: " + std::to_string(cmee_));
        } else {
            const auto value = Number(command.argument.empty() ? "0" : command.argument);
            if (!value || *value > 2) {
                return Reply::Error();
            }
            cmee_ = *value;
        }
        return Reply::Ok();
    }
    if (name == "+IPR") {
        static constexpr std::uint32_t kRates[] = {300,  600,   1200,  2400,  4800,
                                                   9600, 19200, 38400, 57600, 115200};
        if (test) {
            answer_ += Info("+IPR: (),(300,600,1200,2400,4800,9600,19200,38400,57600,115200)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info("+IPR: " + std::to_string(rate_));
        } else {
            const auto value = Number(command.argument);
            if (!value || std::find(std::begin(kRates), std::end(kRates),
                                    static_cast<std::uint32_t>(*value)) == std::end(kRates)) {
                return Reply::Error();
            }
            // The OK still goes out at the old rate; the new one applies after it.
            pendingRate_ = static_cast<std::uint32_t>(*value);
        }
        return Reply::Ok();
    }
    if (name == "+CSCS") {
        static const std::pair<const char*, Charset> kSets[] = {{"\"GSM\"", Charset::Gsm},
                                                                {"\"IRA\"", Charset::Ira},
                                                                {"\"UCS2\"", Charset::Ucs2},
                                                                {"\"8859-1\"", Charset::Latin1}};
        if (test) {
            answer_ += Info("+CSCS: (\"GSM\",\"IRA\",\"UCS2\",\"8859-1\")");
            return Reply::Ok();
        }
        for (const auto& [text, set] : kSets) {
            if (form == AtCommand::Form::Read && set == charset_) {
                answer_ += Info(std::string("+CSCS: ") + text);
                return Reply::Ok();
            }
            if (form == AtCommand::Form::Set && Upper(command.argument) == text) {
                charset_ = set;
                return Reply::Ok();
            }
        }
        return Reply::Error();
    }
    if (name == "+CFUN") {
        if (test) {
            answer_ += Info("+CFUN: (0,1),(0,1)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info("+CFUN: 1");
        }
        return Reply::Ok();
    }
    if (name == "+COPS") {
        const int status = RegistrationStatus();
        if (test) {
            answer_ += Info("+COPS: (2,\"" + options_.operatorName + "\",,),,(0-4),(0-2)");
        } else if (form == AtCommand::Form::Read) {
            answer_ +=
                Info(status == 1 || status == 5 ? "+COPS: 0,0,\"" + options_.operatorName + "\""
                                                : std::string("+COPS: 0"));
        }
        return Reply::Ok();
    }
    return Reply::Error();
}

// ---- timers --------------------------------------------------------------------------

void CardModem::Advance(std::uint64_t nowMs) {
    if (call_ == Call::Dialling && nowMs >= callAnsweredMs_) {
        call_ = Call::Active;
        Emit(ResultCode("OK", 0), callAnsweredMs_);
    }
    if (call_ == Call::Ringing && nowMs >= nextRingMs_) {
        if (ringsSent_ >= options_.ringsBeforeGiveUp) {
            EndCall();
            Emit(ResultCode("NO CARRIER", 3), nowMs);
        } else {
            Ring(nowMs);
        }
    }
    if (signalReportPeriod_ > 0) {
        const std::uint64_t period =
            static_cast<std::uint64_t>(signalReportPeriod_) * options_.signalReportUnitMs;
        if (nextSignalReportMs_ == 0) {
            nextSignalReportMs_ = nowMs + period;
        } else if (nowMs >= nextSignalReportMs_) {
            Unsolicited(SignalLine("$CSQ: "), nowMs);
            nextSignalReportMs_ = std::max(nextSignalReportMs_ + period, nowMs + 1);
        }
    }
    if (mode_ == Mode::Data) {
        if (escapeAtMs_ && nowMs >= *escapeAtMs_) {
            EndData(*escapeAtMs_);
        } else {
            const std::uint32_t chunkMs = std::max<std::uint32_t>(options_.dataChunkMs, 1);
            if (nowMs > nextChunkMs_ + 10 * chunkMs) {
                nextChunkMs_ = nowMs;  // the line was not served for a while: no backlog
            }
            const std::size_t size = options_.dataBytesPerSecond * chunkMs / 1000;
            while (nowMs >= nextChunkMs_ && size > 0) {
                // Downlink frames: flag-delimited like PPP, payload never plain text, so
                // no result code can be read into it.
                std::string chunk(size, '\x7e');
                for (std::size_t i = 1; i + 1 < size; ++i) {
                    dataSeed_ = dataSeed_ * 1103515245u + 12345u;
                    chunk[i] = static_cast<char>(0x80 | ((dataSeed_ >> 16) & 0x7f));
                }
                Emit(std::move(chunk), nextChunkMs_, true);
                dataSent_ += size;
                nextChunkMs_ += chunkMs;
            }
        }
    }
    ProcessInput(nowMs);
}

std::optional<std::uint64_t> CardModem::NextEventMs() const {
    std::optional<std::uint64_t> next;
    auto consider = [&](std::uint64_t at) {
        if (!next || at < *next) {
            next = at;
        }
    };
    for (const Output& output : outbox_) {
        consider(output.dueMs);
    }
    if (inputPos_ < input_.size()) {
        consider(busyUntilMs_);
    }
    if (call_ == Call::Dialling) {
        consider(callAnsweredMs_);
    }
    if (call_ == Call::Ringing) {
        consider(nextRingMs_);
    }
    if (signalReportPeriod_ > 0) {
        consider(nextSignalReportMs_);
    }
    if (mode_ == Mode::Data) {
        consider(escapeAtMs_ ? *escapeAtMs_ : nextChunkMs_);
    }
    return next;
}

std::vector<CardModem::Output> CardModem::TakeOutput(std::uint64_t nowMs) {
    std::vector<Output> due;
    for (auto it = outbox_.begin(); it != outbox_.end();) {
        if (it->dueMs <= nowMs) {
            due.push_back(std::move(*it));
            it = outbox_.erase(it);
        } else {
            ++it;
        }
    }
    return due;
}

void CardModem::LineClosed(std::uint64_t nowMs) {
    inLine_ = false;
    line_.clear();
    previous_ = 0;
    input_.clear();
    inputPos_ = 0;
    if (mode_ == Mode::SmsBody) {
        mode_ = Mode::Command;
    }
    if (mode_ == Mode::Data) {
        // The client dropped the line: with it goes DTR, and the session ends.
        EndData(nowMs);
    }
    outbox_.clear();
}

void CardModem::PowerCycle() {
    rate_ = storedRate_;
    profile_ = storedProfile_;
    sim_ = options_.sim == SimState::PinLocked ? SimState::PinLocked : sim_;
    mode_ = Mode::Command;
    call_ = Call::Idle;
    textMode_ = false;
    charset_ = Charset::Ira;
    cmee_ = 0;
    clip_ = false;
    crc_ = false;
    cgregMode_ = 0;
    cregMode_ = 0;
    cnmiMode_ = 0;
    cnmiMt_ = 0;
    signalReportPeriod_ = 0;
    inLine_ = false;
    line_.clear();
    previous_ = 0;
    input_.clear();
    inputPos_ = 0;
    busyUntilMs_ = 0;
    outbox_.clear();
}

// ---- events --------------------------------------------------------------------------

void CardModem::SetSignal(int value) {
    signal_ = value;
}

void CardModem::SetSim(SimState state) {
    sim_ = state;
}

void CardModem::SetRegistration(int status, std::uint64_t nowMs) {
    registration_ = status;
    if (cgregMode_ > 0) {
        Unsolicited("+CGREG: " + std::to_string(RegistrationStatus()), nowMs);
    }
    if (cregMode_ > 0) {
        Unsolicited("+CREG: " + std::to_string(RegistrationStatus()), nowMs);
    }
}

void CardModem::SetFault(const std::string& linePrefix, CardFault fault, int times) {
    const std::string prefix = Upper(linePrefix);
    faults_.erase(std::remove_if(faults_.begin(), faults_.end(),
                                 [&](const Fault& f) { return f.prefix == prefix; }),
                  faults_.end());
    if (times != 0) {
        faults_.push_back({prefix, fault, times});
    }
}

void CardModem::ClearFaults() {
    faults_.clear();
}

// ---- output --------------------------------------------------------------------------

void CardModem::Emit(std::string bytes, std::uint64_t dueMs, bool lossy) {
    if (bytes.empty() || dead_) {
        return;
    }
    outbox_.push_back({dueMs, rate_, std::move(bytes), lossy});
}

void CardModem::Unsolicited(const std::string& text, std::uint64_t nowMs) {
    if (mode_ != Mode::Data) {
        Emit(Info(text), nowMs);
    }
}

std::string CardModem::Info(const std::string& text) const {
    return profile_.verbose ? "\r\n" + text + "\r\n" : text + "\r\n";
}

std::string CardModem::ResultCode(const char* verbose, int numeric) const {
    if (profile_.quiet) {
        return {};
    }
    return profile_.verbose ? std::string("\r\n") + verbose + "\r\n"
                            : std::to_string(numeric) + "\r";
}

std::string CardModem::Final(const Reply& reply) const {
    switch (reply.kind) {
        case Reply::Kind::Ok:
            return ResultCode("OK", 0);
        case Reply::Kind::Error:
            return ResultCode("ERROR", 4);
        case Reply::Kind::Cme:
            if (cmee_ == 0) {
                return ResultCode("ERROR", 4);
            }
            return profile_.quiet ? std::string()
                                  : Info("+CME ERROR: " + (cmee_ == 1 ? std::to_string(reply.code)
                                                                      : CmeText(reply.code)));
        case Reply::Kind::Cms:
            return profile_.quiet ? std::string()
                                  : Info("+CMS ERROR: " + std::to_string(reply.code));
        case Reply::Kind::Code:
            return ResultCode(reply.text.c_str(), reply.code);
        case Reply::Kind::Later:
            return {};
    }
    return {};
}

}  // namespace veltro::vcard
