#include "dialup/VirtualDialer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

#include "dialup/DialupPaths.h"
#include "modem/AtomicFile.h"
#include "modem/SystemClock.h"

namespace veltro {

namespace {

volatile sig_atomic_t receivedSignal = 0;

void OnSignal(int signal) {
    receivedSignal = signal;
}

void Say(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(1, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

struct Arguments {
    std::string device;
    std::uint32_t speed = 0;
    std::string connect;
    // "NAME=value" of each "set": the connect script's environment, as pppd gives it.
    std::vector<std::string> environment;
    std::string user;
    bool usePeerDns = false;
};

std::optional<Arguments> Parse(const std::vector<std::string>& args) {
    static const std::set<std::string> flags = {
        "nodetach",           "noauth",       "noipdefault", "ipcp-accept-local",
        "ipcp-accept-remote", "defaultroute", "novj",        "usepeerdns"};
    static const std::set<std::string> withValue = {"user",    "connect", "set",
                                                    "ipparam", "file",    "call"};
    Arguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("/dev/", 0) == 0) {
            parsed.device = arg;
        } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos) {
            parsed.speed = static_cast<std::uint32_t>(std::stoul(arg));
        } else if (flags.count(arg) != 0) {
            parsed.usePeerDns = parsed.usePeerDns || arg == "usepeerdns";
        } else if (withValue.count(arg) != 0 && i + 1 < args.size()) {
            const std::string& value = args[++i];
            if (arg == "connect") {
                parsed.connect = value;
            } else if (arg == "set") {
                parsed.environment.push_back(value);
            } else if (arg == "user") {
                parsed.user = value;
            } else if (arg == "file" && ::access(value.c_str(), R_OK) != 0) {
                Say("pppd: Can't open options file " + value + ": " + std::strerror(errno));
                return std::nullopt;
            }
        } else if (!arg.empty() && arg.back() == ':') {
            continue;  // a local address; the simulated peer assigns one anyway
        } else {
            Say("pppd: unrecognized option '" + arg + "'");
            return std::nullopt;
        }
    }
    if (parsed.device.empty()) {
        Say("pppd: no device specified");
        return std::nullopt;
    }
    return parsed;
}

speed_t SpeedConstant(std::uint32_t speed) {
    switch (speed) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        default:
            return B115200;
    }
}

// PPP frames in HDLC-like framing (RFC 1662), as sent while the link comes up, runs and
// goes down. Only their sizes matter to the counters; none contains "+++".
const std::string kLcpConfigure(
    "\x7e\xff\x7d\x23\xc0\x21\x7d\x21\x7d\x21\x7d\x20\x7d\x2e\x7d\x22\x7d\x26\x7d\x20\x7d\x20"
    "\x7d\x20\x7d\x20\x7d\x25\x7d\x26\x5a\x3c\x91\x0e\x4c\x1b\x7e",
    37);
const std::string kIpcpConfigure(
    "\x7e\xff\x7d\x23\x80\x21\x7d\x21\x7d\x21\x7d\x20\x7d\x36\x7d\x23\x7d\x26\x7d\x20\x7d\x20"
    "\x7d\x20\x7d\x20\x81\x7d\x26\x7d\x20\x7d\x20\x7d\x20\x7d\x20\x83\x7d\x26\x7d\x20\x7d\x20"
    "\x7d\x20\x7d\x20\x3a\x94\x7e",
    51);
const std::string kLcpEcho(
    "\x7e\xff\x7d\x23\xc0\x21\x7d\x29\x7d\x22\x7d\x20\x7d\x28\x5a\x3c\x91\x0e\xa4\x47\x7e", 21);
const std::string kLcpTerminate(
    "\x7e\xff\x7d\x23\xc0\x21\x7d\x25\x7d\x23\x7d\x20\x7d\x30\x55\x73\x65\x72\x20\x72\x65\x71"
    "\x75\x65\x73\x74\x1c\x5e\x7e",
    29);

