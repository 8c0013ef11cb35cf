#include "CardLine.h"

#include <algorithm>
#include <cstring>

namespace veltro::test {

namespace {
constexpr std::uint32_t kRate = 115200;
}  // namespace

CardLine::CardLine(std::string name, ManualClock& clock, std::shared_ptr<Shared> shared)
    : name_(std::move(name)), clock_(clock), shared_(std::move(shared)) {}

SerialLineFactory CardLine::Factory(ManualClock& clock, std::shared_ptr<Shared> shared) {
    return [&clock, shared](std::string_view name) -> std::unique_ptr<SerialLine> {
        return std::make_unique<CardLine>(std::string(name), clock, shared);
    };
}

void CardLine::Close() {
    std::lock_guard lock(shared_->mutex);
    shared_->modem.LineClosed(clock_.NowMs());
}

int CardLine::GetSettings(LineSettings& settings) {
    settings = LineSettings{};
    return 1;
}

void CardLine::Collect() {
    const std::uint64_t now = clock_.NowMs();
    shared_->modem.Advance(now);
    for (const vcard::CardModem::Output& output : shared_->modem.TakeOutput(now)) {
        input_ += output.bytes;
    }
}

int CardLine::Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) {
    std::lock_guard lock(shared_->mutex);
    Collect();
    const std::size_t count = std::min<std::size_t>(maxCount, input_.size());
    std::memcpy(buffer, input_.data(), count);
    input_.erase(0, count);
    *countRead = static_cast<std::uint32_t>(count);
    return 1;
}

int CardLine::Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) {
    std::lock_guard lock(shared_->mutex);
    shared_->modem.Receive(std::string_view(bytes, count), kRate, clock_.NowMs());
    *countWritten = count;
    return 1;
}

bool CardLine::PurgeInput() {
    std::lock_guard lock(shared_->mutex);
    Collect();
    input_.clear();
    return true;
}

void CardLine::WaitReadable(std::uint32_t ms) {
    std::uint64_t wakeAt = clock_.NowMs() + ms;
    {
        std::lock_guard lock(shared_->mutex);
        Collect();
        if (!input_.empty()) {
            return;
        }
        if (const auto next = shared_->modem.NextEventMs()) {
            wakeAt = std::min(wakeAt, std::max(*next, clock_.NowMs()));
        }
    }
    clock_.AdvanceTo(wakeAt);
}

}  // namespace veltro::test
