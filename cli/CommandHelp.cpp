#include "cli/CommandHelp.h"

namespace veltro::cli {

namespace {

struct Entry {
    std::string_view name;
    const char* summary;
};

// At most 44 characters each, so that the lines of --help fit 80 columns.
constexpr Entry kSummaries[] = {
    {"find", "the card's port and the rate it answered at"},
    {"status", "SIM state, packet registration and signal"},
    {"sms send", "send TEXT (UTF-8) to NUMBER"},
    {"sms list", "indices of unread (--read: read) messages; --text: every message whole"},
    {"sms read", "number, time and text of each message INDEX; --delete: then delete them"},
    {"sms delete", "delete message INDEX from the SIM"},
    {"sms export", "messages of sms.dat as CSV (or --json)"},
    {"call dial", "start a voice call to NUMBER"},
    {"call answer", "answer the ringing call"},
    {"call hangup", "end the call"},
    {"call tone", "keypad tone KEY (0-9, *, #, A-D) in a call"},
    {"watch", "ring, caller, hang-up, new-message events"},
    {"connect", "dial GPRS through pppd, print its states"},
    {"disconnect", "hang up the GPRS connection"},
    {"dialup status", "GPRS connected or not, bytes sent/received"},
    {"dialup entry", "the fields of the dial-up entry"},
    {"device list", "modem device instances and ports on offer"},
    {"device pin", "give PORT the card's fixed name (as root)"},
    {"device add", "enter PORT in the user's device table"},
    {"device remove", "remove INSTANCE from the user's device table"},
    {"doctor", "check the machine; say what to fix"},
    {"contacts list", "names and numbers of vc.dat"},
    {"contacts add", "add a contact to vc.dat"},
    {"contacts remove", "remove the contacts of NAME (and NUMBER)"},
    {"contacts import", "add a vCard file's contacts, not duplicates"},
    {"contacts export", "contacts as vCard 3.0 to FILE or output"},
    {"pin", "unlock the SIM: PIN (or PUK and new PIN) read without echo"},
    {"ussd", "send a USSD CODE (then REPLY to menus), print the answer"},
    {"usage", "this month's bytes over every connection, and the cap"},
    {"usage cap", "set the monthly cap in MEGABYTES (0: none) for the window"},
};

}  // namespace

const char* CommandHelp::Summary(std::string_view name) {
    for (const Entry& entry : kSummaries) {
        if (entry.name == name) {
            return entry.summary;
        }
    }
    return nullptr;
}

const char* CommandHelp::Options() {
    return "  --port NAME   probe only this port (a name under /dev, e.g. ttyUSB0)\n"
           "  --demo        run against the virtual data card in this process\n"
           "  --data-home   use vc.dat and sms.dat in $XDG_DATA_HOME/veltrogprs, as the\n"
           "                window started from the menu does (else the current folder)\n"
           "  --json        print one JSON object (watch: one object per event line)\n"
           "  --help        this text; after a command, the lines of that command\n"
           "  --version     the version\n";
}

}  // namespace veltro::cli
