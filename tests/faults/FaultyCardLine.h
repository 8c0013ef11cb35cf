#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "InMemoryLine.h"
#include "ManualClock.h"
#include "vcard/CardModem.h"

namespace veltro::test {

// How the line spoils the card's answer to one line: a command line, or a message body
// (which ends in Ctrl-Z).
struct LineFault {
    enum class Kind {
        None,
        Lost,     // the card carries the line out; its answer is lost
        Refused,  // the card refuses the line (it does nothing) with text, e.g. "ERROR"
        Delay,    // the answer comes delayMs later than the card would give it
        Garbage,  // the answer is replaced by line noise
        Unplug,   // half the answer arrives, then the card is gone
    };
    Kind kind = Kind::None;
    std::string linePrefix;  // the command line it applies to ("AT+CMGS=", "0011")
    std::string text;        // Refused: the answer, "ERROR" or "+CMS ERROR: 321"
    std::uint32_t delayMs = 0;
};

// A serial line to the virtual card's modem in this process, in virtual time: what is
// written goes to the card at once, what the card says is readable when it is due, and
// waits advance the clock to the next thing the card does. Faults spoil the answer to
// a chosen command line; an unplugged line fails every read and write, as a pulled-out
// USB tty does.
class FaultyCardLine final : public InMemoryLine {
public:
    struct Shared {
        explicit Shared(vcard::CardOptions options) : card(options) {}
        vcard::CardModem card;
        LineFault fault;
        bool unplugged = false;
        std::vector<std::string> lines;  // every complete line written, CR removed
    };

    FaultyCardLine(ManualClock& clock, std::shared_ptr<Shared> shared);
    static SerialLineFactory Factory(ManualClock& clock, std::shared_ptr<Shared> shared);

    const char* Name() const override { return "pts/9"; }
    int OpenDevice() override;
    int Open() override;
    void Close() override;
    int Reopen(std::uint32_t baudRate) override;
    int SetState(const LineSettings& settings) override;
    int Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) override;
    int Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) override;
    bool PurgeInput() override;
    void WaitReadable(std::uint32_t ms) override;

protected:
    bool Present() const override { return !shared_->unplugged; }

private:
    struct Pending {
        std::uint64_t dueMs;
        std::uint32_t rate;  // what the card said it at: at another rate it is noise
        std::string bytes;
    };
    // Takes what the card has said by now, spoiled as the fault asks.
    void Collect();
    std::uint64_t NextDueMs() const;

    ManualClock& clock_;
    std::shared_ptr<Shared> shared_;
    std::uint32_t rate_ = 115200;
    std::string partial_;
    bool faultActive_ = false;  // the card's output answers the faulted line
    bool cutDone_ = false;
    std::vector<Pending> pending_;
};

}  // namespace veltro::test
