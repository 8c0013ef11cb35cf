#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltro {

// A stand-in for pppd on the virtual data card, where no PPP link can come up (ptys have
// no PPP line discipline, and test machines often lack PPP in the kernel).
//
// It takes pppd's command line as PppdCommandLine builds it, opens the device, runs the
// connect script on it exactly as pppd does (so the real chat dials the card), then
// plays the link: pppd's messages for LCP and IPCP with realistic pauses, a keep-alive
// frame every second, and every byte the card sends counted as received. The byte
// totals go to <runtime>/net/<interface>/statistics/{tx,rx}_bytes, laid out like the
// kernel's. SIGTERM, SIGINT and SIGHUP end the link as they end pppd; so does the card
// dropping the call ("NO CARRIER", or the line closing). Exit statuses are pppd's.
class VirtualDialer {
public:
    struct Timing {
        std::uint32_t lcpMs = 400;
        std::uint32_t ipcpMs = 600;
        std::uint32_t echoIntervalMs = 1000;
        std::uint32_t statisticsIntervalMs = 250;
    };

    // pppd's exit statuses used here.
    static constexpr int kExitOk = 0;
    static constexpr int kExitOptionError = 2;
    static constexpr int kExitUserRequest = 5;
    static constexpr int kExitOpenFailed = 7;
    static constexpr int kExitConnectFailed = 8;
    static constexpr int kExitHangup = 16;

    // Runs with pppd's arguments (without the program name); returns the exit status.
    static int Run(const std::vector<std::string>& args, const Timing& timing);
};

}  // namespace veltro
