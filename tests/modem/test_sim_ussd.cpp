#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "CardLine.h"
#include "ManualClock.h"
#include "modem/ModemEngine.h"
#include "modem/SimLock.h"
#include "modem/UssdAnswer.h"

namespace veltro {
namespace {

using test::CardLine;
using test::ManualClock;
using Unlock = ModemEngine::UnlockResult;
using Kind = ModemEngine::UssdResult::Kind;
using vcard::UssdReply;

// Parsers: captured and hand-made answers, and malformed ones.
TEST(UssdAnswerTest, DecodesEveryCoding) {
    struct Case {
        const char* name;
        const char* line;
        std::optional<int> status;  // nothing: malformed
        const char* text;
    };
    const Case cases[] = {
        // 3GPP TS 23.038 packing example "hellohello", as Huawei cards hand it over.
        {"packed 7-bit", "+CUSD: 0,\"E8329BFD4697D9EC37\",15", 0, "hellohello"},
        {"packed, CR fill of 7 spare bits", "+CUSD: 0,\"31D98C56B3DD1A\",15", 0, "1234567"},
        // chan_dongle's test_parse_cusd: a Russian operator's balance, packed, dcs 0.
        {"captured packed, dcs 0", "+CUSD: 0,\"CF2135487D2E4130572D0682BB1A\",0", 0,
         "OCTATOK 0.51 p."},
        // pmoerenhout/atcommander's unsolicited tests: KPN's balance as text.
        {"captured text (KPN)",
         "+CUSD: 0,\"Beste klant, uw huidige tegoed is 0,1 euro. Uw extra bonustegoed is 0 "
         "euro. Groet, KPN\",15",
         0,
         "Beste klant, uw huidige tegoed is 0,1 euro. Uw extra bonustegoed is 0 euro. Groet, KPN"},
        {"text in the TE set", "+CUSD: 1,\"Balance: 12.50 CNY\r\n1 Data\",15", 1,
         "Balance: 12.50 CNY\n1 Data"},
        {"UCS2, dcs 72", "+CUSD: 0,\"4F59989D003500304E07\",72", 0, "余额50万"},
        {"UCS2 lower-case hex", "+CUSD: 2,\"4f60597d\",72", 2, "你好"},
        {"8-bit", "+CUSD: 0,\"48E9\",68", 0, "Hé"},
        {"status only", "+CUSD: 4", 4, ""},
        {"no space, no dcs", "+CUSD:0,\"OK then\"", 0, "OK then"},
        {"UCS2 not hex", "+CUSD: 0,\"4F5\",72", std::nullopt, ""},
        {"status out of range", "+CUSD: 7,\"x\",15", std::nullopt, ""},
        {"no quote", "+CUSD: 0,abc,15", std::nullopt, ""},
        {"dcs not a number", "+CUSD: 0,\"x\",1x", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const auto answer = UssdAnswer::Parse(c.line);
        ASSERT_EQ(c.status.has_value(), answer.has_value()) << c.name;
        if (answer) {
            EXPECT_EQ(*c.status, answer->status) << c.name;
            EXPECT_EQ(c.text, answer->text) << c.name;
        }
    }
    std::optional<UssdAnswer> answer;
    EXPECT_FALSE(UssdAnswer::Find("\r\nOK\r\n+CUSD: 0,\"half\r\nline", &answer));
    ASSERT_TRUE(UssdAnswer::Find("\r\nOK\r\n+CUSD: 0,\"two\r\nlines\",15\r\n", &answer));
    EXPECT_EQ("two\nlines", answer->text);
}

TEST(SimLockTest, StatesRetriesAndCodes) {
    EXPECT_EQ(SimLock::State::Ready, SimLock::StateOf("\r\n+CPIN: READY\r\n"));
    EXPECT_EQ(SimLock::State::Pin, SimLock::StateOf("\r\n+CPIN: \"SIM PIN\"\r\nOK\r\n"));
    EXPECT_EQ(SimLock::State::Puk, SimLock::StateOf("+CPIN: SIM PUK\r\n"));
    EXPECT_EQ(SimLock::State::Other, SimLock::StateOf("+CPIN: PH-NET PIN\r\n"));
    EXPECT_EQ(SimLock::State::Unknown, SimLock::StateOf("\r\n+CME ERROR: 100\r\n"));
    const auto cpinr =
        SimLock::RetriesOf("\r\n+CPINR: SIM PIN,2,3\r\n+CPINR: SIM PUK,10,10\r\n\r\nOK\r\n");
    EXPECT_EQ(2, cpinr.pin);
    EXPECT_EQ(10, cpinr.puk);
    const auto cpinc = SimLock::RetriesOf("\r\n+CPINC: 1,3,9,10\r\nOK\r\n");
    EXPECT_EQ(1, cpinc.pin);
    EXPECT_EQ(9, cpinc.puk);
    EXPECT_EQ(-1, SimLock::RetriesOf("+CPINR: SIM PIN,x\r\n").pin);
    for (const char* pin : {"1234", "12345678"}) {
        EXPECT_TRUE(SimLock::ValidPin(pin)) << pin;
    }
    for (const char* pin : {"123", "123456789", "12a4", "12\"4", ""}) {
        EXPECT_FALSE(SimLock::ValidPin(pin)) << pin;
    }
    EXPECT_TRUE(SimLock::ValidPuk("12345678"));
    EXPECT_FALSE(SimLock::ValidPuk("1234567"));
}

// The engine against the virtual card's behaviour, in virtual time.
class SimUssdTest : public ::testing::Test {
protected:
    void Start(vcard::CardOptions options) {
        shared = std::make_shared<CardLine::Shared>(std::move(options));
        engine = std::make_unique<ModemEngine>(clock, CardLine::Factory(clock, shared));
        ASSERT_TRUE(engine->OpenPort("pts/9"));
    }
    bool Heard(const std::string& line) {
        std::lock_guard lock(shared->mutex);
        const auto& lines = shared->modem.ReceivedLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    ManualClock clock;
    std::shared_ptr<CardLine::Shared> shared;
    std::unique_ptr<ModemEngine> engine;
};

TEST_F(SimUssdTest, PinWrongTwiceThenRightAndThePinIsMaskedInTheCardsLog) {
    vcard::CardOptions options;
    options.sim = vcard::SimState::PinLocked;
    Start(options);
    EXPECT_EQ(SimLock::State::Pin, engine->QuerySimLock());
    EXPECT_EQ(3, engine->QueryPinRetries().pin);
    EXPECT_EQ(Unlock::Wrong, engine->EnterPin("1111"));
    EXPECT_EQ(Unlock::Wrong, engine->EnterPin("2222"));
    EXPECT_EQ(1, engine->QueryPinRetries().pin);
    EXPECT_EQ(Unlock::Refused, engine->EnterPin("12;4"));
    EXPECT_EQ(Unlock::Unlocked, engine->EnterPin("1234"));
    EXPECT_EQ(SimLock::State::Ready, engine->QuerySimLock());
    EXPECT_TRUE(Heard("AT+CPIN=<hidden>"));
    EXPECT_FALSE(Heard("AT+CPIN=\"1234\""));
}

TEST_F(SimUssdTest, ThreeWrongPinsAskForThePukWhichSetsANewPin) {
    vcard::CardOptions options;
    options.sim = vcard::SimState::PinLocked;
    Start(options);
    for (const char* pin : {"1111", "2222", "3333"}) {
        EXPECT_EQ(Unlock::Wrong, engine->EnterPin(pin));
    }
    EXPECT_EQ(SimLock::State::Puk, engine->QuerySimLock());
    EXPECT_EQ(Unlock::Wrong, engine->EnterPuk("87654321", "4321"));
    EXPECT_EQ(9, engine->QueryPinRetries().puk);
    EXPECT_EQ(Unlock::Unlocked, engine->EnterPuk("12345678", "4321"));
    EXPECT_EQ(SimLock::State::Ready, engine->QuerySimLock());
}

TEST_F(SimUssdTest, UssdIn7BitUcs2AndATwoStepMenu) {
    vcard::CardOptions options;
    options.ussd = {{"*100#", "Balance 12.50", UssdReply::Coding::Gsm7Packed, false},
                    {"*101#", "余额12.50元", UssdReply::Coding::Ucs2, false},
                    {"*102#", "1 Balance\n2 Data", UssdReply::Coding::Gsm7Packed, true},
                    {"*102#>2", "Data left: 1.2 GB", UssdReply::Coding::Ucs2, false}};
    Start(options);
    auto result = engine->RunUssd("*100#", ModemEngine::kUssdLimitMs);
    EXPECT_EQ(Kind::Answered, result.kind);
    EXPECT_EQ("Balance 12.50", result.answer.text);
    result = engine->RunUssd("*101#", ModemEngine::kUssdLimitMs);
    EXPECT_EQ("余额12.50元", result.answer.text);
    result = engine->RunUssd("*102#", ModemEngine::kUssdLimitMs);
    EXPECT_TRUE(result.answer.MoreFollows());
    EXPECT_EQ("1 Balance\n2 Data", result.answer.text);
    result = engine->RunUssd("2", ModemEngine::kUssdLimitMs);
    EXPECT_FALSE(result.answer.MoreFollows());
    EXPECT_EQ("Data left: 1.2 GB", result.answer.text);
    result = engine->RunUssd("*999#", ModemEngine::kUssdLimitMs);
    EXPECT_EQ(Kind::Refused, result.kind);
    EXPECT_EQ(4, result.answer.status);
    EXPECT_EQ(Kind::NotSent, engine->RunUssd("*100#\",1", ModemEngine::kUssdLimitMs).kind);
}

TEST_F(SimUssdTest, ANetworkThatDoesNotAnswerHasItsSessionEnded) {
    vcard::CardOptions options;
    options.ussd = {{"*100#", "late", UssdReply::Coding::Gsm7Packed, false}};
    options.ussdMs = 60000;
    Start(options);
    const auto start = clock.NowMs();
    EXPECT_EQ(Kind::TimedOut, engine->RunUssd("*100#", 5000).kind);
    EXPECT_LT(clock.NowMs() - start, 12000u);
    EXPECT_TRUE(Heard("AT+CUSD=2"));
}

TEST_F(SimUssdTest, AnotherMakersCardIsTakenOnANamedPortAndReadWithStandardCommands) {
    vcard::CardOptions options;
    options.generic = true;
    options.manufacturer = "Standard GSM Modem";
    options.signal = 17;
    Start(options);
    engine->Release();
    ASSERT_TRUE(engine->ProbeNamedPort("pts/9"));
    EXPECT_FALSE(engine->MakerKnown());
    EXPECT_EQ("Standard GSM Modem", engine->Maker());
    ASSERT_TRUE(engine->Initialize("pts/9"));
    EXPECT_TRUE(engine->SetSignalReport(false));
    EXPECT_FALSE(Heard("AT$CSQ=0"));
    int signal = 0;
    ASSERT_TRUE(engine->ReadSignalQuality(&signal));
    EXPECT_EQ(17, signal);
}

}  // namespace
}  // namespace veltro
