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
// ordinary user in the groups dialout and dip can dial. pppd runs in the foreground
// (nodetach) on "/dev/" + the device's port at the line speed, dials with a chat script
// that sends "ATD" + the number and waits for CONNECT, asks the network for its name
// servers (usepeerdns) and takes its other options from the entry:
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

    static std::vector<std::string> Build(const DialRequest& request, const std::string& program,
                                          const std::string& chatProgram,
                                          const std::string& optionsFile);

    // The connect script: chat, verbose to stderr (which pppd logs with its own lines).
    static std::string ChatScript(const std::string& chatProgram, std::string_view phoneNumber);

    // Options-file text holding the password, quoted for pppd's option parser.
    static std::string PasswordOptions(std::string_view password);

    // text as one word for /bin/sh.
    static std::string ShellQuote(std::string_view text);
};

}  // namespace veltro
