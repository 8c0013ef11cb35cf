#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "InMemoryLine.h"
#include "ManualClock.h"
#include "vcard/CardModem.h"

namespace veltro::test {

// A serial line straight into the virtual card's behaviour (vcard::CardModem), in
// virtual time: no pty, no card thread, no real waiting. The card answers exactly as
// the one on a pty does.
class CardLine final : public InMemoryLine {
public:
    // The card, shared with the test; take mutex around every use.
    struct Shared {
        explicit Shared(vcard::CardOptions options = {}) : modem(std::move(options)) {}
        std::mutex mutex;
        vcard::CardModem modem;
    };

    CardLine(std::string name, ManualClock& clock, std::shared_ptr<Shared> shared);

    static SerialLineFactory Factory(ManualClock& clock, std::shared_ptr<Shared> shared);

    const char* Name() const override { return name_.c_str(); }
    void Close() override;
    int GetSettings(LineSettings& settings) override;
    int Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) override;
    int Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) override;
    bool PurgeInput() override;
    void WaitReadable(std::uint32_t ms) override;

private:
    // Moves what the card has said by now into input_; the caller holds the mutex.
    void Collect();

    std::string name_;
    ManualClock& clock_;
    std::shared_ptr<Shared> shared_;
    std::string input_;
};

}  // namespace veltro::test
