#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "dialup/DialupConnection.h"
#include "dialup/PppdCommandLine.h"

namespace veltro {
namespace {

// The entry as CreateEntry leaves it, on the card's first tty.
DialRequest DefaultRequest() {
    DialRequest request;
    request.entryName = "VLGPRS";
    request.entry.options = 0x11C;
    request.entry.localPhoneNumber = "*99***1#";
    request.entry.deviceType = "modem";
    request.entry.deviceName = "VeltroGSM无线调制解调器";
    request.entry.netProtocols = 4;
    request.entry.framingProtocol = 1;
    request.entry.ipaddrDns = DialupConnection::kPrimaryDns;
    request.entry.ipaddrDnsAlt = DialupConnection::kSecondaryDns;
    request.device = {"modem", "VeltroGSM无线调制解调器", "ttyUSB0"};
    request.lineSpeed = 115200;
    request.phoneNumber = "*99***1#";
    return request;
}

// pppd takes the device and the connect script from the peers file; the number
// travels in a variable.
TEST(PppdCommandLine, DefaultEntry) {
    const std::vector<std::string> expected = {"/usr/sbin/pppd",
                                               "call",
                                               "veltrogprs",
                                               "115200",
                                               "nodetach",
                                               "user",
                                               "",
                                               "set",
                                               "VELTROGPRS_NUMBER=*99***1#",
                                               "noipdefault",
                                               "ipcp-accept-local",
                                               "ipcp-accept-remote",
                                               "defaultroute",
                                               "set",
                                               "DNS1=211.136.17.107",
                                               "set",
                                               "DNS2=211.136.20.203",
                                               "usepeerdns",
                                               "ipparam",
                                               "VLGPRS"};
    EXPECT_EQ(expected, PppdCommandLine::Build(DefaultRequest(), "/usr/sbin/pppd",
                                               PppdCommandLine::kCardDevice, ""));
}

struct OptionCase {
    const char* name;
    std::uint32_t options;
    DialupEntry::Address address;
    std::vector<std::string> present;
    std::vector<std::string> absent;
};

class PppdOptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(PppdOptionTest, FollowsTheEntry) {
    const OptionCase& c = GetParam();
    DialRequest request = DefaultRequest();
    request.entry.options = c.options;
    request.entry.ipaddr = c.address;
    const auto args = PppdCommandLine::Build(request, "pppd", PppdCommandLine::kCardDevice, "");
    for (const std::string& word : c.present) {
        EXPECT_NE(args.end(), std::find(args.begin(), args.end(), word)) << word;
    }
    for (const std::string& word : c.absent) {
        EXPECT_EQ(args.end(), std::find(args.begin(), args.end(), word)) << word;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, PppdOptionTest,
    ::testing::Values(
        OptionCase{"no_header_compression", 0x114, {}, {"novj"}, {}},
        OptionCase{"no_default_gateway", 0x10C, {}, {}, {"defaultroute"}},
        OptionCase{"peer_name_servers",
                   0x118,
                   {},
                   {"usepeerdns"},
                   {"DNS1=211.136.17.107", "DNS2=211.136.20.203"}},
        OptionCase{"own_address", 0x11E, {10, 0, 0, 7}, {"10.0.0.7:"}, {"noipdefault"}},
        OptionCase{"own_address_flag_without_address", 0x11E, {}, {"noipdefault"}, {}},
        OptionCase{"address_without_flag", 0x11C, {10, 0, 0, 7}, {"noipdefault"}, {"10.0.0.7:"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PppdCommandLine, PasswordStaysOffTheCommandLine) {
    DialRequest request = DefaultRequest();
    request.userName = "card";
    request.password = "s3cr\"et\\";
    const auto args = PppdCommandLine::Build(request, "pppd", PppdCommandLine::kCardDevice,
                                             "/run/x/dial-1.options");
    for (const std::string& arg : args) {
        EXPECT_EQ(std::string::npos, arg.find("s3cr")) << arg;
    }
    EXPECT_NE(args.end(), std::find(args.begin(), args.end(), "/run/x/dial-1.options"));
    EXPECT_EQ("password \"s3cr\\\"et\\\\\"\n", PppdCommandLine::PasswordOptions(request.password));
}

// The words /bin/sh makes of command with VELTROGPRS_NUMBER=number, one a line: chat
// replaced by printf.
std::string ChatWords(const std::string& command, const std::string& number) {
    const std::string chat = "/usr/sbin/chat";
    std::string printing = command;
    printing.replace(printing.find(chat), chat.size(), "printf '%s\\n'");
    ::setenv(PppdCommandLine::kNumberVariable, number.c_str(), 1);
    std::string output;
    FILE* pipe = ::popen(printing.c_str(), "r");
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        output.append(buffer, n);
    }
    ::pclose(pipe);
    ::unsetenv(PppdCommandLine::kNumberVariable);
    return output;
}

// Whatever the number holds, it is chat's -T word and nothing runs; chat sends it
// in place of \T.
TEST(PppdCommandLine, NumbersReachChatAsText) {
    for (const std::string number :
         {"*99***1#", "*99#'; touch /tmp/veltro-injected; '", "$(id)", "a b\tc", "`x`", "\"q\""}) {
        const std::string words = ChatWords(PppdCommandLine::kChatCommand, number);
        EXPECT_EQ(0u, words.find("-v\n-s\n-t\n30\n-T\n" + number + "\nABORT\n")) << words;
        EXPECT_NE(std::string::npos, words.find("\nATD\\T\nCONNECT\n\n")) << words;
    }
}

// pppd's option-file quoting undone: \x is x.
std::string Unescape(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        plain += text[i] == '\\' && i + 1 < text.size() ? text[++i] : text[i];
    }
    return plain;
}

// The peers file pins the card and runs the stand-in's dialogue behind the card check.
TEST(PppdCommandLine, PeersFilePinsTheCardAndTheDialogue) {
    std::ifstream in(VELTRO_PEERS_FILE);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), PppdCommandLine::kCardDevice));
    const auto connect = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("connect \"", 0) == 0;
    });
    ASSERT_NE(lines.end(), connect);
    const std::string script = Unescape(connect->substr(9, connect->size() - 10));
    EXPECT_EQ(0u, script.find(std::string("[ /proc/self/fd/0 -ef ") + PppdCommandLine::kCardDevice +
                              " ] || {"))
        << script;
    const std::string tail = std::string("exec ") + PppdCommandLine::kChatCommand;
    EXPECT_EQ(script.size() - tail.size(), script.rfind(tail)) << script;
}

}  // namespace
}  // namespace veltro
