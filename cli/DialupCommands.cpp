#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "dialup/ConnectionStatistics.h"
#include "dialup/DialStartCheck.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupPaths.h"
#include "dialup/DialupPlatform.h"
#include "dialup/EnsureDialupEntry.h"
#include "dialup/PppdDialService.h"

namespace veltro::cli {

namespace {

constexpr std::uint64_t kDialLimitMs = 30000;
constexpr std::uint32_t kPollMs = 100;

// With --port the dial-up device list is that one port, named as the card's modem
// device, so that the entry and the dial use it; otherwise the modem device class.
class PortDevices final : public DialupPlatform {
public:
    explicit PortDevices(const std::string& port)
        : port_(port), previous_(DialupPlatform::Current()) {
        if (!port_.empty()) {
            DialupPlatform::Install(this);
        }
    }
    ~PortDevices() override {
        if (!port_.empty()) {
            DialupPlatform::Install(&previous_);
        }
    }
    std::optional<std::vector<DialupDevice>> Devices() override {
        return std::vector<DialupDevice>{{"modem", DialupConnection::kModemDeviceName, port_}};
    }
    std::string DefaultPhonebookPath() override { return previous_.DefaultPhonebookPath(); }
    std::string DeviceDefaultsPath() override { return previous_.DeviceDefaultsPath(); }
    DialService& Dialer() override { return previous_.Dialer(); }

private:
    std::string port_;
    DialupPlatform& previous_;
};

// The causes of a dial that could not start, each with its fix, from the conditions
// the dial needs; a pointer to doctor when none of them is missing.
std::string WhyNotStarted() {
    DialupDevice device{"modem", DialupConnection::kModemDeviceName, ""};
    if (const auto devices = DialupPlatform::Current().Devices()) {
        for (const DialupDevice& candidate : *devices) {
            if (candidate.deviceName.find(DialupConnection::kModemDeviceName) !=
                std::string::npos) {
                device = candidate;
                break;
            }
        }
    }
    DialStartCheck::Paths paths;
    paths.runtimeDir = DialupPaths::RuntimeDirPath();
    const auto problems = DialStartCheck::Find(device, PppdDialService::DialerFor(device), paths);
    if (problems.empty()) {
        return "; veltrogprs-cli doctor checks the machine";
    }
    std::string text;
    for (const DialStartProblem& problem : problems) {
        text += (text.empty() ? ": " : "; ") + problem.cause + " (fix: " + problem.fix + ")";
    }
    return text;
}

std::string Dotted(const DialupEntry::Address& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

// Dials the program's entry as the connect button does and prints each state text as
// it changes: exit 0 once connected, 1 when the dial ends without a connection or has
// not connected within 30000 ms (then it is hung up).
int RunConnect(CliContext& context, const std::vector<std::string>&) {
    PortDevices devices(context.Options().port);
    EnsureDialupEntry();
    DialupConnection connection;
    if (connection.CreateEntry(DialupConnection::kEntryName, DialupConnection::kModemDeviceName) ==
        -1) {
        return context.Fail(std::string("no dial-up device ") + DialupConnection::kModemDeviceName +
                            " (see the modem device table, or give --port)");
    }
    const int dialled = connection.Dial(nullptr, DialupConnection::kDialString, "", "");
    if (dialled != 0) {
        return context.Fail("the dial could not start (error " + std::to_string(dialled) + ")" +
                            WhyNotStarted());
    }
    Clock& clock = context.GetClock();
    const std::uint64_t start = clock.NowMs();
    std::string shown;
    for (;;) {
        std::string text = shown;
        int connected = 0;
        const int final = connection.GetDialStatus(text, connected);
        if (text != shown) {
            shown = text;
            context.Out() << text << (text.ends_with('\n') ? "" : "\n");
            context.Out().flush();
        }
        if (final != 0 && connected != 0) {
            StartStatistics();
            return kExitSuccess;
        }
        if (final != 0) {
            // pppd's own words tell the user more than the number.
            std::string why = "the dial ended without a connection (error " +
                              std::to_string(connection.Status.error) + ")";
            if (!connection.Status.reason.empty()) {
                why += ": " + connection.Status.reason + "; the dialer's output is in " +
                       DialupPaths::FailedDialLog();
            }
            return context.Fail(why);
        }
        if (clock.NowMs() - start > kDialLimitMs) {
            connection.HangUp();
            return context.Fail("no connection within 30000 ms; the dial was hung up");
        }
        clock.SleepMs(kPollMs);
    }
}

// Hangs up the entry's connection, also one another process dialled.
int RunDisconnect(CliContext& context, const std::vector<std::string>&) {
    DialupConnection connection;
    if (connection.HangUpEntry(DialupConnection::kEntryName) != 1) {
        return context.Fail(std::string(DialupConnection::kEntryName) + " is not connected");
    }
    context.Out() << "disconnected\n";
    return kExitSuccess;
}

// Whether the entry is connected and the bytes its connection has sent and received.
int RunDialupStatus(CliContext& context, const std::vector<std::string>&) {
    DialupConnection connection;
    ConnectionHandle handle = 0;
    DialService& dialer = DialupPlatform::Current().Dialer();
    ConnectionStatus status;
    // A dial still in progress is an active connection, but not a connected one.
    const bool up = connection.IsConnected(DialupConnection::kEntryName, handle) &&
                    dialer.GetConnectStatus(handle, status) == 0 && status.state == kStateConnected;
    LinkStatistics statistics;
    if (up) {
        dialer.GetStatistics(handle, statistics);
    }
    context.Out() << "connected: " << (up ? "yes" : "no") << '\n'
                  << "sent: " << statistics.bytesSent << '\n'
                  << "received: " << statistics.bytesReceived << '\n';
    return kExitSuccess;
}

// The fields of the program's entry in the default phonebook.
int RunDialupEntry(CliContext& context, const std::vector<std::string>&) {
    DialupConnection connection;
    DialupEntry entry;
    if (connection.GetEntryProperties(DialupConnection::kEntryName, entry, "") != 0) {
        return context.Fail(std::string("no dial-up entry ") + DialupConnection::kEntryName +
                            " in " + DialupPlatform::Current().DefaultPhonebookPath());
    }
    char options[16];
    std::snprintf(options, sizeof(options), "0x%x", entry.options);
    context.Out() << "entry: " << DialupConnection::kEntryName << '\n'
                  << "device-type: " << entry.deviceType << '\n'
                  << "device-name: " << entry.deviceName << '\n'
                  << "phone: " << entry.localPhoneNumber << '\n'
                  << "options: " << options << '\n'
                  << "protocols: " << entry.netProtocols << '\n'
                  << "framing: " << entry.framingProtocol << '\n'
                  << "ip-address: " << Dotted(entry.ipaddr) << '\n'
                  << "dns: " << Dotted(entry.ipaddrDns) << '\n'
                  << "dns-alt: " << Dotted(entry.ipaddrDnsAlt) << '\n'
                  << "wins: " << Dotted(entry.ipaddrWins) << '\n'
                  << "wins-alt: " << Dotted(entry.ipaddrWinsAlt) << '\n'
                  << "phonebook: " << DialupPlatform::Current().DefaultPhonebookPath() << '\n';
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"connect", "", 0, 0, RunConnect},
    {"disconnect", "", 0, 0, RunDisconnect},
    {"dialup status", "", 0, 0, RunDialupStatus},
    {"dialup entry", "", 0, 0, RunDialupEntry},
};

}  // namespace

std::span<const CliCommand> DialupCommands() {
    return kCommands;
}

}  // namespace veltro::cli
