#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../dialup/DialupTestPlatform.h"
#include "CardDialService.h"
#include "FaultyCardLine.h"
#include "ManualClock.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "dialup/DialupConnection.h"

namespace veltro::test {
namespace {

using cli::CommandGroup;

constexpr CommandGroup kGroups[] = {cli::StatusCommands, cli::SmsCommands, cli::CallCommands,
                                    cli::DialupCommands};

// One command line of one operation that a fault is aimed at.
struct Row {
    const char* operation;  // what the user runs: "status", "sms read 1"
    const char* line;       // the prefix of the line the fault spoils
    std::uint32_t limitMs;  // how long the engine waits for the answer to that line
    // The longest the whole operation may take, faults and retries included.
    std::uint32_t boundMs;
    // Run first with the fault, untimed: what the operation finds the card in.
    const char* before = nullptr;
};

constexpr std::uint32_t kSettleMs = 400;

// Start-up as every command runs it (probe, initialisation, then the SIM, packet
// service and signal of "status"), then the message and call operations. The limits
// are the engine's; the probe waits 200 ms at each rate, the text-mode read of a message
// 400 + 1000 ms.
const Row kRows[] = {
    {"status", "AT+CGMI", 200, 30000},
    {"status", "AT+CGDCONT=", 2000, 140000},
    {"status", "AT+CNMI=", 4000, 140000},
    {"status", "AT+CMGF=0", 2000, 140000},
    {"status", "AT+CLIP=1", 4000, 140000},
    {"status", "ATS0=0", 4000, 140000},
    {"status", "AT$CSQ=0", 4000, 140000},
    {"status", "ATE0", 2000, 140000},
    {"status", "AT+CPIN?", 2000, 60000},
    {"status", "AT+CGATT=1", 1000, 60000},
    {"status", "AT+CGREG?", 800, 60000},
    {"status", "AT+CSQ", 2000, 60000},
    {"sms send 13800138000 你好", "AT+CMGS=", 6000, 40000},
    {"sms send 13800138000 你好", "0011", 6000, 40000},
    {"sms send 10086 hello", "AT+CMGF=1", 2000, 40000},
    {"sms send 10086 hello", "hello", 5000, 40000},
    {"sms list", "AT+CMGL=", 16000, 60000},
    {"sms read 1", "AT+CMGR=", 1000, 40000},
    {"sms delete 1", "AT+CMGD=", 2000, 40000},
    {"call dial 10086", "ATD", 0, 40000},
    {"call answer", "ATA", 2000, 40000},
    {"call hangup", "ATH0", 2000, 40000},
    // The dial's line as the dialer's connect script sends it: 30 s for an answer, polled
    // every 100 ms; the hang-up that follows it.
    {"connect", "ATD*99***1#", 30000, 30500},
    {"disconnect", "ATD*99***1#", 30000, 100, "connect"},
};

bool IsDialRow(const Row& row) {
    return std::string(row.line).rfind("ATD*99", 0) == 0;
}

struct Fault {
    const char* name;
    std::function<LineFault(const Row&)> make;
};

bool IsMessageLine(const Row& row) {
    const std::string line = row.line;
    return line.rfind("AT+CM", 0) == 0 || line == "0011" || line == "hello";
}

const std::vector<Fault>& Faults() {
    using Kind = LineFault::Kind;
    static const std::vector<Fault> faults = {
        {"none", [](const Row&) { return LineFault{}; }},
        {"no answer",
         [](const Row& r) {
             return LineFault{Kind::Lost, r.line, "", 0};
         }},
        {"ERROR",
         [](const Row& r) {
             return LineFault{Kind::Refused, r.line, "ERROR", 0};
         }},
        {"+CME/+CMS ERROR",
         [](const Row& r) {
             return LineFault{Kind::Refused, r.line,
                              IsMessageLine(r) ? "+CMS ERROR: 321" : "+CME ERROR: 100", 0};
         }},
        {"just inside the limit",
         [](const Row& r) {
             return LineFault{Kind::Delay, r.line, "", r.limitMs > 100 ? r.limitMs - 100 : 0};
         }},
        {"just outside the limit",
         [](const Row& r) {
             return LineFault{Kind::Delay, r.line, "", kSettleMs + r.limitMs + 100};
         }},
        {"line noise",
         [](const Row& r) {
             return LineFault{Kind::Garbage, r.line, "", 0};
         }},
        {"unplugged mid-answer",
         [](const Row& r) {
             return LineFault{Kind::Unplug, r.line, "", 0};
         }},
    };
    return faults;
}

struct Outcome {
    int exit = -1;
    std::string text;  // the error line, or the first line printed
    std::uint64_t ms = 0;
    bool truthful = true;
    bool recovered = false;
};

// A success the command reports must be what the card did.
bool ReportIsTrue(const FaultyCardLine::Shared& shared, const Row& row, const Outcome& outcome) {
    if (outcome.exit != cli::kExitSuccess) {
        return true;
    }
    const std::string operation = row.operation;
    if (operation.rfind("sms send", 0) == 0) {
        return !shared.card.SentMessages().empty();
    }
    if (operation == "sms delete 1") {
        return shared.card.Store().Find(1) == nullptr;
    }
    if (operation == "sms read 1") {
        return outcome.text == "number: +8613912345678";
    }
    if (operation == "sms list") {
        return outcome.text == "1";
    }
    if (operation == "call answer") {
        return shared.card.InCall();
    }
    if (operation == "call hangup") {
        return !shared.card.InCall();
    }
    if (operation == "connect") {
        return shared.card.InDataMode();
    }
    if (operation == "disconnect") {
        return !shared.card.InDataMode();
    }
    return true;
}

std::vector<std::string> Words(const std::string& operation) {
    std::istringstream in(operation);
    std::vector<std::string> words{"--port", "pts/9"};
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// What the card holds before each run: one unread message, and a caller when the
// operation answers a call.
void Prepare(FaultyCardLine::Shared& shared, const Row& row, ManualClock& clock) {
    if (shared.card.Store().Used() == 0) {
        shared.card.AddMessage("+8613912345678", "你好", clock.NowMs());
    }
    if (std::string(row.operation) == "call answer" ||
        std::string(row.operation) == "call hangup") {
        shared.card.IncomingCall("13800138000", clock.NowMs());
        if (std::string(row.operation) == "call hangup") {
            shared.card.Receive("ATA\r", shared.card.BaudRate(), clock.NowMs());
            shared.card.TakeOutput(clock.NowMs() + 60000);
        }
    }
}

Outcome Run(ManualClock& clock, std::shared_ptr<FaultyCardLine::Shared> shared,
            const char* operation) {
    std::ostringstream out;
    std::ostringstream err;
    const std::uint64_t start = clock.NowMs();
    Outcome outcome;
    outcome.exit = cli::RunCommandLine(
        Words(operation), kGroups,
        cli::CliEnvironment{clock, FaultyCardLine::Factory(clock, shared), out, err});
    outcome.ms = clock.NowMs() - start;
    std::string text = err.str().empty() ? out.str() : err.str();
    text = text.substr(0, text.find('\n'));
    const std::string prefix = "veltrogprs-cli: ";
    outcome.text = text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
    // Where the dialer's log lies depends on the user: the table leaves it out.
    outcome.text = outcome.text.substr(0, outcome.text.find("; the dialer's output is in"));
    return outcome;
}

Outcome Run(ManualClock& clock, std::shared_ptr<FaultyCardLine::Shared> shared, const Row& row) {
    Prepare(*shared, row, clock);
    if (row.before != nullptr) {
        Run(clock, shared, row.before);
    }
    return Run(clock, shared, row.operation);
}

// After a dial: whatever connection is left is ended; then a dial, its hang-up and the
// start-up of the next command all work.
bool DialRecovers(ManualClock& clock, const std::shared_ptr<FaultyCardLine::Shared>& shared) {
    Run(clock, shared, "disconnect");
    return Run(clock, shared, "connect").exit == cli::kExitSuccess &&
           Run(clock, shared, "disconnect").exit == cli::kExitSuccess &&
           Run(clock, shared, "status").exit == cli::kExitSuccess;
}

Outcome RunCell(TestPlatform& platform, const Row& row, const Fault& fault) {
    ManualClock clock;
    auto shared = std::make_shared<FaultyCardLine::Shared>(vcard::CardOptions{});
    CardDialService dialer(clock, shared);
    platform.UseDialer(&dialer);
    CurrentConnection = 0;
    shared->fault = fault.make(row);
    Outcome outcome = Run(clock, shared, row);
    outcome.truthful = ReportIsTrue(*shared, row, outcome);
    // The card is plugged in again, the fault is gone and any call is over: the same
    // operation works.
    shared->fault = {};
    if (shared->unplugged) {
        shared->unplugged = false;
        shared->card.PowerCycle();
    }
    shared->card.RemoteHangUp(clock.NowMs());
    clock.Advance(5000);
    outcome.recovered = IsDialRow(row) ? DialRecovers(clock, shared)
                                       : Run(clock, shared, row).exit == cli::kExitSuccess;
    return outcome;
}

std::string Seconds(std::uint64_t ms) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(1);
    text << static_cast<double>(ms) / 1000 << " s";
    return text.str();
}

TEST(FaultMatrixTest, EveryOperationAgainstEveryFault) {
    // The dial-up entry and its phonebook in a folder of their own, in memory when it
    // can be: every dial writes the entry, and a loaded disk makes each write slow.
    if (::access("/dev/shm", W_OK) == 0) {
        ::setenv("TEST_TMPDIR", "/dev/shm/", 0);
    }
    TestPlatform platform;
    std::ostringstream table;
    table << "| operation | faulted line |";
    for (const Fault& fault : Faults()) {
        table << ' ' << fault.name << " |";
    }
    table << "\n|---|---|";
    for (std::size_t i = 0; i < Faults().size(); ++i) {
        table << "---|";
    }
    table << '\n';
    for (const Row& row : kRows) {
        table << "| `" << row.operation << "` | `" << row.line << "` |";
        for (const Fault& fault : Faults()) {
            SCOPED_TRACE(std::string(row.operation) + " / " + row.line + " / " + fault.name);
            const Outcome outcome = RunCell(platform, row, fault);
            EXPECT_TRUE(outcome.exit == cli::kExitSuccess || outcome.exit == cli::kExitFailure)
                << outcome.exit;
            EXPECT_LE(outcome.ms, row.boundMs) << outcome.text;
            EXPECT_TRUE(outcome.recovered) << "the card is not usable after the fault";
            EXPECT_TRUE(outcome.truthful) << "success reported for what did not happen";
            if (std::string(fault.name) == "none" ||
                std::string(fault.name) == "just inside the limit") {
                EXPECT_EQ(cli::kExitSuccess, outcome.exit) << outcome.text;
            }
            table << ' ' << (outcome.exit == cli::kExitSuccess ? "ok" : "**failed**") << ", "
                  << Seconds(outcome.ms);
            if (!outcome.text.empty()) {
                table << ": " << outcome.text;
            }
            if (!outcome.truthful) {
                table << " (**not true**)";
            }
            if (!outcome.recovered) {
                table << " (**card unusable after**)";
            }
            table << " |";
        }
        table << '\n';
    }
    if (const char* path = std::getenv("VELTRO_FAULT_TABLE")) {
        std::ofstream(path) << table.str();
    }
}

}  // namespace
}  // namespace veltro::test
