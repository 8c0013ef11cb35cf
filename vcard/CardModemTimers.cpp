#include <algorithm>

#include "vcard/CardModem.h"

namespace veltro::vcard {

void CardModem::Advance(std::uint64_t nowMs) {
    if (call_ == Call::Dialling && nowMs >= dialResultMs_) {
        if (dialResult_.kind == Reply::Kind::Ok) {
            call_ = Call::Active;
        } else {
            EndCall();
        }
        Emit(Final(dialResult_), dialResultMs_);
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
        consider(dialResultMs_);
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
}  // namespace veltro::vcard
