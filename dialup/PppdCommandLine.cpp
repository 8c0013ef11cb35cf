#include "dialup/PppdCommandLine.h"

namespace veltro {

namespace {

std::string Dotted(const DialupEntry::Address& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

bool IsZero(const DialupEntry::Address& a) {
    return a == DialupEntry::Address{};
}

}  // namespace

std::string PppdCommandLine::PasswordOptions(std::string_view password) {
    std::string text = "password \"";
    for (char c : password) {
        if (c == '"' || c == '\\') {
            text += '\\';
        }
        text += c;
    }
    return text + "\"\n";
}

std::vector<std::string> PppdCommandLine::Build(const DialRequest& request,
                                                const std::string& program,
                                                const std::string& cardDevice,
                                                const std::string& optionsFile) {
    const DialupEntry& entry = request.entry;
    // The peers file comes first: what follows may add to it but pppd lets an ordinary
    // user change none of its options.
    std::vector<std::string> args = {program, "call", kPeersName};
    if (cardDevice.empty()) {
        args.push_back("/dev/" + request.device.port);
    }
    args.insert(args.end(),
                {std::to_string(request.lineSpeed), "nodetach", "user", request.userName});
    if (!optionsFile.empty()) {
        args.insert(args.end(), {"file", optionsFile});
    }
    if (cardDevice.empty()) {
        args.insert(args.end(), {"connect", kChatCommand});
    }
    args.insert(args.end(), {"set", std::string(kNumberVariable) + "=" + request.phoneNumber});
    if ((entry.options & DialupEntry::kOptionSpecificIpAddr) != 0 && !IsZero(entry.ipaddr)) {
        args.push_back(Dotted(entry.ipaddr) + ":");
    } else {
        args.push_back("noipdefault");
    }
    args.insert(args.end(), {"ipcp-accept-local", "ipcp-accept-remote"});
    if ((entry.options & DialupEntry::kOptionRemoteDefaultGateway) != 0) {
        args.push_back("defaultroute");
    }
    if ((entry.options & DialupEntry::kOptionIpHeaderCompression) == 0) {
        args.push_back("novj");
    }
    if ((entry.options & DialupEntry::kOptionSpecificNameServers) != 0) {
        if (!IsZero(entry.ipaddrDns)) {
            args.insert(args.end(), {"set", "DNS1=" + Dotted(entry.ipaddrDns)});
        }
        if (!IsZero(entry.ipaddrDnsAlt)) {
            args.insert(args.end(), {"set", "DNS2=" + Dotted(entry.ipaddrDnsAlt)});
        }
    }
    // The network's name servers always: Debian's ip-up hook puts them into the
    // resolver's configuration when pppd reports USEPEERDNS.
    args.push_back("usepeerdns");
    args.insert(args.end(), {"ipparam", request.entryName});
    return args;
}

}  // namespace veltro