class Link {
public:
    Link(int fd, std::string statisticsDir, const VirtualDialer::Timing& timing)
        : fd_(fd), dir_(std::move(statisticsDir)), timing_(timing) {}

    std::uint64_t sent = 0;
    std::uint64_t received = 0;

    void Send(const std::string& frame) {
        const ssize_t n = ::write(fd_, frame.data(), frame.size());
        if (n > 0) {
            sent += static_cast<std::uint64_t>(n);
        }
    }

    // Waits up to ms for the card, counting what it sends. False when the call has
    // ended (the card said NO CARRIER or the line closed) or a signal came.
    bool Run(std::uint32_t ms, const sigset_t& waitMask) {
        const std::uint64_t end = SystemClock::Instance().NowMs() + ms;
        for (;;) {
            const std::uint64_t now = SystemClock::Instance().NowMs();
            if (receivedSignal != 0 || hungUp_) {
                return false;
            }
            if (now >= end) {
                return true;
            }
            if (now >= nextStatistics_) {
                WriteStatistics();
                nextStatistics_ = now + timing_.statisticsIntervalMs;
            }
            const std::uint64_t wait = std::min<std::uint64_t>(end - now, 100);
            pollfd poller{fd_, POLLIN, 0};
            timespec limit{0, static_cast<long>(wait) * 1000000L};
            const int ready = ::ppoll(&poller, 1, &limit, &waitMask);
            if (ready > 0) {
                Drain();
            }
        }
    }

    bool HungUp() const { return hungUp_; }

    void WriteStatistics() {
        AtomicFile::Write(dir_ + "/tx_bytes", std::to_string(sent) + "\n");
        AtomicFile::Write(dir_ + "/rx_bytes", std::to_string(received) + "\n");
    }

private:
    void Drain() {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof(buffer));
            if (n > 0) {
                received += static_cast<std::uint64_t>(n);
                tail_.append(buffer, static_cast<std::size_t>(n));
                if (tail_.find("NO CARRIER") != std::string::npos) {
                    hungUp_ = true;
                }
                if (tail_.size() > 16) {
                    tail_.erase(0, tail_.size() - 16);
                }
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                hungUp_ = true;  // the line closed under us (EIO on a pty)
            }
            return;
        }
    }

    int fd_;
    std::string dir_;
    VirtualDialer::Timing timing_;
    std::string tail_;
    bool hungUp_ = false;
    std::uint64_t nextStatistics_ = 0;
};

// Runs the connect script with the line as its stdin and stdout, as pppd does. The
// status of the script, or -1 when a signal ended the wait.
int RunConnectScript(int fd, const Arguments& arguments, const sigset_t& waitMask) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fd, 0);
        ::dup2(fd, 1);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const std::string& variable : arguments.environment) {
            const std::size_t equals = variable.find('=');
            if (equals != std::string::npos) {
                ::setenv(variable.substr(0, equals).c_str(), variable.c_str() + equals + 1, 1);
            }
        }
        ::execl("/bin/sh", "sh", "-c", arguments.connect.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    int result = child < 0 ? 1 : -2;
    while (result == -2) {
        if (::waitpid(child, &status, WNOHANG) == child) {
            result = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        } else if (receivedSignal != 0) {
            ::kill(child, SIGTERM);
            ::waitpid(child, &status, 0);
            result = -1;
        } else {
            timespec limit{0, 50 * 1000000L};
            ::ppoll(nullptr, 0, &limit, &waitMask);
        }
    }
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    return result;
}

// Claims the first free interface name vppp0, vppp1, ... under netDir.
std::string ClaimInterface(const std::string& netDir, std::string& statisticsDir) {
    ::mkdir(netDir.c_str(), 0700);
    for (int unit = 0; unit < 100; ++unit) {
        const std::string name = "vppp" + std::to_string(unit);
        if (::mkdir((netDir + "/" + name).c_str(), 0700) == 0) {
            statisticsDir = netDir + "/" + name + "/statistics";
            ::mkdir(statisticsDir.c_str(), 0700);
            return name;
        }
    }
    return {};
}

