#include "ScriptedLine.h"

#include <algorithm>
#include <cstring>

namespace veltro::test {

ScriptedLine::ScriptedLine(std::string name, ManualClock& clock, std::shared_ptr<Shared> shared)
    : name_(std::move(name)), clock_(clock), shared_(std::move(shared)) {}

SerialLineFactory ScriptedLine::Factory(ManualClock& clock, std::shared_ptr<Shared> shared) {
    return [&clock, shared](std::string_view name) -> std::unique_ptr<SerialLine> {
        return std::make_unique<ScriptedLine>(std::string(name.substr(0, 8)), clock, shared);
    };
}

void ScriptedLine::Inject(const std::string& bytes, std::uint32_t delayMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Queue({clock_.NowMs() + delayMs, bytes});
}

int ScriptedLine::OpenDevice() {
    if (shared_->failOpen) {
        return shared_->openError;
    }
    ++shared_->opens;
    open_ = true;
    return 0;
}

int ScriptedLine::Open() {
    const int error = OpenDevice();
    if (error == 0) {
        ApplyDefaultSettings();
    }
    return error;
}

int ScriptedLine::Reopen(std::uint32_t baudRate) {
    if (OpenDevice() != 0) {
        return 0;
    }
    LineSettings settings;
    settings.baudRate = baudRate;
    return SetState(settings);
}

int ScriptedLine::SetState(const LineSettings& settings) {
    rate_ = settings.baudRate;
    shared_->rates.push_back(rate_);
    return 1;
}

int ScriptedLine::ApplyDefaultSettings() {
    LineSettings settings;
    return SetState(settings);
}

int ScriptedLine::GetSettings(LineSettings& settings) {
    settings.baudRate = rate_;
    return open_ ? 1 : 0;
}

int ScriptedLine::Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) {
    *countRead = 0;
    if (!open_ || shared_->failReads) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t now = clock_.NowMs();
    std::uint32_t done = 0;
    while (!pending_.empty() && pending_.front().at <= now && done < maxCount) {
        Pending& front = pending_.front();
        const std::uint32_t take = std::min<std::uint32_t>(
            maxCount - done, static_cast<std::uint32_t>(front.bytes.size()));
        std::memcpy(buffer + done, front.bytes.data(), take);
        done += take;
        front.bytes.erase(0, take);
        if (front.bytes.empty()) {
            pending_.pop_front();
        }
    }
    *countRead = done;
    return 1;
}

// Answers become readable in the order they are due: a quick answer is not held behind
// a slow one written earlier (a dial's late "OK" behind a hang-up's).
void ScriptedLine::Queue(Pending pending) {
    auto at = pending_.end();
    while (at != pending_.begin() && std::prev(at)->at > pending.at) {
        --at;
    }
    pending_.insert(at, std::move(pending));
}

void ScriptedLine::OnLine(const std::string& line) {
    shared_->lines.push_back(line);
    shared_->lineRates.push_back(rate_);
    if (shared_->modemRate != 0 && shared_->modemRate != rate_) {
        return;
    }
    for (Rule& rule : shared_->rules) {
        if (rule.uses == 0) {
            continue;
        }
        const bool prefix = !rule.command.empty() && rule.command.back() == '*';
        const bool match = prefix
                               ? line.rfind(rule.command.substr(0, rule.command.size() - 1), 0) == 0
                               : line == rule.command;
        if (match) {
            if (rule.uses > 0) {
                --rule.uses;
            }
            Queue({clock_.NowMs() + rule.delayMs, rule.answer});
            if (rule.switchesRateTo != 0) {
                shared_->modemRate = rule.switchesRateTo;
            }
            return;
        }
    }
}

int ScriptedLine::Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) {
    *countWritten = 0;
    if (!open_) {
        return 0;
    }
    const std::uint32_t accepted =
        count > shared_->shortWriteBy ? count - shared_->shortWriteBy : 0;
    std::lock_guard<std::mutex> lock(mutex_);
    shared_->written.append(bytes, accepted);
    for (std::uint32_t i = 0; i < accepted; ++i) {
        if (bytes[i] == '\r') {
            OnLine(partial_);
            partial_.clear();
        } else {
            partial_ += bytes[i];
        }
    }
    *countWritten = accepted;
    return 1;
}

int ScriptedLine::RaiseDtr() {
    ++shared_->dtrRaised;
    return 0;  // like a pty: the request is refused and the caller ignores it
}

int ScriptedLine::LowerDtr() {
    ++shared_->dtrLowered;
    return 0;
}

bool ScriptedLine::PurgeInput() {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t now = clock_.NowMs();
    std::erase_if(pending_, [now](const Pending& p) { return p.at <= now; });
    return true;
}

void ScriptedLine::WaitReadable(std::uint32_t ms) {
    std::uint64_t wakeAt = clock_.NowMs() + ms;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Pending& p : pending_) {
            wakeAt = std::min(wakeAt, std::max(p.at, clock_.NowMs()));
        }
    }
    clock_.AdvanceTo(wakeAt);
}

}  // namespace veltro::test
