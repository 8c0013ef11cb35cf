#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/InMemoryLine.h"
#include "tests/support/ManualClock.h"

namespace veltro::fuzz {

// A modem that answers each command line with the next of a list of answers, in reads
// of at most readSize bytes. Purging drops the rest of the answer, as a real purge would.
class FuzzLine final : public test::InMemoryLine {
public:
    struct Script {
        std::vector<std::string> answers;
        std::size_t next = 0;
        std::string pending;
        std::uint32_t readSize = 0;  // 0: everything at once
        std::vector<std::string> lines;
        std::string partial;
    };

    FuzzLine(test::ManualClock& clock, std::shared_ptr<Script> script)
        : clock_(clock), script_(std::move(script)) {}

    const char* Name() const override { return "fuzz0"; }
    int Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) override;
    int Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) override;
    bool PurgeInput() override;
    void WaitReadable(std::uint32_t ms) override { clock_.SleepMs(ms); }

private:
    test::ManualClock& clock_;
    std::shared_ptr<Script> script_;
};

}  // namespace veltro::fuzz