std::string Minutes(std::uint64_t ms) {
    const std::uint64_t tenths = (ms / 1000 + 5) / 6;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

int VirtualDialer::Run(const std::vector<std::string>& args, const Timing& timing) {
    const auto parsed = Parse(args);
    if (!parsed) {
        return kExitOptionError;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigset_t blocked;
    sigset_t waitMask;
    sigemptyset(&blocked);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
        sigaddset(&blocked, signal);
    }
    ::signal(SIGPIPE, SIG_IGN);
    // Signals arrive only inside the waits, so none is lost between a check and a wait.
    ::sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    auto terminated = [&]() {
        Say("Terminating on signal " + std::to_string(receivedSignal) + ".");
        return kExitUserRequest;
    };

    const int fd = ::open(parsed->device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        Say("Failed to open " + parsed->device + ": " + std::strerror(errno));
        return kExitOpenFailed;
    }
    termios settings{};
    if (::tcgetattr(fd, &settings) == 0) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        ::cfsetspeed(&settings, SpeedConstant(parsed->speed));
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    if (!parsed->connect.empty()) {
        const int script = RunConnectScript(fd, *parsed, waitMask);
        if (script == -1) {
            ::close(fd);
            return terminated();
        }
        if (script != 0) {
            Say("Connect script failed");
            ::close(fd);
            return kExitConnectFailed;
        }
    }
    Say("Serial connection established.");
    const std::string runtime = DialupPaths::RuntimeDir();
    std::string statisticsDir;
    const std::string interface =
        runtime.empty() ? std::string() : ClaimInterface(runtime + "/net", statisticsDir);
    if (interface.empty()) {
        Say("Couldn't create a PPP interface");
        ::close(fd);
        return 1;
    }
    Say("Using interface " + interface);
    Say("Connect: " + interface + " <--> " + parsed->device);
    const std::uint64_t started = SystemClock::Instance().NowMs();

    Link link(fd, statisticsDir, timing);
    link.WriteStatistics();
    link.Send(kLcpConfigure);
    bool up = link.Run(timing.lcpMs, waitMask);
    if (up && !parsed->user.empty()) {
        Say("PAP authentication succeeded");
    }
    if (up) {
        link.Send(kIpcpConfigure);
        up = link.Run(timing.ipcpMs, waitMask);
    }
    if (up) {
        const pid_t pid = ::getpid();
        Say("local  IP address 10." + std::to_string(64 + pid % 64) + "." +
            std::to_string((pid / 64) % 256) + "." + std::to_string(1 + pid % 250));
        Say("remote IP address 10.64.64.64");
        if (parsed->usePeerDns) {
            Say("primary   DNS address 211.136.17.107");
            Say("secondary DNS address 211.136.20.203");
        }
        while (link.Run(timing.echoIntervalMs, waitMask)) {
            link.Send(kLcpEcho);
        }
    }
    int status = kExitHangup;
    if (receivedSignal != 0) {
        status = terminated();
        link.Send(kLcpTerminate);
    } else {
        Say("Modem hangup");
    }
    link.WriteStatistics();
    Say("Connection terminated.");
    Say("Connect time " + Minutes(SystemClock::Instance().NowMs() - started) + " minutes.");
    Say("Sent " + std::to_string(static_cast<std::uint32_t>(link.sent)) + " bytes, received " +
        std::to_string(static_cast<std::uint32_t>(link.received)) + " bytes.");
    // Closing the line ends the card's call, as the DTR drop does on a real modem.
    ::close(fd);
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(statisticsDir).parent_path(), ec);
    return status;
}

}  // namespace veltro
