#include "vcard/CardModem.h"

#include <algorithm>

#include "vcard/AtCommandLine.h"
#include "vcard/AtText.h"

namespace veltro::vcard {
namespace {

constexpr std::size_t kMaxLineLength = 560;
constexpr std::size_t kKeptLines = 10000;  // a long demo run must not grow without end
constexpr char kCtrlZ = 26;
constexpr char kEscape = 27;

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
    receivedLines_.push_back(Masked(full));
    if (lineListener_) {
        lineListener_(receivedLines_.back());
    }
    const std::uint64_t dueMs = nowMs + answerDelayMs_;
    busyUntilMs_ = dueMs;

    const std::string upper = AtText::Upper(full);
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
    if (name == "+CPIN" || name == "+CPINR") {
        return ExecuteSim(command);
    }
    if (name == "+CUSD") {
        return ExecuteUssd(command, nowMs);
    }
    return ExecuteStatus(command);
}
}  // namespace veltro::vcard
