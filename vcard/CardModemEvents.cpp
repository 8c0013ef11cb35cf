#include <algorithm>

#include "vcard/AtText.h"
#include "vcard/CardModem.h"

namespace veltro::vcard {

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
    // A locked SIM asks again after power-up; a blocked one stays blocked.
    if (sim_ != SimState::PukLocked && options_.sim == SimState::PinLocked) {
        sim_ = SimState::PinLocked;
    }
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
    const std::string prefix = AtText::Upper(linePrefix);
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
}  // namespace veltro::vcard
