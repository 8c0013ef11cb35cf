#include <gtest/gtest.h>

#include <cstdio>
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

TEST(PppdCommandLine, DefaultEntry) {
    const std::vector<std::string> expected = {
        "/usr/sbin/pppd",
        "call",
        "veltrogprs",
        "/dev/ttyUSB0",
        "115200",
        "nodetach",
        "user",
        "",
        "connect",
        "'/usr/sbin/chat' -v -s -t 30 ABORT BUSY ABORT 'NO CARRIER' ABORT ERROR "
        "ABORT 'NO DIALTONE' ABORT 'NO ANSWER' '' 'ATD*99***1#' CONNECT ''",
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
    EXPECT_EQ(expected,
              PppdCommandLine::Build(DefaultRequest(), "/usr/sbin/pppd", "/usr/sbin/chat", ""));
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
    const auto args = PppdCommandLine::Build(request, "pppd", "chat", "");
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
        OptionCase{"peer_name_servers", 0x118, {}, {"usepeerdns"}, {"set"}},
        OptionCase{"own_address", 0x11E, {10, 0, 0, 7}, {"10.0.0.7:"}, {"noipdefault"}},
        OptionCase{"own_address_flag_without_address", 0x11E, {}, {"noipdefault"}, {}},
        OptionCase{"address_without_flag", 0x11C, {10, 0, 0, 7}, {"noipdefault"}, {"10.0.0.7:"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PppdCommandLine, PasswordStaysOffTheCommandLine) {
    DialRequest request = DefaultRequest();
    request.userName = "card";
    request.password = "s3cr\"et\\";
    const auto args = PppdCommandLine::Build(request, "pppd", "chat", "/run/x/dial-1.options");
    for (const std::string& arg : args) {
        EXPECT_EQ(std::string::npos, arg.find("s3cr")) << arg;
    }
    EXPECT_NE(args.end(), std::find(args.begin(), args.end(), "/run/x/dial-1.options"));
    EXPECT_EQ("password \"s3cr\\\"et\\\\\"\n", PppdCommandLine::PasswordOptions(request.password));
}

// What /bin/sh makes of a quoted word.
std::string ThroughShell(const std::string& quoted) {
    std::string output;
    FILE* pipe = ::popen(("printf '%s' " + quoted).c_str(), "r");
    char buffer[256];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        output.append(buffer, n);
    }
    ::pclose(pipe);
    return output;
}

TEST(PppdCommandLine, NumbersReachChatAsOneWord) {
    for (const std::string number :
         {"*99***1#", "*99#'; touch /tmp/veltro-injected; '", "$(id)", "a b\tc", "`x`"}) {
        EXPECT_EQ(number, ThroughShell(PppdCommandLine::ShellQuote(number)));
    }
}

}  // namespace
}  // namespace veltro
