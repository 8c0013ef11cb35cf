#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "CardRules.h"
#include "ManualClock.h"
#include "ScriptedLine.h"
#include "modem/ModemEngine.h"

namespace veltro {
namespace {

using test::IgnoreCommand;
using test::ManualClock;
using test::ScriptedLine;
using Rule = ScriptedLine::Rule;

constexpr char kDeviceName[] = "VeltroGSM无线调制解调器";
const std::string kOk = "\r\nOK\r\n";

// Engines on scripted lines: lines named in cards talk to their card, every other port
// cannot be opened. The device table lives in a file named by VELTROGPRS_MODEMS.
class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VELTROGPRS_PORT_SCAN");
        tablePath = ::testing::TempDir() + "modems-" + std::to_string(::getpid()) + ".ini";
        std::remove(tablePath.c_str());
        ::setenv("VELTROGPRS_MODEMS", tablePath.c_str(), 1);
        dead->failOpen = true;
    }
    void TearDown() override {
        ::unsetenv("VELTROGPRS_MODEMS");
        std::remove(tablePath.c_str());
    }

    std::shared_ptr<ScriptedLine::Shared> AddCard(const std::string& port, std::uint32_t rate,
                                                  const std::string& manufacturer = "BenQ") {
        auto card = std::make_shared<ScriptedLine::Shared>();
        card->rules = test::CardRules(manufacturer);
        card->modemRate = rate;
        cards[port] = card;
        return card;
    }

    ModemEngine& Engine() {
        if (!engine) {
            engine = std::make_unique<ModemEngine>(
                clock, [this](std::string_view name) -> std::unique_ptr<SerialLine> {
                    opened.emplace_back(name);
                    const auto found = cards.find(std::string(name));
                    return std::make_unique<ScriptedLine>(
                        std::string(name), clock, found == cards.end() ? dead : found->second);
                });
            engine->Reset();
        }
        return *engine;
    }

    void WriteTable(const std::string& text) { std::ofstream(tablePath) << text; }

    ManualClock clock;
    std::string tablePath;
    std::map<std::string, std::shared_ptr<ScriptedLine::Shared>> cards;
    std::shared_ptr<ScriptedLine::Shared> dead = std::make_shared<ScriptedLine::Shared>();
    std::vector<std::string> opened;
    std::unique_ptr<ModemEngine> engine;
};

// ---- Probing ----------------------------------------------------------------------

struct RateCase {
    const char* name;
    std::uint32_t modemRate;
    bool found;
    int probes;  // probe lines written before the answer (or all eight)
};

class ProbeRateTest : public SetupTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(ProbeRateTest, TriesTheRateTableInOrder) {
    const RateCase& c = GetParam();
    auto card = AddCard("pts/3", c.modemRate);
    WriteTable("[0000]\nFriendlyName=" + std::string(kDeviceName) + "\nAttachedTo=pts/3\n");
    char port[ModemEngine::kPortNameSize] = {};
    const std::uint64_t start = clock.NowMs();

    EXPECT_EQ(c.found, Engine().FindModem(kDeviceName, port));

