#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltro::vcard {

// What "AT+CPIN?" finds.
enum class SimState { Ready, Absent, PinLocked, PukLocked };

// One answer of the simulated network to a USSD string.
struct UssdReply {
    // The request ("*100#"), or the menu it answers and the reply: "*102#>1".
    std::string request;
    std::string text;  // UTF-8
    enum class Coding { Gsm7Packed, Ucs2 } coding = Coding::Gsm7Packed;
    bool menu = false;  // the network waits for a reply (+CUSD: 1)
};

// The state a virtual card starts in, and the pace of its simulated network.
struct CardOptions {
    std::string manufacturer = "WAVECOM MODEM (VeltroGSM card)";  // answer to AT+CGMI
    std::string model = "VeltroGSM G100";                         // AT+CGMM
    std::string revision = "VG100 1.02";                          // AT+CGMR
    std::string imei = "351730000000108";                         // AT+CGSN
    std::string imsi = "460001234567890";                         // AT+CIMI
    std::string operatorName = "CHINA MOBILE";                    // AT+COPS?
    std::string serviceCentre = "+8613800000500";                 // AT+CSCA?
    std::uint32_t baudRate = 115200;                              // the rate the card answers at
    SimState sim = SimState::Ready;
    std::string simPin = "1234";      // unlocks a PinLocked SIM with AT+CPIN="1234"
    std::string simPuk = "12345678";  // unblocks a PukLocked SIM: AT+CPIN="<puk>","<new>"
    // Only the 3GPP TS 27.007 commands: no "$CSQ", and "+CSQ: " alone in AT+CSQ.
    bool generic = false;
    std::vector<UssdReply> ussd;  // what the network answers; others get "+CUSD: 4"
    std::uint32_t ussdMs = 300;   // the network's time to answer
    int registration = 1;         // +CGREG / +CREG status
    int signal = 20;              // value of the "$CSQ: " and "+CSQ: " answers
    int smsCapacity = 30;         // message slots on the SIM, indices 1..smsCapacity

    std::vector<std::string> busyNumbers;     // voice calls to these fail with busyResult
    std::string busyResult = "NO CARRIER";    // or "BUSY" (numeric 7), "NO ANSWER" (8)
    std::uint32_t busyAfterMs = 0;            // the busyResult comes this long after the dial
    std::uint32_t dialAnswerMs = 0;           // the far end picks up a voice call after this
    std::uint32_t ringIntervalMs = 3000;      // RING repeats this often while a call comes in
    int ringsBeforeGiveUp = 10;               // the caller gives up after so many rings
    std::uint32_t smsSendMs = 0;              // network time to confirm an AT+CMGS submission
    std::uint32_t signalReportUnitMs = 1000;  // one unit of the AT$CSQ=1,<n> period
    std::uint32_t escapeGuardMs = 1000;       // silence around "+++" in data mode
    std::uint32_t dataBytesPerSecond = 4096;  // simulated downlink while connected
    std::uint32_t dataChunkMs = 100;          // the downlink arrives in chunks this often
};

}  // namespace veltro::vcard
