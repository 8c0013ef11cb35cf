#include "vcard/VirtualCard.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "modem/SystemClock.h"

namespace veltro::vcard {
namespace {

// While no client has the port open the master reports a hang-up on every poll, so the
// card looks for a new client in slices of this length instead of blocking.
constexpr int kHungUpSliceMs = 10;
constexpr int kWriteWaitMs = 200;

std::uint64_t Now() {
    return SystemClock::Instance().NowMs();
}

}  // namespace

VirtualCard::VirtualCard(CardOptions options)
    : modem_(std::move(options)), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

VirtualCard::~VirtualCard() {
    Stop();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

bool VirtualCard::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) {
        return true;
    }
    if (wakeFd_ < 0 || !pty_.Open(modem_.BaudRate())) {
        return false;
    }
    slavePath_ = pty_.SlavePath();
    stopping_ = false;
    started_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void VirtualCard::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!started_) {
            return;
        }
        stopping_ = true;
    }
    Wake();
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    pty_.Close();
    started_ = false;
    modem_.PowerCycle();
}

bool VirtualCard::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
}

void VirtualCard::Unplug() {
    Stop();
}

std::string VirtualCard::DevicePath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return slavePath_;
}

std::string VirtualCard::PortName() const {
    const std::string path = DevicePath();
    return path.rfind("/dev/", 0) == 0 ? path.substr(5) : path;
}

void VirtualCard::Wake() {
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof(one));
    }
}

void VirtualCard::Pump(std::uint64_t nowMs) {
    // Called with the lock held: runs the timers and puts out what is due. Output is
    // lost while nobody listens, and garbled (dropped) while the client's rate differs.
    modem_.Advance(nowMs);
    const auto outputs = modem_.TakeOutput(nowMs);
    if (outputs.empty()) {
        return;
    }
    if (pty_.HungUp()) {
        return;
    }
    const std::uint32_t lineRate = pty_.LineRate();
    for (const auto& output : outputs) {
        if (output.rate == lineRate || lineRate == 0) {
            pty_.Write(output.bytes, output.lossy ? 0 : kWriteWaitMs);
        }
    }
}

void VirtualCard::Run() {
    bool hungUp = true;
    while (!stopping_) {
        int timeoutMs = -1;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const std::uint64_t now = Now();
            Pump(now);
            if (const auto next = modem_.NextEventMs()) {
                timeoutMs = *next <= now
                                ? 0
                                : static_cast<int>(std::min<std::uint64_t>(*next - now, 60000));
            }
        }
        if (hungUp) {
            timeoutMs = timeoutMs < 0 ? kHungUpSliceMs : std::min(timeoutMs, kHungUpSliceMs);
        }
        pollfd fds[2] = {{wakeFd_, POLLIN, 0},
                         {pty_.Fd(), static_cast<short>(hungUp ? 0 : POLLIN), 0}};
        ::poll(fds, hungUp ? 1 : 2, timeoutMs);
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof(count));
        }
        std::string bytes;
        while (pty_.Read(bytes)) {
        }
        const bool nowHungUp = pty_.HungUp();
        std::lock_guard<std::mutex> lock(mutex_);
        const std::uint64_t now = Now();
        if (!bytes.empty()) {
            modem_.Receive(bytes, pty_.LineRate(), now);
        }
        if (nowHungUp && !hungUp) {
            modem_.LineClosed(now);
            pty_.DiscardUnread();
        }
        hungUp = nowHungUp;
    }
}

// ---- events and controls ---------------------------------------------------------------

void VirtualCard::IncomingCall(const std::string& number) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        modem_.IncomingCall(number, Now());
    }
    Wake();
}

void VirtualCard::RemoteHangUp() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        modem_.RemoteHangUp(Now());
    }
    Wake();
}

int VirtualCard::AddMessage(const std::string& number, const std::string& utf8Text) {
    int index = -1;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        index = modem_.AddMessage(number, utf8Text, Now());
    }
    Wake();
    return index;
}

int VirtualCard::StoreMessage(const StoredMessage& message) {
    int index = -1;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        index = modem_.StoreMessage(message, Now());
    }
    Wake();
    return index;
}

void VirtualCard::SetLineListener(std::function<void(const std::string&)> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.SetLineListener(std::move(listener));
}

void VirtualCard::SetSignal(int value) {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.SetSignal(value);
}

void VirtualCard::SetDialAnswerDelay(std::uint32_t ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.SetDialAnswerDelay(ms);
}

void VirtualCard::SetRegistration(int status) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        modem_.SetRegistration(status, Now());
    }
    Wake();
}

void VirtualCard::SetSim(SimState state) {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.SetSim(state);
}

void VirtualCard::SetFault(const std::string& linePrefix, CardFault fault, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.SetFault(linePrefix, fault, times);
}

void VirtualCard::ClearFaults() {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.ClearFaults();
}

void VirtualCard::SetAnswerDelay(std::uint32_t ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.SetAnswerDelay(ms);
}

void VirtualCard::SetDeadLine(bool dead) {
    std::lock_guard<std::mutex> lock(mutex_);
    modem_.SetDeadLine(dead);
}

std::vector<std::string> VirtualCard::ReceivedLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.ReceivedLines();
}

std::vector<SentMessage> VirtualCard::SentMessages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.SentMessages();
}

std::vector<StoredMessage> VirtualCard::StoredMessages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<StoredMessage> messages;
    for (int index : modem_.Store().Indices()) {
        messages.push_back(*modem_.Store().Find(index));
    }
    return messages;
}

std::string VirtualCard::Tones() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.Tones();
}

std::uint32_t VirtualCard::BaudRate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.BaudRate();
}

bool VirtualCard::InDataMode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.InDataMode();
}

bool VirtualCard::InCall() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.InCall();
}

std::uint64_t VirtualCard::DataBytesSent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.DataBytesSent();
}

std::uint64_t VirtualCard::DataBytesReceived() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modem_.DataBytesReceived();
}

}  // namespace veltro::vcard
