#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialup/ConnectionStatus.h"

namespace veltro {

// Follows one pppd run from its output lines (pppd's log with nodetach, and the connect
// script's chat -v -s lines that pppd passes through) and its exit status, and tells the
// connection state, the error that ended it and the PPP interface.
//
//   chat: "abort on (...)", "timeout set to ..."      -> port opened
//   chat: "send (ATD...)"                             -> connecting the device
//   chat: " -- got it" after "expect (CONNECT)"       -> device connected
//   "Serial connection established."                  -> all devices connected
//   "Connect: ppp0 <--> /dev/ttyUSB0"                 -> authenticate (LCP starts)
//   "PAP/CHAP authentication succeeded"               -> authenticated
//   "local  IP address ..."                           -> projected (IPCP is up)
//   "remote IP address ..."                           -> connected
//   "Connection terminated.", "Connect script failed",
//   or the end of the process                         -> disconnected
// States only move forward; a line that means nothing here changes nothing.
class PppdSession {
public:
    void Feed(std::string_view line);
    // The process ended with this exit status (-1 when unknown, e.g. ended by a signal
    // or seen from another process).
    void Exited(int exitStatus);

    int State() const { return state_; }
    // True once the link has been up (the dial did not fail before connecting).
    bool ReachedConnected() const { return reachedConnected_; }
    std::uint32_t Error() const { return error_; }
    const std::string& Interface() const { return interface_; }
    // Why the run failed in pppd's (or chat's) own words: its last lines that name a
    // cause, at most kReasonLines of them, one a line; empty when none did.
    std::string Reason() const;

    static constexpr std::size_t kReasonLines = 2;

    // The error a pppd exit status stands for.
    static std::uint32_t ErrorForExitStatus(int exitStatus);

private:
    void Advance(int state);
    void Fail(std::uint32_t error);
    void NoteReason(std::string_view line);

    int state_ = kStateOpenPort;
    std::uint32_t error_ = 0;
    std::string interface_;
    std::string lastExpect_;
    std::vector<std::string> reasons_;
    int exitStatus_ = -1;
    bool reachedConnected_ = false;
};

}  // namespace veltro
