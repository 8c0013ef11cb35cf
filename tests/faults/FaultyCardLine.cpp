#include "FaultyCardLine.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace veltro::test {

namespace {

// Noise as a line with a bad cable or the wrong rate delivers it: no answer the engine
// looks for can be read out of it.
const std::string kNoise = std::string("\r\n\xF8\x80~\x0F\xE3", 7) + "x#@\xA5\r\xFE\n";

}  // namespace

FaultyCardLine::FaultyCardLine(ManualClock& clock, std::shared_ptr<Shared> shared)
    : clock_(clock), shared_(std::move(shared)) {}

SerialLineFactory FaultyCardLine::Factory(ManualClock& clock, std::shared_ptr<Shared> shared) {
    return [&clock, shared](std::string_view) {
        return std::make_unique<FaultyCardLine>(clock, shared);
    };
}

int FaultyCardLine::OpenDevice() {
    return shared_->unplugged ? 2 : 0;  // ENOENT: the tty is gone
}

int FaultyCardLine::Open() {
    rate_ = 115200;
    return OpenDevice();
}

void FaultyCardLine::Close() {
    if (!shared_->unplugged) {
        shared_->card.LineClosed(clock_.NowMs());
    }
}

int FaultyCardLine::Reopen(std::uint32_t baudRate) {
    if (shared_->unplugged) {
        return 0;
    }
    rate_ = baudRate;
    return 1;
}

int FaultyCardLine::SetState(const LineSettings& settings) {
    if (shared_->unplugged) {
        return 0;
    }
    rate_ = settings.baudRate;
    return 1;
}

void FaultyCardLine::Collect() {
    const std::uint64_t now = clock_.NowMs();
    shared_->card.Advance(now);
    for (auto& output : shared_->card.TakeOutput(now)) {
        Pending item{now, output.rate, std::move(output.bytes)};
        if (faultActive_) {
            switch (shared_->fault.kind) {
                case LineFault::Kind::Lost:
                    item.bytes.clear();
                    break;
                case LineFault::Kind::Delay:
                    item.dueMs += shared_->fault.delayMs;
                    break;
                case LineFault::Kind::Garbage:
                    item.bytes = kNoise;
                    break;
                case LineFault::Kind::Unplug:
                    item.bytes.resize(item.bytes.size() / 2);
                    cutDone_ = true;
                    break;
                case LineFault::Kind::Refused:
                case LineFault::Kind::None:
                    break;
            }
        }
        pending_.push_back(std::move(item));
    }
}

std::uint64_t FaultyCardLine::NextDueMs() const {
    std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
    for (const Pending& item : pending_) {
        next = std::min(next, item.dueMs);
    }
    if (const auto event = shared_->card.NextEventMs()) {
        next = std::min(next, *event);
    }
    return next;
}

int FaultyCardLine::Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) {
    *countRead = 0;
    if (shared_->unplugged) {
        return 0;
    }
    Collect();
    const std::uint64_t now = clock_.NowMs();
    std::string ready;
    for (auto it = pending_.begin(); it != pending_.end() && it->dueMs <= now;) {
        if (it->rate == rate_) {
            ready += it->bytes;
        }
        it = pending_.erase(it);
    }
    const std::size_t count = std::min<std::size_t>(ready.size(), maxCount);
    std::memcpy(buffer, ready.data(), count);
    if (count < ready.size()) {
        pending_.insert(pending_.begin(), Pending{now, rate_, ready.substr(count)});
    }
    *countRead = static_cast<std::uint32_t>(count);
    if (cutDone_ && pending_.empty()) {
        // The first half of the answer is out; the card goes with the rest.
        shared_->unplugged = true;
    }
    return 1;
}

int FaultyCardLine::Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) {
    *countWritten = 0;
    if (shared_->unplugged) {
        return 0;
    }
    const std::uint64_t now = clock_.NowMs();
    for (std::uint32_t i = 0; i < count; ++i) {
        const char c = bytes[i];
        if (partial_.empty()) {
            // What the card said so far answered the line before this one.
            Collect();
            faultActive_ = false;
        }
        partial_ += c;
        if (c != '\r' && c != '\x1a') {
            continue;
        }
        const std::string line = partial_.substr(0, partial_.size() - 1);
        shared_->lines.push_back(line);
        partial_.clear();
        const LineFault& fault = shared_->fault;
        faultActive_ = fault.kind != LineFault::Kind::None && !line.empty() &&
                       line.rfind(fault.linePrefix, 0) == 0;
        if (faultActive_ && fault.kind == LineFault::Kind::Refused) {
            // The card never takes the line in; a refused message body is abandoned.
            if (c == '\x1a') {
                shared_->card.Receive("\x1b", rate_, now);
                shared_->card.TakeOutput(now);
            }
            pending_.push_back({now, rate_, "\r\n" + fault.text + "\r\n"});
            continue;
        }
        shared_->card.Receive(line + c, rate_, now);
        Collect();
    }
    *countWritten = count;
    return 1;
}

bool FaultyCardLine::PurgeInput() {
    if (shared_->unplugged) {
        return false;
    }
    Collect();
    const std::uint64_t now = clock_.NowMs();
    std::erase_if(pending_, [now](const Pending& item) { return item.dueMs <= now; });
    return true;
}

void FaultyCardLine::WaitReadable(std::uint32_t ms) {
    const std::uint64_t now = clock_.NowMs();
    const std::uint64_t next = NextDueMs();
    clock_.AdvanceTo(next > now && next < now + ms ? next : now + ms);
}

}  // namespace veltro::test