    ASSERT_EQ(static_cast<std::size_t>(c.probes), card->lines.size());
    const std::vector<std::uint32_t> table(std::begin(ModemEngine::kProbeRates),
                                           std::end(ModemEngine::kProbeRates));
    EXPECT_EQ(std::vector<std::uint32_t>(table.begin(), table.begin() + c.probes), card->lineRates);
    // 50 ms before each write, 200 ms for the answer.
    EXPECT_EQ(static_cast<std::uint64_t>(c.probes) * 250, clock.NowMs() - start);
    if (c.found) {
        EXPECT_STREQ("pts/3", port);
        EXPECT_EQ(c.modemRate, Engine().BaudRate());
        EXPECT_EQ(0, card->dtrLowered);
    } else {
        EXPECT_EQ(1, card->dtrLowered);  // DTR dropped after a port that gave no answer
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, ProbeRateTest,
    ::testing::Values(RateCase{"at115200", 115200, true, 1}, RateCase{"at9600", 9600, true, 2},
                      RateCase{"at4800", 4800, true, 3}, RateCase{"at19200", 19200, true, 5},
                      RateCase{"at57600", 57600, true, 7}, RateCase{"at2400", 2400, false, 8}),
    [](const auto& info) { return std::string(info.param.name); });

struct AnswerCase {
    const char* name;
    const char* manufacturer;
    bool deviceClass;  // FindModem through the device class
    bool scan;         // ScanPorts
    bool named;        // ProbeNamedPort
};

class ProbeAnswerTest : public SetupTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(ProbeAnswerTest, AcceptsTheManufacturerOfEachPath) {
    const AnswerCase& c = GetParam();
    AddCard("ttyS0", 115200, c.manufacturer);
    WriteTable("[0000]\nFriendlyName=" + std::string(kDeviceName) + "\nAttachedTo=ttyS0\n");
    char port[ModemEngine::kPortNameSize] = {};
    EXPECT_EQ(c.deviceClass, Engine().FindModem(kDeviceName, port));
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(c.scan, Engine().ScanPorts(port));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(c.named, Engine().ProbeNamedPort("ttyS0"));
}

INSTANTIATE_TEST_SUITE_P(
    Manufacturers, ProbeAnswerTest,
    // A port of the user's table, or named with --port, takes any maker's card that
    // answers; the scan keeps to its one answer.
    ::testing::Values(AnswerCase{"benq", "BenQ", true, false, true},
                      AnswerCase{"benqWithModel", "BenQ M22 GPRS", true, false, true},
                      AnswerCase{"wavecom", " WAVECOM MODEM", true, true, true},
                      AnswerCase{"lowerCase", "benq", true, false, true},
                      AnswerCase{"other", "huawei", true, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The device class -------------------------------------------------------------

struct TableCase {
    const char* name;
    const char* table;
    const char* port;  // the port found, or nullptr for none
};

class DeviceClassTest : public SetupTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(DeviceClassTest, FindsThePortOfTheNamedDevice) {
    const TableCase& c = GetParam();
    for (const char* port : {"ttyUSB0", "ttyUSB1", "ttyACM0"}) {
        AddCard(port, 115200);
    }
    WriteTable(c.table);
    char port[ModemEngine::kPortNameSize] = {};
    const bool found = Engine().FindModem(kDeviceName, port);
    EXPECT_EQ(c.port != nullptr, found);
    if (c.port != nullptr) {
        EXPECT_STREQ(c.port, port);
        EXPECT_EQ(std::vector<std::string>{c.port}, opened);
    } else {
        EXPECT_TRUE(opened.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, DeviceClassTest,
    ::testing::Values(
        TableCase{"exact", "[0000]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyUSB0\n",
                  "ttyUSB0"},
        TableCase{"nameWithSuffix",
                  "[0003]\nFriendlyName=VeltroGSM无线调制解调器 #2\nAttachedTo=ttyUSB1\n",
                  "ttyUSB1"},
        TableCase{"firstMatchWins",
                  "[0001]\nFriendlyName=Other modem\nAttachedTo=ttyUSB0\n"
                  "[0004]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyACM0\n"
                  "[0005]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyUSB1\n",
                  "ttyACM0"},
        TableCase{"lastInstance",
                  "[0009]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyUSB0\n", "ttyUSB0"},
        TableCase{"beyondLastInstance",
                  "[0010]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyUSB0\n", nullptr},
        TableCase{"nameNotContained", "[0000]\nFriendlyName=VeltroGSM\nAttachedTo=ttyUSB0\n",
                  nullptr},
        TableCase{"noAttachedTo", "[0000]\nFriendlyName=VeltroGSM无线调制解调器\n", nullptr},
        TableCase{"portNameTooLong",
                  "[0000]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyUSB0123\n"
                  "[0001]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyUSB1\n",
                  "ttyUSB1"},
        TableCase{"emptyTable", "", nullptr}, TableCase{"garbage", "\x01\xff[[[=\n=]\n", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupTest, MissingTableFindsNothing) {
    AddCard("ttyUSB0", 115200);
    char port[ModemEngine::kPortNameSize] = {};
    EXPECT_FALSE(Engine().FindModem(kDeviceName, port));
    EXPECT_TRUE(opened.empty());
}

TEST_F(SetupTest, PortThatCannotBeOpenedIsNoModem) {
    WriteTable("[0000]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=ttyUSB7\n");
    char port[ModemEngine::kPortNameSize] = {};
    EXPECT_FALSE(Engine().FindModem(kDeviceName, port));
    EXPECT_EQ(std::vector<std::string>{"ttyUSB7"}, opened);
    EXPECT_EQ(ENOENT, Engine().LastOpenError().Error());
    EXPECT_EQ("ttyUSB7", Engine().LastOpenError().PortName());
}

TEST_F(SetupTest, ScanTellsOnlyOpenErrorsTheUserCanActOn) {
    AddCard("ttyUSB1", 0)->failOpen = true;
    cards["ttyUSB1"]->openError = EACCES;
    AddCard("ttyUSB3", 0)->failOpen = true;
    cards["ttyUSB3"]->openError = EBUSY;
    char port[ModemEngine::kPortNameSize] = {};
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(Engine().ScanPorts(port));
    ::testing::internal::GetCapturedStdout();
    // The later busy port wins over the denied one; the missing ports are no news.
    EXPECT_EQ(EBUSY, Engine().LastOpenError().Error());
    EXPECT_EQ("ttyUSB3", Engine().LastOpenError().PortName());

    cards["ttyUSB3"]->failOpen = false;
    AddCard("ttyACM0", 115200, "WAVECOM MODEM");
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(Engine().ScanPorts(port));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(EACCES, Engine().LastOpenError().Error()) << "found elsewhere, the fault is kept";

    cards["ttyUSB1"]->failOpen = false;
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(Engine().ScanPorts(port));
    ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(Engine().LastOpenError());
}

TEST(PortOpenErrorTest, SaysWhatTheUserCanDo) {
    EXPECT_EQ(
        "permission denied on /dev/ttyUSB2: add yourself to the group dialout and log in "
        "again",
        PortOpenError(EACCES, "ttyUSB2").Describe("dialout"));
    EXPECT_EQ("permission denied on /dev/ttyS0: ask for read and write access to it",
              PortOpenError(EPERM, "ttyS0").Describe("root"));
    EXPECT_EQ("ttyUSB2 is in use by another program", PortOpenError(EBUSY, "ttyUSB2").Describe(""));
    EXPECT_EQ("/dev/ttyACM9 does not exist", PortOpenError(ENOENT, "ttyACM9").Describe(""));
    EXPECT_EQ("no device behind /dev/ttyUSB0; is the card plugged in?",
              PortOpenError(ENXIO, "ttyUSB0").Describe(""));
    EXPECT_EQ("cannot open /dev/ttyS1: " + std::string(std::strerror(EIO)),
              PortOpenError(EIO, "ttyS1").Describe(""));
    EXPECT_TRUE(PortOpenError(EBUSY, "x").IsActionable());
    EXPECT_FALSE(PortOpenError(ENODEV, "x").IsActionable());
    EXPECT_FALSE(PortOpenError());
}

// ---- The port scan ----------------------------------------------------------------

TEST_F(SetupTest, ScanTriesFixedPortsAndPrintsProgress) {
    AddCard("ttyS1", 0, "OTHER");  // opens, never answers the probe
    AddCard("ttyUSB2", 9600, "WAVECOM MODEM");
    ::setenv("VELTROGPRS_PORT_SCAN", "1", 1);
    char port[ModemEngine::kPortNameSize] = {};
    ::testing::internal::CaptureStdout();
    const std::uint64_t start = clock.NowMs();
    const bool found = Engine().FindModem(kDeviceName, port);
    const std::string output = ::testing::internal::GetCapturedStdout();
    ::unsetenv("VELTROGPRS_PORT_SCAN");

    ASSERT_TRUE(found);
    EXPECT_STREQ("ttyUSB2", port);
    EXPECT_EQ(9600u, Engine().BaudRate());
    EXPECT_EQ(
        "/dev/ttyS0\n/dev/ttyS1\n01234567\n/dev/ttyS2\n/dev/ttyS3\n/dev/ttyUSB0\n"
        "/dev/ttyUSB1\n/dev/ttyUSB2\n01",
        output);
    EXPECT_EQ(1, cards["ttyS1"]->dtrLowered);
    // No pause before the writes and 100 ms for each answer: eight rates on ttyS1, two
    // on ttyUSB2.
    EXPECT_EQ(1000u, clock.NowMs() - start);
}

TEST_F(SetupTest, ScanCoversFourteenPortsOnly) {
    for (const char* name : ModemEngine::kScanPorts) {
        AddCard(name, 0, "OTHER");
    }
    AddCard("ttyUSB6", 115200, "WAVECOM MODEM");
    AddCard("ttyACM4", 115200, "WAVECOM MODEM");
    char port[ModemEngine::kPortNameSize] = {};
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(Engine().ScanPorts(port));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(14u, opened.size());

    AddCard("ttyACM3", 4800, "WAVECOM MODEM");
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(Engine().ScanPorts(port));
    ::testing::internal::GetCapturedStdout();
    EXPECT_STREQ("ttyACM3", port);
}

// ---- Initialize -------------------------------------------------------------------

const std::vector<std::string> kSetupLines = {"AT+CGDCONT=1,\"IP\",\"CMNET\"",
                                              "AT+CGDCONT=2,\"IP\",\"CMWAP\"",
                                              "AT+CNMI=0,1,0,0,0",
                                              "AT+CMGF=0",
                                              "AT+CLIP=1",
                                              "ATS0=0",
                                              "AT$CSQ=0",
                                              "ATE0"};

TEST_F(SetupTest, SlowCardIsSwitchedTo115200AndSaved) {
    auto card = AddCard("pts/3", 4800);
    WriteTable("[0000]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=pts/3\n");
    char port[ModemEngine::kPortNameSize] = {};
    ASSERT_TRUE(Engine().FindModem(kDeviceName, port));
    EXPECT_EQ(4800u, Engine().BaudRate());
    card->lineRates.clear();
    card->lines.clear();

    ASSERT_TRUE(Engine().Initialize(port));

    std::vector<std::string> expected = {"AT+IPR=115200", "AT&W"};
    expected.insert(expected.end(), kSetupLines.begin(), kSetupLines.end());
    EXPECT_EQ(expected, card->lines);
    EXPECT_EQ(4800u, card->lineRates[0]);  // sent at the rate the card answered at
    for (std::size_t i = 1; i < card->lineRates.size(); ++i) {
        EXPECT_EQ(115200u, card->lineRates[i]) << card->lines[i];
    }
    EXPECT_EQ(115200u, Engine().BaudRate());
    EXPECT_TRUE(Engine().IsOpen());
}

TEST_F(SetupTest, RateSwitchWithoutAnswerFailsClosed) {
    auto card = AddCard("pts/3", 4800);
    IgnoreCommand(card->rules, "AT+IPR=115200");
    Engine().SetBaudRate(4800);
    EXPECT_FALSE(Engine().Initialize("pts/3"));
    EXPECT_FALSE(Engine().IsOpen());
    EXPECT_EQ(std::vector<std::string>{"AT+IPR=115200"}, card->lines);
}

TEST_F(SetupTest, AwaitAfterAFailedRateSwitchSleepsOutItsLimit) {
    // The port stays open after a failed switch but the engine no longer reads it, so
    // input queued there stays readable: the await must sleep, not spin on it.
    auto card = AddCard("pts/3", 4800);
    IgnoreCommand(card->rules, "AT+IPR=115200");
    Engine().SetBaudRate(4800);
    ASSERT_FALSE(Engine().Initialize("pts/3"));
    ASSERT_NE(nullptr, Engine().Port());
    static_cast<ScriptedLine*>(Engine().Port())->Inject("\r\nRING\r\n");

    const std::uint64_t start = clock.NowMs();
    auto report =
        std::async(std::launch::async, [this] { return Engine().SetSignalReport(false); });
    // A spinning await never lets virtual time pass: give it real time, then free it.
    const bool finished = report.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!finished) {
        clock.Advance(10000);
    }
    EXPECT_FALSE(report.get());
    EXPECT_TRUE(finished) << "the await spun on input it does not read";
    EXPECT_EQ(4000u, clock.NowMs() - start);
    EXPECT_EQ(std::vector<std::string>{"AT+IPR=115200"}, card->lines);
}

struct StepCase {
    const char* name;
    const char* ignored;  // the command the card does not answer
    bool initialized;
    const char* lastLine;  // the last line sent
};

class InitializeStepTest : public SetupTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(InitializeStepTest, RequiredStepsStopTheSequence) {
    const StepCase& c = GetParam();
    auto card = AddCard("pts/3", 115200);
    IgnoreCommand(card->rules, c.ignored);
    Engine().SetBaudRate(115200);
    EXPECT_EQ(c.initialized, Engine().Initialize("pts/3"));
    ASSERT_FALSE(card->lines.empty());
    EXPECT_EQ(c.lastLine, card->lines.back());
    // A failed set-up step leaves the port open for the next attempt.
    EXPECT_TRUE(Engine().IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InitializeStepTest,
    ::testing::Values(StepCase{"contextsOptional", "AT+CGDCONT=*", true, "ATE0"},
                      StepCase{"indications", "AT+CNMI=0,1,0,0,0", false, "AT+CNMI=0,1,0,0,0"},
                      StepCase{"pduMode", "AT+CMGF=0", false, "AT+CMGF=0"},
                      StepCase{"callerId", "AT+CLIP=1", false, "AT+CLIP=1"},
                      StepCase{"autoAnswer", "ATS0=*", false, "ATS0=0"},
                      StepCase{"signalReports", "AT$CSQ=*", false, "AT$CSQ=0"},
                      StepCase{"echoOptional", "ATE0", true, "ATE0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupTest, PortThatCannotBeOpenedFailsInitialize) {
    EXPECT_FALSE(Engine().Initialize("ttyUSB9"));
    EXPECT_FALSE(Engine().IsOpen());
    EXPECT_EQ(ENOENT, Engine().LastOpenError().Error());
    AddCard("ttyUSB9", 115200);
    Engine().SetBaudRate(115200);
    EXPECT_TRUE(Engine().Initialize("ttyUSB9"));
    EXPECT_FALSE(Engine().LastOpenError());
}

TEST_F(SetupTest, InitializeReplacesThePortAndReleaseDropsIt) {
    auto card = AddCard("pts/3", 115200);
    Engine().SetBaudRate(115200);
    ASSERT_TRUE(Engine().Initialize("pts/3"));
    ASSERT_TRUE(Engine().Initialize("pts/3"));
    EXPECT_EQ(2, card->opens);
    Engine().Release();
    EXPECT_FALSE(Engine().IsOpen());
    EXPECT_EQ(nullptr, Engine().Port());
    EXPECT_FALSE(Engine().CheckSimReady());
}

// ---- Set-up and status operations: lines, limits and results ------------------------

// An engine already open on a card at 115200.
class OperationTest : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        card = AddCard("pts/3", 115200);
        ASSERT_TRUE(Engine().OpenPort("pts/3"));
    }
    std::shared_ptr<ScriptedLine::Shared> card;
};

struct LimitCase {
    const char* name;
    const char* line;
    std::uint32_t settleMs;
    std::uint32_t limitMs;
    bool (*run)(ModemEngine&);
};

class OperationLimitTest : public OperationTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(OperationLimitTest, SendsItsLineAndWaitsItsLimit) {
    const LimitCase& c = GetParam();
    EXPECT_TRUE(c.run(Engine()));
    ASSERT_EQ(1u, card->lines.size());
    EXPECT_EQ(c.line, card->lines[0]);

    card->rules.clear();
    Engine().ClearResponse();
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(c.run(Engine()));
    EXPECT_EQ(c.settleMs + c.limitMs, clock.NowMs() - start);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, OperationLimitTest,
    ::testing::Values(
        LimitCase{"save", "AT&W", 400, 4000, [](ModemEngine& e) { return e.SaveSettings(); }},
        LimitCase{"echoOff", "ATE0", 400, 2000,
                  [](ModemEngine& e) { return e.SetEcho(AtCommandId::EchoOff); }},
        LimitCase{"echoOn", "ATE1", 400, 2000,
                  [](ModemEngine& e) { return e.SetEcho(AtCommandId::EchoOn); }},
        LimitCase{"context", "AT+CGDCONT=1,\"IP\",\"CMNET\"", 400, 2000,
                  [](ModemEngine& e) { return e.DefinePdpContext("1,\"IP\",\"CMNET\""); }},
        LimitCase{"callerId", "AT+CLIP=1", 400, 4000,
                  [](ModemEngine& e) { return e.EnableCallerId(); }},
        LimitCase{"autoAnswerOn", "ATS0=4", 400, 4000,
                  [](ModemEngine& e) { return e.SetAutoAnswer(true); }},
        LimitCase{"autoAnswerOff", "ATS0=0", 400, 4000,
                  [](ModemEngine& e) { return e.SetAutoAnswer(false); }},
        LimitCase{"signalReportOn", "AT$CSQ=1,8", 400, 4000,
                  [](ModemEngine& e) { return e.SetSignalReport(true); }},
        LimitCase{"signalReportOff", "AT$CSQ=0", 400, 4000,
                  [](ModemEngine& e) { return e.SetSignalReport(false); }},
        LimitCase{"sim", "AT+CPIN?", 400, 2000, [](ModemEngine& e) { return e.CheckSimReady(); }},
        LimitCase{"attach", "AT+CGATT=1", 400, 1000,
                  [](ModemEngine& e) { return e.AttachPacketService(); }},
        LimitCase{"registration", "AT+CGREG?", 400, 800,
                  [](ModemEngine& e) {
                      int status = 0;
                      return e.GetPacketRegistration(&status);
                  }},
        LimitCase{"signal", "AT+CSQ", 400, 2000,
                  [](ModemEngine& e) {
                      int value = 0;
                      return e.ReadSignalQuality(&value);
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperationTest, EchoAcceptsOnlyTheEchoCommands) {
    EXPECT_FALSE(Engine().SetEcho(AtCommandId::At));
    EXPECT_FALSE(Engine().SetEcho(AtCommandId::Cpin));
    EXPECT_TRUE(card->lines.empty());
}

TEST_F(OperationTest, RateSwitchLeavesItsOkForTheSave) {
    // The card confirms the rate but never the save: the save still succeeds on the
    // confirmation left in the buffer.
    Engine().SetBaudRate(4800);
    card->modemRate = 4800;
    IgnoreCommand(card->rules, "AT&W");
    ASSERT_EQ(1, Engine().SetModemBaudRate(115200));
    EXPECT_TRUE(Engine().SaveSettings());
    EXPECT_EQ(0u, Engine().ResponseLength());
}

TEST_F(OperationTest, RoamingRegistrationReadsFive) {
    IgnoreCommand(card->rules, "AT+CGREG?");
    card->rules.push_back({"AT+CGREG?", "\r\n+CGREG: 0,5\r\n\r\nOK\r\n"});
    int status = -1;
    ASSERT_TRUE(Engine().GetPacketRegistration(&status));
    EXPECT_EQ(5, status);
    EXPECT_EQ(0u, Engine().ResponseLength());  // cleared after a successful read
}

TEST_F(OperationTest, SuccessiveSignalReadsSeeTheNewValue) {
    IgnoreCommand(card->rules, "AT+CSQ");
    card->rules.push_back({"AT+CSQ", "\r\n$CSQ: 20,99\r\n\r\nOK\r\n", 0, 1});
    card->rules.push_back({"AT+CSQ", "\r\n$CSQ: 31,99\r\n\r\nOK\r\n", 0, 1});
    int value = 0;
    ASSERT_TRUE(Engine().ReadSignalQuality(&value));
    EXPECT_EQ(20, value);
    EXPECT_NE(0u, Engine().ResponseLength());  // the answer stays in the buffer
    ASSERT_TRUE(Engine().ReadSignalQuality(&value));
    EXPECT_EQ(31, value);
}

}  // namespace
}  // namespace veltro
