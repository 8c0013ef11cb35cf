#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dialup/DialService.h"

namespace veltro {

// The pppd command line of a dial.
//
// The options pppd accepts only from root (noauth, replacedefaultroute) come from the
// installed peers file (/etc/ppp/peers/veltrogprs, "call veltrogprs"), so that an
// ordinary user in the groups dialout and dip can dial. Because that file grants
// noauth, it also fixes the device (the card's fixed name, kCardDevice) and the connect
// script (kChatCommand behind a check that the line is the card): pppd keeps a
// privileged connect script against the command line, and the script refuses any
// other line. The number the user dials reaches chat only as the value of an
// environment variable (pppd's "set"), which chat sends in place of \T: it is never
// shell text.
//
// pppd runs in the foreground (nodetach) at the line speed, asks the network for its
// name servers (usepeerdns) and takes its other options from the entry:
//   - default gateway option   -> defaultroute
//   - no header compression    -> novj
//   - specific IP address      -> "a.b.c.d:" instead of noipdefault
//   - specific name servers    -> set DNS1=... set DNS2=... (for the ip-up scripts)
// The user name goes on the command line; a password never does: it is handed over in
// the options file given to Build (pppd reads it with "file").
class PppdCommandLine {
public:
    // The peers file under /etc/ppp/peers.
    static constexpr const char* kPeersName = "veltrogprs";
    // The name the udev rules (or "veltrogprs-cli device pin") give the card's AT port.
    static constexpr const char* kCardDevice = "/dev/veltrogprs0";
    // The variable that carries the number to the connect script.
    static constexpr const char* kNumberVariable = "VELTROGPRS_NUMBER";
    // The dialogue with the card, as /bin/sh runs it: chat, verbose to stderr (which
    // pppd logs with its own lines), sends "ATD" + the number and waits for CONNECT.
    static constexpr const char* kChatCommand =
        "/usr/sbin/chat -v -s -t 30 -T \"$VELTROGPRS_NUMBER\" ABORT BUSY ABORT 'NO CARRIER' "
        "ABORT ERROR ABORT 'NO DIALTONE' ABORT 'NO ANSWER' '' 'ATD\\T' CONNECT ''";

    // cardDevice empty: the dialer does not read the peers file (the stand-in of the
    // virtual card), so the device ("/dev/" + the port) and the connect script
    // (kChatCommand) go on the command line. Otherwise both come from the peers file.
    static std::vector<std::string> Build(const DialRequest& request, const std::string& program,
                                          const std::string& cardDevice,
                                          const std::string& optionsFile);

    // Options-file text holding the password, quoted for pppd's option parser.
    static std::string PasswordOptions(std::string_view password);
};

}  // namespace veltro
