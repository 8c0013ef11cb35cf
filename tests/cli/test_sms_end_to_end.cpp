#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/VirtualCard.h"

namespace veltro::cli {
namespace {

constexpr CommandGroup kGroups[] = {SmsCommands, CallCommands};

// The message and call commands against the virtual data card on a real pty, in real
// time, through the real serial port.
class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        vcard::CardOptions options;
        options.ringIntervalMs = 1000;
        card = std::make_unique<vcard::VirtualCard>(options);
        ASSERT_TRUE(card->Start());
    }

    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--port", card->PortName()});
        Clock& clock = SystemClock::Instance();
        return RunCommandLine(arguments, kGroups,
                              CliEnvironment{clock, SerialPort::Factory(clock), out, err});
    }
    bool CardHeard(const std::string& line) const {
        const std::vector<std::string> lines = card->ReceivedLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::unique_ptr<vcard::VirtualCard> card;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(EndToEndTest, SentMessageReachesTheCardAsUcs2) {
    ASSERT_EQ(kExitSuccess, Run({"sms", "send", "13800138000", "你好"})) << err.str();
    EXPECT_EQ("sent\n", out.str());
    const std::vector<vcard::SentMessage> sent = card->SentMessages();
    ASSERT_EQ(1u, sent.size());
    EXPECT_TRUE(sent[0].pduMode);
    EXPECT_EQ(8, sent[0].dataCoding);
    EXPECT_EQ("+8613800138000", sent[0].number);
    EXPECT_EQ("你好", sent[0].text);
    EXPECT_EQ("0D91683108108300F0000801044f60597d", sent[0].raw.substr(6));
}

TEST_F(EndToEndTest, ShortNumberSendsTextModeGbk) {
    ASSERT_EQ(kExitSuccess, Run({"sms", "send", "10086", "查询余额"})) << err.str();
    const std::vector<vcard::SentMessage> sent = card->SentMessages();
    ASSERT_EQ(1u, sent.size());
    EXPECT_FALSE(sent[0].pduMode);
    EXPECT_EQ("10086", sent[0].number);
    // The card reads text mode in the GSM character set; the bytes themselves are GBK.
    EXPECT_EQ("\xB2\xE9\xD1\xAF\xD3\xE0\xB6\xEE", sent[0].raw);
    EXPECT_TRUE(CardHeard("AT+CMGF=0")) << "the modem is left in PDU mode";
}

TEST_F(EndToEndTest, UnreadMessageIsListedReadAndDeleted) {
    const int index = card->AddMessage("+8613912345678", "你好，世界");
    ASSERT_GT(index, 0);
    ASSERT_EQ(kExitSuccess, Run({"sms", "list"})) << err.str();
    EXPECT_EQ(std::to_string(index) + "\n", out.str());

    out.str("");
    ASSERT_EQ(kExitSuccess, Run({"sms", "read", std::to_string(index)})) << err.str();
    const std::string printed = out.str();
    EXPECT_NE(std::string::npos, printed.find("number: +8613912345678\n")) << printed;
    EXPECT_NE(std::string::npos, printed.find("ucs2: 1\nheader: 0\ntext: 你好，世界\n")) << printed;
    EXPECT_TRUE(std::regex_search(
        printed, std::regex("\ntime: \\d\\d/\\d\\d/\\d\\d,\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d\n")))
        << printed;

    ASSERT_EQ(kExitSuccess, Run({"sms", "delete", std::to_string(index)})) << err.str();
    out.str("");
    ASSERT_EQ(kExitSuccess, Run({"sms", "list", "--read"})) << err.str();
    EXPECT_EQ("", out.str());
}

TEST_F(EndToEndTest, PartOfConcatenatedMessageIsReadAsRawPdu) {
    std::string text;
    for (int i = 0; i < 80; ++i) {
        text += "长";
    }
    const int index = card->AddMessage("+8613912345678", text);
    ASSERT_GT(index, 0);
    ASSERT_EQ(kExitSuccess, Run({"sms", "read", std::to_string(index)})) << err.str();
    EXPECT_TRUE(std::regex_search(
        out.str(), std::regex("^number: \\+8613912345678\ntime: [0-9/,:+-]{20}\nucs2: 0\n"
                              "header: 1\npdu: [0-9A-F]{40,}\npart: 1/2 reference [0-9]+\n"
                              "text: (长){67}\n$")))
        << out.str();
    EXPECT_FALSE(CardHeard("AT+CMGF=1")) << "a message with a header is read in PDU mode only";
}

TEST_F(EndToEndTest, WatchSeesAnIncomingCallAndItsEnd) {
    card->IncomingCall("13800138000");
    // The caller gives up once the tool has set the modem up and watched a while.
    std::atomic<bool> done{false};
    std::thread remote([&] {
        while (!done && !CardHeard("ATE0")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        card->RemoteHangUp();
    });
    const int status = Run({"watch", "5"});
    done = true;
    remote.join();
    ASSERT_EQ(kExitSuccess, status) << err.str();
    const std::string printed = out.str();
    // Rings that came while the tool set the modem up are reported too, the first ones
    // without a caller line (caller identification was not on yet).
    EXPECT_EQ(0u, printed.find("ring\n")) << printed;
    EXPECT_NE(std::string::npos, printed.find("ring\ncaller: 13800138000\n")) << printed;
    EXPECT_NE(std::string::npos, printed.find("no-carrier\n")) << printed;
}

}  // namespace
}  // namespace veltro::cli
