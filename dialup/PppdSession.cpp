#include "dialup/PppdSession.h"

#include "dialup/DialupError.h"
#include "modem/TrimBlanks.h"

namespace veltro {

namespace {

// The order in which a dial passes the states it can report.
int Rank(int state) {
    switch (state) {
        case kStateOpenPort:
            return 0;
        case kStatePortOpened:
            return 1;
        case kStateConnectDevice:
            return 2;
        case kStateDeviceConnected:
            return 3;
        case kStateAllDevicesConnected:
            return 4;
        case kStateAuthenticate:
            return 5;
        case kStateAuthenticated:
            return 6;
        case kStateProjected:
            return 7;
        case kStateConnected:
            return 8;
        default:
            return 9;
    }
}

bool Starts(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Lines in which pppd or chat name why a run failed. pppd's option errors come as
// "<program>: <message>" on its standard error.
bool NamesACause(std::string_view line) {
    static constexpr std::string_view kStarts[] = {
        "Couldn't",
        "Can't",
        "Cannot",
        "Failed to",
        "Failed (",
        "Connect script failed",
        "LCP: timeout",
        "Modem hangup",
        "LCP terminated by peer",
        "No response to",
        "Device ",
        "In file ",
        "Hangup (SIGHUP)",
        "alarm",
        "You need to create",
        "Please load the ppp_generic",
    };
    for (std::string_view start : kStarts) {
        if (Starts(line, start)) {
            return true;
        }
    }
    return Contains(line, "requires root privilege") || Contains(line, "authentication failed") ||
           Contains(line, "unrecognized option") || Contains(line, "Permission denied") ||
           (Starts(line, "/") && Contains(line, "pppd: "));
}

}  // namespace

void PppdSession::Advance(int state) {
    if (state_ != kStateDisconnected && Rank(state) > Rank(state_)) {
        state_ = state;
        reachedConnected_ = reachedConnected_ || state == kStateConnected;
    }
}

void PppdSession::Fail(std::uint32_t error) {
    if (error_ == 0) {
        error_ = error;
    }
}

void PppdSession::NoteReason(std::string_view line) {
    // pppd's option errors carry its path in front: the message is what tells.
    if (const auto at = line.find("pppd: "); Starts(line, "/") && at != std::string_view::npos) {
        line = line.substr(at + 6);
    }
    if (!reasons_.empty() && reasons_.back() == line) {
        return;
    }
    reasons_.emplace_back(line);
    if (reasons_.size() > kReasonLines) {
        reasons_.erase(reasons_.begin());
    }
}

std::string PppdSession::Reason() const {
    std::string text;
    for (const std::string& line : reasons_) {
        text += (text.empty() ? "" : "\n") + line;
    }
    if (text.empty() && exitStatus_ > 0) {
        text = "pppd exit status " + std::to_string(exitStatus_);
    }
    return text;
}

void PppdSession::Feed(std::string_view raw) {
    const std::string_view line = TrimBlanks(raw);
    if (NamesACause(line)) {
        NoteReason(line);
    }
    if (Starts(line, "abort on (") || Starts(line, "timeout set to ") || Starts(line, "report (")) {
        Advance(kStatePortOpened);
    } else if (Starts(line, "send (AT")) {
        Advance(kStateConnectDevice);
    } else if (Starts(line, "expect (")) {
        lastExpect_ = std::string(line.substr(8, line.size() > 9 ? line.size() - 9 : 0));
    } else if (line == "-- got it") {
        if (lastExpect_ == "CONNECT") {
            Advance(kStateDeviceConnected);
        }
    } else if (line == "-- failed" || Starts(line, "alarm")) {
        Fail(lastExpect_ == "CONNECT" ? DialupError::kNoCarrier : DialupError::kNoAnswer);
    } else if (line == "Serial connection established.") {
        Advance(kStateAllDevicesConnected);
    } else if (Starts(line, "Using interface ")) {
        interface_ = std::string(line.substr(16));
    } else if (Starts(line, "Connect: ")) {
        const std::string_view rest = line.substr(9);
        interface_ = std::string(rest.substr(0, rest.find(' ')));
        Advance(kStateAuthenticate);
    } else if (line == "PAP authentication succeeded" || line == "CHAP authentication succeeded") {
        Advance(kStateAuthenticated);
    } else if (line == "PAP authentication failed" || line == "CHAP authentication failed") {
        Fail(DialupError::kAuthenticationFailure);
    } else if (Starts(line, "local  IP address ")) {
        Advance(kStateProjected);
    } else if (Starts(line, "remote IP address ")) {
        Advance(kStateConnected);
    } else if (Starts(line, "Terminating on signal")) {
        Fail(DialupError::kUserDisconnection);
    } else if (line == "Modem hangup" || line == "LCP terminated by peer" ||
               Starts(line, "No response to ") || Starts(line, "Hangup (SIGHUP)")) {
        Fail(DialupError::kRemoteDisconnection);
    } else if (Starts(line, "LCP: timeout sending Config-Requests")) {
        Fail(DialupError::kPppTimeout);
    } else if (Starts(line, "Failed to open ")) {
        Fail(DialupError::kPortNotAvailable);
        state_ = kStateDisconnected;
    } else if (line == "Connect script failed") {
        Fail(DialupError::kNoAnswer);
        state_ = kStateDisconnected;
    } else if (line == "Connection terminated.") {
        Fail(DialupError::kRemoteDisconnection);
        state_ = kStateDisconnected;
    }
}

void PppdSession::Exited(int exitStatus) {
    exitStatus_ = exitStatus;
    Fail(ErrorForExitStatus(exitStatus));
    state_ = kStateDisconnected;
}

std::uint32_t PppdSession::ErrorForExitStatus(int exitStatus) {
    switch (exitStatus) {
        case 5:  // user request (a signal)
            return DialupError::kUserDisconnection;
        case 6:  // lock failed
        case 7:  // open failed
            return DialupError::kPortNotAvailable;
        case 8:  // connect script failed
            return DialupError::kNoAnswer;
        case 10:  // negotiation failed
            return DialupError::kPppTimeout;
        case 11:  // peer failed to authenticate
        case 19:  // we failed to authenticate
        case 21:
            return DialupError::kAuthenticationFailure;
        case 15:  // peer dead
        case 16:  // hangup
            return DialupError::kRemoteDisconnection;
        default:
            return DialupError::kNoConnection;
    }
}

}  // namespace veltro
