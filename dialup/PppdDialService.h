#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dialup/ConnectionRegistry.h"
#include "dialup/DialService.h"
#include "dialup/PppdCommandLine.h"
#include "dialup/PppdSession.h"
#include "modem/Clock.h"

namespace veltro {

// The dial service over pppd. A dial starts the dialer program (pppd, or a stand-in
// that speaks pppd's command line, output and signals) in a session of its own with its
// output going to a log file, and records the connection in the runtime directory. The
// state is read from the log (PppdSession), the byte totals from the interface's
// counters, and a hang-up ends the process. Because everything lives in files, any
// process of the user can follow and end a connection another one dialled, and the
// connection outlives the process that dialled it.
class PppdDialService final : public DialService {
public:
    struct Options {
        // The dialer; empty: chosen per device (DialerFor).
        std::string program;
        // The card's fixed name, which the peers file gives pppd as its device: a dial
        // through pppd refuses a device that is not this one. Empty: the device goes on
        // the command line (PppdCommandLine::Build).
        std::string cardDevice = PppdCommandLine::kCardDevice;
        // Where connections are recorded; empty: DialupPaths::RuntimeDir().
        std::string runtimeDir;
        // Folders holding <interface>/statistics/{tx,rx}_bytes; empty: <runtime>/net
        // (the stand-in's links), then /sys/class/net.
        std::vector<std::string> netClassDirs;
        // How long a hang-up waits for the dialer to end before killing it.
        std::uint32_t hangUpLimitMs = 10000;
    };

    PppdDialService(Options options, Clock& clock);

    int Dial(const DialRequest& request, ConnectionHandle& handle) override;
    int GetConnectStatus(ConnectionHandle handle, ConnectionStatus& status) override;
    std::optional<std::vector<ActiveConnection>> EnumConnections() override;
    int HangUp(ConnectionHandle handle) override;
    int GetStatistics(ConnectionHandle handle, LinkStatistics& statistics) override;

    // The dialer for a device: VELTROGPRS_DIALER when set; the stand-in
    // "veltrogprs-dialer" beside this executable or, installed, in libexec/veltrogprs, for
    // a pseudo-terminal (the virtual card); else pppd.
    static std::string DialerFor(const DialupDevice& device);
    // True for the stand-in, which takes the device and the connect script from its
    // command line instead of the peers file.
    static bool IsStandIn(const std::string& program);
    // True when "/dev/" + port and cardDevice are the same device file.
    static bool IsCard(const std::string& port, const std::string& cardDevice);

private:
    // What this process knows of the dials it started.
    struct Dialled {
        DialNotifier notifier;
        int reportedState = -1;
        std::optional<int> exitStatus;             // once reaped
        std::optional<ConnectionStatus> finished;  // once ended and unrecorded
    };

    std::string RuntimeDir() const;
    ConnectionRegistry Registry() const;
    PppdSession ReadSession(const ConnectionRecord& record) const;
    // Reaps a dial of this process that has ended; true when it has ended.
    bool Reap(ConnectionHandle handle, Dialled& dialled);
    // Reaps every dial of this process that has ended, also those whose record another
    // process has cleared (it hung them up), so that none is left a zombie.
    void ReapEnded();
    bool HasEnded(const ConnectionRecord& record);
    bool WaitForEnd(const ConnectionRecord& record, std::uint32_t limitMs);
    // The final status of an ended connection, kept for a dial of this process; the
    // record goes.
    ConnectionStatus Finish(const ConnectionRecord& record);

    Options options_;
    Clock& clock_;
    std::mutex mutex_;
    std::map<ConnectionHandle, Dialled> dialled_;
};

}  // namespace veltro
