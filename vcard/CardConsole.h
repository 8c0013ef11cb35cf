#pragma once

#include <string>

#include "vcard/VirtualCard.h"

namespace veltro::vcard {

// The command language of veltrogprs-vcard's standard input: one command per line,
// answered with one or more lines of text.
//
//   call <number>            an incoming voice call (RING and +CLIP until answered)
//   hangup                   the far end hangs up (NO CARRIER)
//   sms <number> <text>      a received message, stored unread (UTF-8 text)
//   signal <value>           the value of "$CSQ: " and "+CSQ: "
//   reg <status>             packet registration status (1 home, 5 roaming, 0, 2, 3)
//   sim ready|absent|locked  the SIM
//   fault error|noanswer <line prefix> [times]; fault clear
//   delay <ms>               answer every command this much later
//   dead on|off              the line hears and says nothing
//   unplug | plug            the pty goes away / a new one comes (printed as "pty: ...")
//   lines | sent | stored    what the card received, sent messages, the SIM's slots
//   quit
class CardConsole {
public:
    explicit CardConsole(VirtualCard& card) : card_(card) {}

    // Runs one command; the text to print (without a final newline).
    std::string Execute(const std::string& line);
    bool QuitRequested() const { return quit_; }

    // "<number><space or tab><text>", "\n" in the text standing for a line break.
    static bool ParseMessage(const std::string& line, std::string& number, std::string& text);

private:
    VirtualCard& card_;
    bool quit_ = false;
};

}  // namespace veltro::vcard
