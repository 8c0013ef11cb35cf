#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "cli/CallWatcher.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"

namespace veltro::cli {
namespace {

using test::ManualClock;
using test::ScriptedLine;

const std::string kOk = "\r\nOK\r\n";
constexpr CommandGroup kGroups[] = {SmsCommands, CallCommands};

// The message and call commands on a scripted card behind --port, in virtual time.
class CardCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* command :
             {"AT+IPR=115200", "AT&W", "AT+CNMI=0,1,0,0,0", "AT+CMGF=0", "AT+CMGF=1", "AT+CLIP=1",
              "ATS0=0", "AT$CSQ=0", "ATE0", "ATH0", "ATA"}) {
            card->rules.push_back({command, kOk});
        }
        card->rules.push_back({"AT+CGDCONT=*", kOk});
        card->rules.push_back({"AT+CGMI", "\r\nWAVECOM MODEM\r\n" + kOk});
    }

    // Rules of a test come before the card's defaults, in the order given.
    void Rule(const std::string& command, const std::string& answer, int uses = -1) {
        card->rules.insert(card->rules.begin() + ownRules++, {command, answer, 0, uses});
    }
    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--port", "pts/5"});
        return RunCommandLine(arguments, kGroups,
                              CliEnvironment{clock, ScriptedLine::Factory(clock, card), out, err});
    }
    bool Sent(const std::string& line) const {
        return std::find(card->lines.begin(), card->lines.end(), line) != card->lines.end();
    }

    ManualClock clock;
    std::shared_ptr<ScriptedLine::Shared> card = std::make_shared<ScriptedLine::Shared>();
    std::ostringstream out;
    std::ostringstream err;
    long ownRules = 0;
};

TEST_F(CardCommandTest, SendSucceedsOnlyWhenConfirmed) {
    Rule("0011*", "\r\n+CMGS: 5\r\n" + kOk);
    EXPECT_EQ(kExitSuccess, Run({"sms", "send", "13800138000", "你好"}));
    EXPECT_EQ("sent\n", out.str());
    EXPECT_TRUE(Sent("AT+CMGS=19"));

    card->rules.erase(card->rules.begin());
    out.str("");
    EXPECT_EQ(kExitFailure, Run({"sms", "send", "13800138000", "你好"}));
    EXPECT_EQ("", out.str());
    EXPECT_NE(std::string::npos, err.str().find("did not confirm"));
}

TEST_F(CardCommandTest, LongTextGoesInParts) {
    Rule("0051*", "\r\n+CMGS: 5\r\n" + kOk);
    std::string text;
    for (int i = 0; i < 71; ++i) {
        text += "你";
    }
    EXPECT_EQ(kExitSuccess, Run({"sms", "send", "13800138000", text}));
    EXPECT_EQ("parts: 2\nsent\n", out.str());
}

// A number the encoder refuses is named as such before the modem is opened.
TEST_F(CardCommandTest, UnencodableNumberIsRefusedBeforeTheModem) {
    EXPECT_EQ(kExitFailure, Run({"sms", "send", "138-0013-8000", "hi"}));
    EXPECT_NE(std::string::npos, err.str().find("cannot send to 138-0013-8000")) << err.str();
    EXPECT_EQ(kExitFailure, Run({"sms", "send", "ABC", "\U0001F600"}));
    EXPECT_NE(std::string::npos, err.str().find("outside GBK")) << err.str();
    EXPECT_TRUE(card->lines.empty());
}

TEST_F(CardCommandTest, ListPrintsOneIndexPerLine) {
    Rule("AT+CMGL=\"REC UNREAD\"",
         "\r\n+CMGL: 3,\"REC UNREAD\",\"+8613800138000\",,\"26/12/08,10:15:30+32\"\r\n0041\r\n"
         "+CMGL: 7,\"REC UNREAD\",\"10086\",,\"26/12/08,10:16:00+32\"\r\nHi\r\n" +
             kOk);
    Rule("AT+CMGL=\"REC READ\"", kOk);
    EXPECT_EQ(kExitSuccess, Run({"sms", "list"}));
    EXPECT_EQ("3\n7\n", out.str());
    out.str("");
    EXPECT_EQ(kExitSuccess, Run({"sms", "list", "--read"})) << "an empty listing is no failure";
    EXPECT_EQ("", out.str());
    EXPECT_EQ(kExitFailure, Run({"sms", "list", "--all"}));
}

TEST_F(CardCommandTest, ListWithoutAnswerFails) {
    EXPECT_EQ(kExitFailure, Run({"sms", "list"}));
    EXPECT_NE(std::string::npos, err.str().find("no answer to AT+CMGL"));
}

TEST_F(CardCommandTest, ReadPrintsTheMessage) {
    Rule("AT+CMGR=3", "\r\n+CMGR: 1,,22\r\n0891683108200505F0040D91683108108300F0000862\r\n" + kOk,
         1);
    Rule("AT+CMGR=3",
         "\r\n+CMGR: \"REC UNREAD\",\"+8613800138000\",,\"26/12/08,10:15:30+32\"\r\n4F60597D\r\n" +
             kOk,
         1);
    EXPECT_EQ(kExitSuccess, Run({"sms", "read", "3"}));
    EXPECT_EQ(
        "number: +8613800138000\ntime: 26/12/08,10:15:30+32\nucs2: 1\nheader: 0\ntext: 你好\n",
        out.str());
}

