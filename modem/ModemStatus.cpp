#include "modem/ModemEngine.h"
#include "modem/StatusParsers.h"

namespace veltro {

namespace {
constexpr std::uint32_t kSimLimitMs = 2000;
constexpr std::uint32_t kAttachLimitMs = 1000;
constexpr std::uint32_t kRegistrationLimitMs = 800;
constexpr std::uint32_t kSignalLimitMs = 2000;
constexpr std::uint32_t kSignalReportLimitMs = 4000;
}  // namespace

bool ModemEngine::CheckSimReady() {
    return RunExchange({AtCommandId::Cpin, CommandForm::Query, nullptr, SendMode::Settle,
                        ResultCodeId::Ready, kSimLimitMs, ClearMode::Always});
}

bool ModemEngine::AttachPacketService() {
    return RunExchange({AtCommandId::Cgatt, CommandForm::Assign, "1", SendMode::PostSettle,
                        ResultCodeId::Ok, kAttachLimitMs, ClearMode::Always});
}

bool ModemEngine::GetPacketRegistration(int* status) {
    if (!RunExchange({AtCommandId::Cgreg, CommandForm::Query, nullptr, SendMode::PostSettle,
                      ResultCodeId::Cgreg, kRegistrationLimitMs, ClearMode::Never})) {
        return false;
    }
    const ParsedField field = StatusParsers::PacketRegistration(Response());
    MaskPrefix(field.consumed);
    if (!field.ok) {
        return false;
    }
    *status = field.value;
    ClearResponse();
    return true;
}

bool ModemEngine::ReadSignalQuality(int* value) {
    if (!RunExchange({AtCommandId::Csq, CommandForm::Plain, nullptr, SendMode::PostSettle,
                      ResultCodeId::Ok, kSignalLimitMs, ClearMode::Never})) {
        return false;
    }
    // Another maker's card answers only the standard "+CSQ: " line.
    const ParsedField field = StatusParsers::SignalValue(Response(), !makerKnown_);
    MaskPrefix(field.consumed);
    if (!field.ok) {
        return false;
    }
    *value = field.value;
    return true;
}

bool ModemEngine::SetSignalReport(bool on) {
    // Another maker's card has no "$CSQ" reports: nothing to switch, nothing to wait for.
    if (!makerKnown_) {
        return !on;
    }
    // The answer is awaited even when the line could not be written in full.
    SendCommand(AtCommandId::VendorCsq, CommandForm::Assign, on ? "1,8" : "0");
    const bool found = AwaitCode(ResultCodeId::Ok, kSignalReportLimitMs) >= 0;
    ClearResponse();
    return found;
}

}  // namespace veltro
