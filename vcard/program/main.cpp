// veltrogprs-vcard: runs a virtual data card on a pseudo-terminal until "quit" or the
// end of standard input (with --stay, until a signal). Its first line of output is
// "pty: <path>".

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "modem/AtomicFile.h"
#include "modem/ModemDeviceClass.h"
#include "vcard/CardConsole.h"
#include "vcard/DemoCard.h"
#include "vcard/VirtualCard.h"

using namespace veltro;
using namespace veltro::vcard;

namespace {

void Usage() {
    std::cout << "usage: veltrogprs-vcard [options]\n"
                 "       veltrogprs-vcard --help | --version\n"
                 "  --manufacturer TEXT   answer to AT+CGMI (default contains \"WAVECOM MODEM\")\n"
                 "  --benq                answer as the BenQ card (the device-table path)\n"
                 "  --rate N              baud rate the card answers at (default 115200)\n"
                 "  --sim ready|absent|locked|puk\n"
                 "  --pin NNNN            PIN that unlocks a locked SIM (default 1234)\n"
                 "  --puk NNNNNNNN        PUK that unblocks it after 3 wrong PINs (default "
                 "12345678)\n"
                 "  --generic             another maker's card: standard commands only, no $CSQ\n"
                 "  --ussd CODE=TEXT      the network answers CODE with TEXT in GSM 7-bit;\n"
                 "                        CODE>REPLY=TEXT answers a reply to CODE's menu\n"
                 "  --ussd-ucs2 CODE=TEXT the same in UCS2\n"
                 "  --ussd-menu CODE=TEXT the same, and the network waits for a reply\n"
                 "  --registration N      +CGREG status (default 1)\n"
                 "  --signal N            $CSQ value (default 20)\n"
                 "  --capacity N          SIM message slots (default 30)\n"
                 "  --messages FILE       received messages, one per line: NUMBER<space>TEXT\n"
                 "  --busy NUMBER         voice calls to NUMBER fail (repeatable)\n"
                 "  --busy-result no-carrier|busy|no-answer\n"
                 "                        how such a call ends (default no-carrier)\n"
                 "  --busy-after MS       the failure comes MS after the dial (default 0)\n"
                 "  --answer-after MS     the far end picks up a voice call after MS\n"
                 "  --register FILE       write a device table naming the card's pty\n"
                 "  --report PREFIX       print \"heard: LINE\" for each command line that begins\n"
                 "                        with PREFIX, as it arrives (repeatable)\n"
                 "  --friendly-name TEXT  FriendlyName in that table (default "
              << DemoCard::kFriendlyName << ")\n"
              << "Commands on standard input: call, hangup, sms, signal, reg, sim, fault, delay,\n"
                 "dead, unplug, plug, lines, sent, stored, quit (see docs/vcard.md).\n";
}

bool ReadInt(const char* text, long min, long max, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= min && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
    CardOptions options;
    std::string messagesFile;
    std::string tableFile;
    std::string friendlyName = DemoCard::kFriendlyName;
    bool stay = false;
    std::vector<std::string> reportPrefixes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        auto needs = [&](bool ok) {
            if (!ok) {
                std::cerr << "veltrogprs-vcard: bad or missing value for " << arg << "\n";
                std::exit(2);
            }
            ++i;
        };
        if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        }
        if (arg == "--version") {
            std::cout << "veltrogprs-vcard " << VELTRO_VERSION << '\n';
            return 0;
        } else if (arg == "--benq") {
            options.manufacturer = DemoCard::Options().manufacturer;
        } else if (arg == "--manufacturer") {
            needs(value != nullptr);
            options.manufacturer = value;
        } else if (arg == "--rate") {
            needs(value != nullptr && ReadInt(value, 300, 4000000, number));
            options.baudRate = static_cast<std::uint32_t>(number);
        } else if (arg == "--sim") {
            needs(value != nullptr &&
                  (!std::strcmp(value, "ready") || !std::strcmp(value, "absent") ||
                   !std::strcmp(value, "locked") || !std::strcmp(value, "puk")));
            options.sim = !std::strcmp(value, "ready")    ? SimState::Ready
                          : !std::strcmp(value, "absent") ? SimState::Absent
                          : !std::strcmp(value, "puk")    ? SimState::PukLocked
                                                          : SimState::PinLocked;
        } else if (arg == "--puk") {
            needs(value != nullptr);
            options.simPuk = value;
        } else if (arg == "--generic") {
            options.generic = true;
            if (options.manufacturer == CardOptions{}.manufacturer) {
                options.manufacturer = "Standard GSM Modem";
            }
        } else if (arg == "--ussd" || arg == "--ussd-ucs2" || arg == "--ussd-menu") {
            const char* equals = value != nullptr ? std::strchr(value, '=') : nullptr;
            needs(equals != nullptr && equals != value);
            UssdReply reply;
            reply.request.assign(value, equals);
            reply.text = equals + 1;
            reply.coding =
                arg == "--ussd-ucs2" ? UssdReply::Coding::Ucs2 : UssdReply::Coding::Gsm7Packed;
            reply.menu = arg == "--ussd-menu";
            options.ussd.push_back(reply);
        } else if (arg == "--pin") {
            needs(value != nullptr);
            options.simPin = value;
        } else if (arg == "--registration") {
            needs(value != nullptr && ReadInt(value, 0, 5, number));
            options.registration = static_cast<int>(number);
        } else if (arg == "--signal") {
            needs(value != nullptr && ReadInt(value, 0, 99999, number));
            options.signal = static_cast<int>(number);
        } else if (arg == "--capacity") {
            needs(value != nullptr && ReadInt(value, 0, 255, number));
            options.smsCapacity = static_cast<int>(number);
        } else if (arg == "--messages") {
            needs(value != nullptr);
            messagesFile = value;
        } else if (arg == "--busy") {
            needs(value != nullptr);
            options.busyNumbers.push_back(value);
        } else if (arg == "--busy-result") {
            needs(value != nullptr &&
                  (!std::strcmp(value, "no-carrier") || !std::strcmp(value, "busy") ||
                   !std::strcmp(value, "no-answer")));
            options.busyResult = !std::strcmp(value, "busy")        ? "BUSY"
                                 : !std::strcmp(value, "no-answer") ? "NO ANSWER"
                                                                    : "NO CARRIER";
        } else if (arg == "--busy-after") {
            needs(value != nullptr && ReadInt(value, 0, 600000, number));
            options.busyAfterMs = static_cast<std::uint32_t>(number);
        } else if (arg == "--answer-after") {
            needs(value != nullptr && ReadInt(value, 0, 600000, number));
            options.dialAnswerMs = static_cast<std::uint32_t>(number);
        } else if (arg == "--register") {
            needs(value != nullptr);
            tableFile = value;
        } else if (arg == "--report") {
            needs(value != nullptr);
            reportPrefixes.push_back(value);
        } else if (arg == "--stay") {
            stay = true;
        } else if (arg == "--friendly-name") {
            needs(value != nullptr);
            friendlyName = value;
        } else {
            std::cerr << "veltrogprs-vcard: unknown option " << arg << "\n";
            Usage();
            return 2;
        }
    }

    VirtualCard card(options);
    if (!reportPrefixes.empty()) {
        // Written from the card's thread the moment the line arrives, before any
        // answer, so that a watcher can act on it while the client still waits.
        card.SetLineListener([reportPrefixes](const std::string& line) {
            for (const std::string& prefix : reportPrefixes) {
                if (line.rfind(prefix, 0) == 0) {
                    std::cout << "heard: " << line << std::endl;
                    return;
                }
            }
        });
    }
    if (!card.Start()) {
        std::cerr << "veltrogprs-vcard: cannot create a pseudo-terminal\n";
        return 1;
    }
    std::cout << "pty: " << card.DevicePath() << std::endl;

    if (!messagesFile.empty()) {
        std::ifstream in(messagesFile);
        if (!in) {
            std::cerr << "veltrogprs-vcard: cannot read " << messagesFile << "\n";
            return 1;
        }
        std::string line;
        while (std::getline(in, line)) {
            std::string number;
            std::string text;
            if (line.empty() || line[0] == '#' || !CardConsole::ParseMessage(line, number, text)) {
                continue;
            }
            if (card.AddMessage(number, text) < 0) {
                std::cerr << "veltrogprs-vcard: SIM full, message from " << number << " dropped\n";
            }
        }
    }
    // The table names the card's pty; a card plugged in again comes on a new one.
    const auto writeTable = [&tableFile, &friendlyName, &card] {
        const std::string table =
            ModemDeviceClass::TableText({ModemDevice{friendlyName, card.PortName()}});
        if (!AtomicFile::Write(tableFile, table)) {
            std::cerr << "veltrogprs-vcard: cannot write " << tableFile << "\n";
            return false;
        }
        return true;
    };
    if (!tableFile.empty()) {
        if (!writeTable()) {
            return 1;
        }
        std::cout << "table: " << tableFile << std::endl;
    }

    CardConsole console(card);
    std::string line;
    while (!console.QuitRequested() && std::getline(std::cin, line)) {
        const std::string reply = console.Execute(line);
        if (!tableFile.empty() && reply.rfind("pty: ", 0) == 0) {
            writeTable();
        }
        if (!reply.empty()) {
            std::cout << reply << std::endl;
        }
    }
    if (stay && !console.QuitRequested()) {
        while (true) {
            ::pause();
        }
    }
    card.Stop();
    return 0;
}