TEST_F(CardCommandTest, ReadOfPlainGbkAndHeaderMessages) {
    Rule("AT+CMGR=4", "\r\n+CMGR: 1,,22\r\n00040D91683108108300F0000862\r\n" + kOk, 1);
    Rule("AT+CMGR=4",
         "\r\n+CMGR: \"REC READ\",\"10086\",,\"26/12/08,10:15:30+32\"\r\n\xC4\xE3\xBA\xC3!\r\n" +
             kOk,
         1);
    Rule("AT+CMGR=5", "\r\n+CMGR: 1,,3\r\n0044AB12\r\n" + kOk);
    EXPECT_EQ(kExitSuccess, Run({"sms", "read", "4"}));
    EXPECT_EQ("number: 10086\ntime: 26/12/08,10:15:30+32\nucs2: 0\nheader: 0\ntext: 你好!\n",
              out.str());
    out.str("");
    EXPECT_EQ(kExitSuccess, Run({"sms", "read", "5"}));
    // Too short to decode: the text is the PDU in hexadecimal.
    EXPECT_EQ("number: 未知\ntime: 未知\nucs2: 0\nheader: 1\npdu: 0044AB12\ntext: 0044AB12\n",
              out.str());
}

TEST_F(CardCommandTest, ReadAndDeleteOfUnknownIndexFail) {
    Rule("AT+CMGR=9", "\r\n+CMS ERROR: 321\r\n");
    Rule("AT+CMGD=9", "\r\n+CMS ERROR: 321\r\n");
    Rule("AT+CMGD=2", kOk);
    EXPECT_EQ(kExitFailure, Run({"sms", "read", "9"}));
    EXPECT_EQ(kExitFailure, Run({"sms", "delete", "9"}));
    EXPECT_EQ(kExitSuccess, Run({"sms", "delete", "2"}));
    EXPECT_EQ(kExitFailure, Run({"sms", "delete", "2;"}));
    EXPECT_EQ("", out.str());
}

TEST_F(CardCommandTest, CallCommandsWriteTheirLines) {
    EXPECT_EQ(kExitSuccess, Run({"call", "dial", "10086"}));
    EXPECT_EQ(kExitSuccess, Run({"call", "tone", "#"}));
    EXPECT_EQ(kExitSuccess, Run({"call", "answer"}));
    EXPECT_EQ(kExitSuccess, Run({"call", "hangup"}));
    EXPECT_EQ(kExitFailure, Run({"call", "tone", "x"}));
    EXPECT_TRUE(Sent("ATD10086;"));
    EXPECT_TRUE(Sent("AT+VTS=#"));
    EXPECT_EQ("dialling\n", out.str());
}

// The poll of watch on an open scripted line, one tick at a time.
class WatchTest : public CardCommandTest {
protected:
    void SetUp() override {
        CardCommandTest::SetUp();
        engine.Reset();
        ASSERT_TRUE(engine.OpenPort("pts/5"));
    }
    void Arrives(const std::string& bytes) {
        static_cast<ScriptedLine*>(engine.Port())->Inject(bytes);
    }

    ModemEngine engine{clock, ScriptedLine::Factory(clock, card)};
    CallWatcher watcher{engine, out};
};

TEST_F(WatchTest, RingCallerAndNoCarrier) {
    Arrives("\r\nRING\r\n\r\n+CLIP: \"13800138000\",129,,,,0\r\n");
    watcher.Poll();
    watcher.Poll();
    Arrives("\r\nNO CARRIER\r\n");
    watcher.Poll();
    EXPECT_EQ("ring\ncaller: 13800138000\nno-carrier\n", out.str());
}

TEST_F(WatchTest, RingWithoutCallerLineIsPrintedAtTheNextPoll) {
    Arrives("\r\nRING\r\n");
    watcher.Poll();
    EXPECT_EQ("", out.str());
    watcher.Poll();
    EXPECT_EQ("ring\n", out.str());
    Arrives("\r\nRING\r\n+CLIP: \"\",128\r\n");
    watcher.Poll();
    EXPECT_EQ("ring\nring\ncaller: \n", out.str());
}

TEST_F(WatchTest, CallerLineInTheNextReadStillBelongsToItsRing) {
    Arrives("\r\nRING\r\n");
    watcher.Poll();
    Arrives("\r\n+CLIP: \"10086\",129\r\n");
    watcher.Poll();
    EXPECT_EQ("ring\ncaller: 10086\n", out.str());
}

TEST_F(WatchTest, CallEndingBeforeItsCallerLine) {
    Arrives("\r\nRING\r\n\r\nNO CARRIER\r\n");
    watcher.Poll();
    EXPECT_EQ("ring\nno-carrier\n", out.str());
    watcher.Poll();
    EXPECT_EQ("ring\nno-carrier\n", out.str()) << "each event is printed once";
}

TEST_F(WatchTest, RunsForTheGivenSeconds) {
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(kExitSuccess, Run({"watch", "5"}));
    EXPECT_GE(clock.NowMs() - start, 5000u);
}

TEST_F(WatchTest, BadDurationIsRefused) {
    EXPECT_EQ(kExitFailure, Run({"watch", "0"}));
    EXPECT_EQ(kExitFailure, Run({"watch", "1x"}));
    EXPECT_TRUE(card->lines.empty());
}

}  // namespace
}  // namespace veltro::cli
