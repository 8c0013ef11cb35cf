#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "InMemoryLine.h"
#include "ManualClock.h"

namespace veltro::test {

// A serial line driven by a script of command -> answer rules, in virtual time.
//
// Each complete line written (ending in CR) is matched against the rules in order;
// the first rule whose command equals the line (or, with a trailing '*', starts with
// the rest) makes its answer readable after its delay. Everything written is kept in
// Written() so tests can check the exact bytes on the wire.
class ScriptedLine final : public InMemoryLine {
public:
    struct Rule {
        std::string command;  // the line without its CR; "AT+CMGS=*" matches a prefix
        std::string answer;
        std::uint32_t delayMs = 0;
        int uses = -1;                     // how often the rule may fire; -1 for always
        std::uint32_t switchesRateTo = 0;  // after answering, the modem talks at this rate
    };

    // State shared with the test after the engine has taken ownership of the line.
    struct Shared {
        std::vector<Rule> rules;
        std::string written;
        std::vector<std::string> lines;        // every complete line written, CR removed
        std::vector<std::uint32_t> lineRates;  // the line rate each of lines was written at
        // The rate the modem talks at; lines written at another rate are garbage to it
        // and get no answer. 0 for a modem that understands every rate.
        std::uint32_t modemRate = 0;
        std::uint32_t shortWriteBy = 0;  // write this many bytes fewer than asked
        bool failOpen = false;
        int openError = 2;  // ENOENT: what a failed open reports
        bool failReads = false;
        int opens = 0;
        int dtrRaised = 0;
        int dtrLowered = 0;
        std::vector<std::uint32_t> rates;  // every rate the line was set to
    };

    ScriptedLine(std::string name, ManualClock& clock, std::shared_ptr<Shared> shared);

    // A factory that hands out lines sharing one script.
    static SerialLineFactory Factory(ManualClock& clock, std::shared_ptr<Shared> shared);

    // Makes bytes readable after delayMs, as if the modem sent them unasked.
    void Inject(const std::string& bytes, std::uint32_t delayMs = 0);

    const char* Name() const override { return name_.c_str(); }
    int OpenDevice() override;
    int Open() override;
    void Close() override { open_ = false; }
    int Reopen(std::uint32_t baudRate) override;
    int SetState(const LineSettings& settings) override;
    int ApplyDefaultSettings() override;
    int GetSettings(LineSettings& settings) override;
    int Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) override;
    int Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) override;
    int RaiseDtr() override;
    int LowerDtr() override;
    bool PurgeInput() override;
    void WaitReadable(std::uint32_t ms) override;

private:
    struct Pending {
        std::uint64_t at;
        std::string bytes;
    };
    void OnLine(const std::string& line);
    // Adds to pending_ in the order of due times; the caller holds mutex_.
    void Queue(Pending pending);

    std::string name_;
    ManualClock& clock_;
    std::shared_ptr<Shared> shared_;
    std::deque<Pending> pending_;
    std::string partial_;
    bool open_ = false;
    std::uint32_t rate_ = 115200;
    std::mutex mutex_;
};

}  // namespace veltro::test
