#include <algorithm>

#include "vcard/CardModem.h"

namespace veltro::vcard {

CardModem::Reply CardModem::ExecuteCall(const AtCommand& command, std::uint64_t nowMs) {
    const std::string& name = command.name;
    const bool test = command.form == AtCommand::Form::Test;
    const bool read = command.form == AtCommand::Form::Read;
    if (name == "+CLIP" || name == "+CRC") {
        bool& flag = name == "+CLIP" ? clip_ : crc_;
        if (test) {
            answer_ += Info(name + ": (0,1)");
        } else if (read) {
            answer_ += Info(name + ": " + (flag ? "1" : "0") + (name == "+CLIP" ? ",1" : ""));
        } else if (command.argument == "0" || command.argument == "1") {
            flag = command.argument == "1";
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    }
    if (name == "+VTS") {
        if (test) {
            answer_ += Info("+VTS: (0-9,#,*,A-D)");
            return Reply::Ok();
        }
        std::string tone = command.argument;
        tone.erase(std::remove(tone.begin(), tone.end(), '"'), tone.end());
        if (tone.size() != 1 ||
            std::string("0123456789*#ABCD").find(tone[0]) == std::string::npos) {
            return Reply::Error();
        }
        tones_ += tone;
        // DTMF goes into a call in progress; with no call there is nothing to send it on.
        return call_ == Call::Active ? Reply::Ok() : Reply::Cme(3);
    }
    if (name == "H" || name == "+CHUP") {
        if (!command.argument.empty() && command.argument != "0") {
            return Reply::Error();
        }
        EndCall();
        return Reply::Ok();
    }
    if (name == "A") {
        if (call_ != Call::Ringing) {
            return Reply::Code("NO CARRIER", 3);
        }
        call_ = Call::Active;
        return Reply::Ok();
    }
    if (name == "O") {
        // The data session ends with the escape, so there is nothing to return to.
        return Reply::Code("NO CARRIER", 3);
    }
    return Dial(command.argument, nowMs);
}

CardModem::Reply CardModem::Dial(const std::string& dialString, std::uint64_t nowMs) {
    std::string number = dialString;
    number.erase(std::remove(number.begin(), number.end(), ' '), number.end());
    if (!number.empty() && (number[0] == 'T' || number[0] == 'P')) {
        number.erase(0, 1);
    }
    const bool voice = !number.empty() && number.back() == ';';
    if (voice) {
        number.pop_back();
    }
    if (number.empty() || call_ != Call::Idle) {
        return Reply::Error();
    }
    const int status = RegistrationStatus();
    const bool inService = sim_ == SimState::Ready && (status == 1 || status == 5);
    if (!voice) {
        // Packet data: "*99#", "*99***1#" (3GPP TS 27.007 10.2.1.1).
        const bool packet = number.rfind("*99", 0) == 0 && number.back() == '#';
        if (!packet || !inService) {
            return Reply::Code("NO CARRIER", 3);
        }
        attached_ = true;
        StartData(nowMs);
        return Reply::Code("CONNECT", 1);
    }
    if (!inService) {
        return Reply::Code("NO CARRIER", 3);
    }
    const auto& busy = options_.busyNumbers;
    const bool isBusy = std::find(busy.begin(), busy.end(), number) != busy.end();
    const Reply result = isBusy ? BusyResult(options_.busyResult) : Reply::Ok();
    const std::uint32_t delayMs = isBusy ? options_.busyAfterMs : options_.dialAnswerMs;
    if (delayMs == 0) {
        if (!isBusy) {
            call_ = Call::Active;
        }
        return result;
    }
    // The result comes when the far end picks up or the network gives up (Advance).
    call_ = Call::Dialling;
    dialResult_ = result;
    dialResultMs_ = nowMs + delayMs;
    return Reply::Later();
}

CardModem::Reply CardModem::BusyResult(const std::string& name) {
    if (name == "BUSY") {
        return Reply::Code("BUSY", 7);
    }
    if (name == "NO ANSWER") {
        return Reply::Code("NO ANSWER", 8);
    }
    return Reply::Code("NO CARRIER", 3);
}

void CardModem::StartData(std::uint64_t nowMs) {
    mode_ = Mode::Data;
    nextChunkMs_ = nowMs + std::max<std::uint32_t>(options_.dataChunkMs, 1);
    lastDataByteMs_ = nowMs;
    plusCount_ = 0;
    escapeAtMs_.reset();
}

void CardModem::EndData(std::uint64_t nowMs) {
    mode_ = Mode::Command;
    escapeAtMs_.reset();
    plusCount_ = 0;
    Emit(ResultCode("NO CARRIER", 3), nowMs);
}

void CardModem::DataByte(char c, std::uint64_t nowMs) {
    ++dataReceived_;
    // V.250 escape: "+++" with the guard time of silence before and after it.
    const std::uint64_t guard = options_.escapeGuardMs;
    if (c == '+' && plusCount_ < 3 && (plusCount_ > 0 || nowMs - lastDataByteMs_ >= guard)) {
        if (++plusCount_ == 3) {
            escapeAtMs_ = nowMs + guard;
        }
    } else {
        plusCount_ = 0;
        escapeAtMs_.reset();
    }
    lastDataByteMs_ = nowMs;
}

void CardModem::IncomingCall(const std::string& number, std::uint64_t nowMs) {
    if (call_ != Call::Idle || mode_ == Mode::Data) {
        return;  // the caller hears busy
    }
    call_ = Call::Ringing;
    callerNumber_ = number;
    ringsSent_ = 0;
    nextRingMs_ = nowMs;
    Advance(nowMs);
}

void CardModem::Ring(std::uint64_t nowMs) {
    Unsolicited(crc_ ? "+CRING: VOICE" : "RING", nowMs);
    if (clip_) {
        // 3GPP TS 27.007 7.18: type 145 for an international number; a withheld number
        // comes empty with CLI validity 1.
        const std::string& n = callerNumber_;
        Unsolicited(n.empty() ? std::string("+CLIP: \"\",128,,,,1")
                              : "+CLIP: \"" + n + "\"," + (n[0] == '+' ? "145" : "129"),
                    nowMs);
    }
    ++ringsSent_;
    nextRingMs_ = nowMs + options_.ringIntervalMs;
    const int autoAnswer = profile_.sRegisters[0];
    if (autoAnswer > 0 && ringsSent_ >= autoAnswer) {
        call_ = Call::Active;
    }
}

void CardModem::RemoteHangUp(std::uint64_t nowMs) {
    if (mode_ == Mode::Data) {
        EndData(nowMs);
        return;
    }
    if (call_ == Call::Idle) {
        return;
    }
    EndCall();
    Emit(ResultCode("NO CARRIER", 3), nowMs);
}

void CardModem::EndCall() {
    call_ = Call::Idle;
    callerNumber_.clear();
    ringsSent_ = 0;
}

}  // namespace veltro::vcard
