// veltrogprs-vcard as a user runs it (first line, options, commands on standard input),
// the console language it reads, and the demo card behind --demo.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CardClient.h"
#include "modem/ModemDeviceClass.h"
#include "vcard/CardConsole.h"
#include "vcard/DemoCard.h"

extern char** environ;

namespace veltro::vcard {
namespace {

using test::CardClient;

// The program with its standard input and output on pipes.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        int in[2];
        int out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        ::posix_spawn_file_actions_addclose(&actions, in[1]);
        ::posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), VELTRO_VCARD_PROGRAM);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::posix_spawn(&pid_, VELTRO_VCARD_PROGRAM, &actions, nullptr, argv.data(), environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~Program() {
        if (in_ >= 0) {
            ::close(in_);
        }
        if (out_ >= 0) {
            ::close(out_);
        }
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    void Say(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(static_cast<ssize_t>(text.size()), ::write(in_, text.data(), text.size()));
    }
    // One line of output, or empty after 3 s.
    std::string Line() {
        while (buffer_.find('\n') == std::string::npos) {
            pollfd pfd{out_, POLLIN, 0};
            char chunk[512];
            if (::poll(&pfd, 1, 3000) <= 0) {
                return {};
            }
            const ssize_t n = ::read(out_, chunk, sizeof(chunk));
            if (n <= 0) {
                return {};
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
        const auto end = buffer_.find('\n');
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
    }
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
};

std::string TempPath(const char* name) {
    return std::string("/tmp/vcard-test-") + std::to_string(::getpid()) + "-" + name;
}

TEST(VcardProgram, PrintsItsPtyFirstAndTakesCommands) {
    const std::string messages = TempPath("messages.txt");
    std::ofstream(messages) << "# received earlier\n13912345678 Hello\\nthere\n"
                               "+8613800000000\t你好\n";
    const std::string table = TempPath("modems.ini");
    Program program({"--messages", messages, "--register", table, "--rate", "9600", "--busy",
                     "10000", "--busy-result", "busy", "--busy-after", "200"});
    const std::string first = program.Line();
    ASSERT_EQ(0u, first.find("pty: /dev/pts/")) << first;
    const std::string path = first.substr(5);
    EXPECT_EQ("table: " + table, program.Line());

    std::ifstream in(table);
    std::stringstream text;
    text << in.rdbuf();
    const auto device = ModemDeviceClass::FromTableText(text.str()).Instance(0);
    ASSERT_TRUE(device);
    EXPECT_EQ(DemoCard::kFriendlyName, device->friendlyName);
    EXPECT_EQ(path.substr(5), device->attachedTo);

    CardClient client(path, 9600);
    ASSERT_EQ("ATE0\r\r\nOK\r\n", client.Command("ATE0"));
    ASSERT_EQ("\r\nOK\r\n", client.Command("AT+CMGF=1;+CLIP=1"));
    const std::string listing = client.Command("AT+CMGL=\"ALL\"");
    EXPECT_NE(std::string::npos, listing.find("\"13912345678\",,\"")) << listing;
    EXPECT_NE(std::string::npos, listing.find("\r\nHello\nthere\r\n")) << listing;
    EXPECT_NE(std::string::npos, listing.find("\r\n4F60597D\r\n")) << listing;

    program.Say("sms 10086 balance: 5 yuan");
    EXPECT_EQ("stored at 3", program.Line());
    EXPECT_NE(std::string::npos, client.Command("AT+CMGR=3").find("\r\nbalance: 5 yuan\r\n"));
    program.Say("call +8613912345678");
    EXPECT_EQ("ringing: +8613912345678", program.Line());
    EXPECT_EQ("\r\nRING\r\n\r\n+CLIP: \"+8613912345678\",145\r\n", client.ReadUntil("145\r\n"));
    program.Say("hangup");
    EXPECT_EQ("hung up", program.Line());
    EXPECT_EQ("\r\nNO CARRIER\r\n", client.ReadUntil("NO CARRIER\r\n"));
    client.Send("ATD10000;\r");
    EXPECT_EQ("\r\nBUSY\r\n", client.ReadUntil("BUSY\r\n"));
    program.Say("lines");
    EXPECT_EQ("ATE0", program.Line());
    program.Say("quit");
    while (program.Line() != "bye") {
    }
    EXPECT_EQ(0, program.Wait());
    std::remove(messages.c_str());
    std::remove(table.c_str());
}

TEST(VcardProgram, RefusesBadOptions) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--rate", "fast"},
                                                 {"--sim", "maybe"},
                                                 {"--busy-result", "engaged"},
                                                 {"--nonsense"}}) {
        Program program(args);
        EXPECT_EQ(2, program.Wait()) << args[0];
    }
}

TEST(CardConsole, AnswersEveryCommandAndRefusesMalformedOnes) {
    CardOptions options;
    options.smsCapacity = 1;
    VirtualCard card(options);
    ASSERT_TRUE(card.Start());
    CardConsole console(card);
    struct Case {
        const char* line;
        const char* reply;  // prefix
    };
    const Case cases[] = {
        {"", ""},
        {"signal 150", "signal 150"},
        {"signal strong", "error:"},
        {"reg 5", "reg 5"},
        {"reg", "error:"},
        {"sim absent", "sim absent"},
        {"sim gone", "error:"},
        {"sms 10086", "error:"},
        {"sms 10086 first", "stored at 1"},
        {"sms 10086 second", "error: SIM full"},
        {"fault error AT+CPIN 2", "fault error on AT+CPIN"},
        {"fault noanswer", "error:"},
        {"fault error AT+CPIN x", "error:"},
        {"fault clear", "faults cleared"},
        {"delay 99999999", "error:"},
        {"dead maybe", "error:"},
        {"dance", "error: unknown command"},
        {"stored", "unread from 10086: first"},
        {"unplug", "unplugged"},
        {"plug", "pty: /dev/pts/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(0u, console.Execute(c.line).find(c.reply)) << c.line;
    }
    EXPECT_FALSE(console.QuitRequested());
    EXPECT_EQ("bye", console.Execute("quit"));
    EXPECT_TRUE(console.QuitRequested());
}

TEST(DemoCard, RegistersABenqCardForDiscovery) {
    DemoCard demo;
    ASSERT_TRUE(demo.Start(::testing::TempDir()));
    const char* env = std::getenv("VELTROGPRS_MODEMS");
    ASSERT_NE(nullptr, env);
    EXPECT_EQ(demo.TablePath(), env);
    const auto device = ModemDeviceClass::Load().Instance(0);
    ASSERT_TRUE(device);
    EXPECT_EQ("VeltroGSM无线调制解调器", device->friendlyName);
    EXPECT_EQ(demo.Card()->PortName(), device->attachedTo);

    CardClient client("/dev/" + device->attachedTo);
    EXPECT_NE(std::string::npos, client.Command("AT+CGMI").find("BenQ"));
    EXPECT_NE(std::string::npos, client.Command("AT+CMGL=4").find("+CMGL: 2,0,,"));
    client.Close();

    const std::string table = demo.TablePath();
    demo.Stop();
    EXPECT_EQ(nullptr, std::getenv("VELTROGPRS_MODEMS"));
    EXPECT_FALSE(std::ifstream(table).good());
}

}  // namespace
}  // namespace veltro::vcard
