#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "cli/CommandOutput.h"
#include "cli/EventWatcher.h"
#include "records/MessageRecord.h"
#include "records/RecordFile.h"

namespace veltro::cli {
namespace {

using test::ManualClock;
using test::ScriptedLine;

const std::string kOk = "\r\nOK\r\n";
constexpr CommandGroup kGroups[] = {StatusCommands, SmsCommands, CallCommands};

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
// SMS-DELIVER PDUs made by python3-gammu (EncodePDU, layout "Deliver"), sent 26/12/08
// 10:15:30 +00: "你好，世界" from +8613800138000, and the three parts (reference 0x2A) of
// 150 × "长" and an emoji from +8613912345678.
const std::string kChinese =
    "0891683108100005F0000D91683108108300F00008622180015103000A4F60597DFF0C4E16754C";
const std::string kLongHead = "0891683108100005F0400D91683119325476F8000862218001510300";
std::string LongPart(int part) {
    std::string units;
    for (int i = 0; i < (part < 3 ? 67 : 16); ++i) {
        units += "957F";
    }
    const char* length = part < 3 ? "8C" : "2A";
    return kLongHead + length + "0500032A030" + std::to_string(part) + units +
           (part < 3 ? "" : "D83DDE00");
}
std::string Entry(int index, const std::string& pdu) {
    return "+CMGL: " + std::to_string(index) + ",0,," + std::to_string(pdu.size() / 2 - 9) +
           "\r\n" + pdu + "\r\n";
}
std::string ReadAnswer(const std::string& pdu) {
    return "\r\n+CMGR: 1,,30\r\n" + pdu + "\r\n" + kOk;
}

TEST_F(CardCommandTest, UnencodableNumberIsRefusedBeforeTheModem) {
    EXPECT_EQ(kExitFailure, Run({"sms", "send", "138-0013-800x", "hi"}));
    EXPECT_NE(std::string::npos, err.str().find("cannot send to 138-0013-800x: \"x\""))
        << err.str();
    EXPECT_EQ(kExitFailure, Run({"sms", "send", "ABC", "\U0001F600"}));
    EXPECT_NE(std::string::npos, err.str().find("outside GBK")) << err.str();
    EXPECT_EQ(kExitFailure, Run({"call", "dial", "10086;+CMGD=1"}));
    EXPECT_NE(std::string::npos, err.str().find("\";\" could change")) << err.str();
    EXPECT_TRUE(card->lines.empty());
}

TEST_F(CardCommandTest, ListPrintsOneIndexPerLine) {
    Rule("AT+CMGL=0", "\r\n" + Entry(3, kChinese) + Entry(7, LongPart(1)) + kOk);
    Rule("AT+CMGL=1", kOk);
    EXPECT_EQ(kExitSuccess, Run({"sms", "list"}));
    EXPECT_EQ("3\n7\n", out.str());
    out.str("");
    EXPECT_EQ(kExitSuccess, Run({"sms", "list", "--read"})) << "an empty listing is no failure";
    EXPECT_EQ("", out.str());
    EXPECT_EQ(kExitFailure, Run({"sms", "list", "--all"}));
    EXPECT_EQ(kExitFailure, Run({"sms", "list", "--delete"})) << "only what --text printed";
}

// The listing marks what it lists read, so indices beyond the 50 slots are printed too:
// they would never be listed as unread again.
TEST_F(CardCommandTest, ListPrintsEveryIndexOfALongListing) {
    std::string listing;
    std::string expected;
    for (int index = 1; index <= 55; ++index) {
        listing += Entry(index, kChinese);
        expected += std::to_string(index) + "\n";
    }
    Rule("AT+CMGL=0", "\r\n" + listing + kOk);
    EXPECT_EQ(kExitSuccess, Run({"sms", "list"}));
    EXPECT_EQ(expected, out.str());
}

TEST_F(CardCommandTest, ListWithoutAnswerFails) {
    EXPECT_EQ(kExitFailure, Run({"sms", "list"}));
    EXPECT_NE(std::string::npos, err.str().find("no answer to AT+CMGL"));
}

TEST_F(CardCommandTest, ReadPrintsTheMessage) {
    Rule("AT+CMGR=3", ReadAnswer(kChinese));
    EXPECT_EQ(kExitSuccess, Run({"sms", "read", "3"}));
    EXPECT_EQ(
        "number: +8613800138000\ntime: 26/12/08,10:15:30+00\nucs2: 1\nheader: 0\n"
        "text: 你好，世界\n",
        out.str());
    EXPECT_EQ((std::vector<std::string>{"AT+CMGR=3"}),
              std::vector<std::string>(card->lines.end() - 1, card->lines.end()));
}

// Several indices are read in order; --delete removes only the messages printed.
TEST_F(CardCommandTest, ReadOfSeveralMessagesDeletesWhatWasPrinted) {
    Rule("AT+CMGR=4", ReadAnswer(kChinese));
    Rule("AT+CMGR=5", ReadAnswer(LongPart(3)));
    Rule("AT+CMGR=9", "\r\n+CMS ERROR: 321\r\n");
    Rule("AT+CMGD=*", kOk);
    EXPECT_EQ(kExitFailure, Run({"sms", "read", "4", "9", "5", "--delete"}));
    EXPECT_EQ(
        "index: 4\nnumber: +8613800138000\ntime: 26/12/08,10:15:30+00\nucs2: 1\n"
        "header: 0\ntext: 你好，世界\n\nindex: 5\nnumber: +8613912345678\n"
        "time: 26/12/08,10:15:30+00\nucs2: 0\nheader: 1\npdu: " +
            LongPart(3) + "\npart: 3/3 reference 42\ntext: 长长长长长长长长长长长长长长长长😀\n",
        out.str());
    EXPECT_NE(std::string::npos, err.str().find("message 9 could not be read"));
    EXPECT_TRUE(Sent("AT+CMGD=4") && Sent("AT+CMGD=5"));
    EXPECT_FALSE(Sent("AT+CMGD=9"));
}

// One listing, the parts of a long message joined whatever their order, and --delete
// removes every index printed.
TEST_F(CardCommandTest, ListTextJoinsLongMessages) {
    Rule("AT+CMGL=0", "\r\n" + Entry(10, LongPart(2)) + Entry(11, kChinese) +
                          Entry(12, LongPart(3)) + Entry(13, LongPart(1)) + kOk);
    Rule("AT+CMGD=*", kOk);
    std::string text;
    for (int i = 0; i < 150; ++i) {
        text += "长";
    }
    EXPECT_EQ(kExitSuccess, Run({"sms", "list", "--text", "--delete"})) << err.str();
    EXPECT_EQ("10,12,13\tunread\t+8613912345678\t26/12/08,10:15:30+00\t" + text +
                  "😀\n11\tunread\t+8613800138000\t26/12/08,10:15:30+00\t你好，世界\n",
              out.str());
    EXPECT_EQ(1, std::count(card->lines.begin(), card->lines.end(), "AT+CMGL=0"));
    EXPECT_EQ((std::vector<std::string>{"AT+CMGD=10", "AT+CMGD=12", "AT+CMGD=13", "AT+CMGD=11"}),
              std::vector<std::string>(card->lines.end() - 4, card->lines.end()));
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

// The messages of "sms.dat" go out whole, as CSV fields or JSON strings, and control
// characters never reach a terminal raw.
TEST_F(CardCommandTest, ExportOfStoredMessages) {
    const std::string home = ::testing::TempDir() + "cli-sms-export-" + std::to_string(::getpid());
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    std::filesystem::create_directories(home + "/veltrogprs");
    ASSERT_TRUE(RecordFile<MessageRecord>::Write(
        home + "/veltrogprs/sms.dat",
        {{"10086", "26/12/08 10:15", "余额, \"100\" 元\n谢谢"}, {"+86138", "t", "\x1B[2J"}}));
    EXPECT_EQ(kExitSuccess, Run({"--data-home", "sms", "export", "--csv"}));
    EXPECT_EQ(
        "number,time,text\n10086,26/12/08 10:15,\"余额, \"\"100\"\" "
        "元\\n谢谢\"\n+86138,t,\\x1B[2J\n",
        out.str());
    out.str("");
    EXPECT_EQ(kExitSuccess, Run({"--data-home", "--json", "sms", "export"}));
    EXPECT_EQ("\x1B[2J", nlohmann::json::parse(out.str())["messages"][1]["text"]);
    std::filesystem::remove_all(home);
    ::unsetenv("XDG_DATA_HOME");
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
    CommandOutput output{out, err, false};
    EventWatcher watcher{engine, output};
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

// A new message is announced in a line of its own, also one that comes in two reads,
// and a long watch does not fill the receive buffer with other lines.
TEST_F(WatchTest, NewMessagesAmongOtherLines) {
    Arrives("\r\n+CGREG: 1\r\n\r\n+CMTI: \"SM\",12\r\n\r\n+CM");
    watcher.Poll();
    EXPECT_EQ("message: 12\n", out.str());
    Arrives("TI: \"SM\",3\r\n\r\nRING\r\n");
    watcher.Poll();
    watcher.Poll();
    EXPECT_EQ("message: 12\nmessage: 3\nring\n", out.str());
    EXPECT_EQ(0u, engine.ResponseLength());
}

TEST_F(WatchTest, RunsForTheGivenSecondsAndRestoresMessageSettings) {
    Rule("AT+CNMI=2,1,0,0,0", kOk);
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(kExitSuccess, Run({"watch", "5"}));
    EXPECT_GE(clock.NowMs() - start, 5000u);
    const auto announce = std::find(card->lines.begin(), card->lines.end(), "AT+CNMI=2,1,0,0,0");
    ASSERT_NE(card->lines.end(), announce);
    EXPECT_NE(card->lines.end(), std::find(announce, card->lines.end(), "AT+CNMI=0,1,0,0,0"));
}

// Every card command's --json output parses back as one object with its documented
// keys; watch prints one object a line.
TEST_F(CardCommandTest, JsonOutputOfEachCommand) {
    Rule("0011*", "\r\n+CMGS: 5\r\n" + kOk);
    Rule("AT+CMGL=0", "\r\n" + Entry(3, kChinese) + kOk);
    Rule("AT+CMGR=4", ReadAnswer(kChinese));
    Rule("AT+CMGD=4", kOk);
    Rule("AT+CNMI=2,1,0,0,0", kOk);
    Rule("AT+CPIN?", "\r\n+CPIN: READY\r\n" + kOk);
    Rule("AT+CGATT=1", kOk);
    Rule("AT+CGREG?", "\r\n+CGREG: 0,1\r\n" + kOk);
    Rule("AT+CSQ", "\r\n$CSQ: 17,99\r\n" + kOk);
    const std::vector<std::pair<std::vector<std::string>, const char*>> cases = {
        {{"find"}, R"({"port":"pts/5","baud":115200})"},
        {{"status"}, R"({"sim":"ready","gprs":1,"signal":17})"},
        {{"sms", "send", "13800138000", "你好"}, R"({"sent":true})"},
        {{"sms", "list"}, R"({"indices":[3]})"},
        {{"sms", "list", "--text"},
         R"({"messages":[{"indices":[3],"status":"unread","number":"+8613800138000",
             "time":"26/12/08,10:15:30+00","text":"你好，世界","parts":1,"missing":[]}]})"},
        {{"sms", "read", "4"},
         R"({"number":"+8613800138000","time":"26/12/08,10:15:30+00","ucs2":true,"header":false,
             "text":"你好，世界"})"},
        {{"sms", "delete", "4"}, R"({"deleted":4})"},
        {{"call", "dial", "10086"}, R"({"dialling":"10086"})"},
        {{"call", "answer"}, R"({"answered":true})"},
        {{"call", "hangup"}, R"({"hung_up":true})"},
        {{"call", "tone", "5"}, R"({"tone":"5"})"},
        {{"sms", "read", "99"}, R"({"error":"message 99 could not be read","code":1})"},
    };
    for (const auto& [arguments, expected] : cases) {
        out.str("");
        std::vector<std::string> line = arguments;
        line.push_back("--json");
        Run(line);
        EXPECT_EQ(nlohmann::json::parse(expected), nlohmann::json::parse(out.str()))
            << arguments[0] << ' ' << arguments.back();
    }
    out.str("");
    EXPECT_EQ(kExitSuccess, Run({"--json", "watch", "2"}));
    EXPECT_EQ("", out.str()) << "watch prints events only";
}

TEST_F(WatchTest, JsonEventsOneALine) {
    CommandOutput json(out, err, true);
    EventWatcher jsonWatcher(engine, json);
    Arrives("\r\nRING\r\n\r\n+CLIP: \"10086\",129\r\n\r\nNO CARRIER\r\n+CMTI: \"SM\",9\r\n");
    jsonWatcher.Poll();
    EXPECT_EQ(
        "{\"event\":\"ring\",\"caller\":\"10086\"}\n{\"event\":\"hangup\"}\n"
        "{\"event\":\"message\",\"storage\":\"SM\",\"index\":9}\n",
        out.str());
}

TEST_F(WatchTest, BadDurationIsRefused) {
    EXPECT_EQ(kExitFailure, Run({"watch", "0"}));
    EXPECT_EQ(kExitFailure, Run({"watch", "1x"}));
    EXPECT_TRUE(card->lines.empty());
}

}  // namespace
}  // namespace veltro::cli
