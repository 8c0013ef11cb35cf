// An independent client on the card: gammu, configured for an AT modem on the card's pty,
// identifies the card, reads every message on the SIM and sends two.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "vcard/VirtualCard.h"

namespace veltro::vcard {
namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
            out.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return out;
}

TEST(GammuClient, IdentifiesReadsAllMessagesAndSends) {
    if (std::system("command -v gammu >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "gammu is not installed";
    }
    VirtualCard card;
    ASSERT_TRUE(card.Start());
    ASSERT_EQ(1, card.AddMessage("+8613912345678", "Meet at 5"));
    ASSERT_EQ(2, card.AddMessage("10086", "你好，世界"));
    ASSERT_EQ(3, card.AddMessage("10086", std::string(170, 'z')));  // two parts

    char dir[] = "/tmp/vcard-gammu-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(dir));
    const std::string config = std::string(dir) + "/gammurc";
    const std::string batch = std::string(dir) + "/batch";
    std::ofstream(config) << "[gammu]\ndevice = " << card.DevicePath()
                          << "\nconnection = at115200\n";
    std::ofstream(batch) << "identify\ngetallsms\nsendsms TEXT 13800138000 -text \"Hello card\"\n"
                            "sendsms TEXT +8613800138000 -unicode -text \"收到\"\n";
    const std::string out = RunCommand("gammu -c " + config + " --batch " + batch + " 2>&1");
    std::remove(config.c_str());
    std::remove(batch.c_str());
    ::rmdir(dir);

    EXPECT_NE(std::string::npos, out.find("IMEI                 : 351730000000108")) << out;
    EXPECT_NE(std::string::npos, out.find("VeltroGSM G100")) << out;
    EXPECT_NE(std::string::npos, out.find("SIM IMSI             : 460001234567890")) << out;
    EXPECT_NE(std::string::npos, out.find("Remote number        : \"+8613912345678\"")) << out;
    EXPECT_NE(std::string::npos, out.find("Meet at 5")) << out;
    EXPECT_NE(std::string::npos, out.find("你好，世界")) << out;
    EXPECT_NE(std::string::npos, out.find("ID (8 bit) 0, part 1 of 2\n\n" + std::string(153, 'z')))
        << out;
    EXPECT_NE(std::string::npos, out.find("ID (8 bit) 0, part 2 of 2\n\n" + std::string(17, 'z')))
        << out;
    EXPECT_NE(std::string::npos, out.find("4 SMS parts in 4 SMS sequences")) << out;
    EXPECT_NE(std::string::npos, out.find("message reference=0")) << out;

    const auto sent = card.SentMessages();
    ASSERT_EQ(2u, sent.size()) << out;
    EXPECT_TRUE(sent[0].pduMode);
    EXPECT_EQ("13800138000", sent[0].number);
    EXPECT_EQ("Hello card", sent[0].text);
    EXPECT_EQ("+8613800138000", sent[1].number);
    EXPECT_EQ("收到", sent[1].text);
    EXPECT_EQ(8, sent[1].dataCoding);
}

}  // namespace
}  // namespace veltro::vcard
