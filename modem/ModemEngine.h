#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "modem/AtCommandTable.h"
#include "modem/CallLines.h"
#include "modem/Clock.h"
#include "modem/CommandForm.h"
#include "modem/ListedMessage.h"
#include "modem/PduAnswerParser.h"
#include "modem/PortOpenError.h"
#include "modem/ReceivedMessage.h"
#include "modem/ResultCodeTable.h"
#include "modem/SerialLine.h"
#include "modem/SimLock.h"
#include "modem/UssdAnswer.h"

namespace veltro {

// How an exchange sends its line.
enum class SendMode {
    Settle,        // SendCommand: 400 ms settle
    PostSettle,    // PostCommand: 400 ms settle
    PostNoSettle,  // PostCommand: return as soon as the line is written
};

// Whether an exchange clears the receive buffer after its await.
enum class ClearMode { Never, Always, OnSuccess };

// One command and its awaited answer: send the line, poll until the pattern is in the
// receive buffer or the limit has passed, then clear as asked.
struct Exchange {
    AtCommandId command;
    CommandForm form;
    const char* argument;
    SendMode send;
    ResultCodeId awaits;
    std::uint32_t limitMs;
    ClearMode clear;
};

// The single object through which the program talks to the modem. It composes command
// lines from AtCommandTable, collects everything the modem sends into one receive
// buffer and recognises answers by searching that buffer for ResultCodeTable patterns.
//
// The receive buffer keeps what arrived since the last clear, in arrival order: stale
// answers stay and satisfy a later await for the same pattern until a clear. A zero
// byte in received data ends what that read appends, and input beyond the buffer's
// room is dropped.
class ModemEngine {
public:
    static constexpr std::size_t kResponseSize = 20000;
    static constexpr std::uint32_t kSettleMs = 400;
    static constexpr std::uint32_t kQuietSliceMs = 100;
    static constexpr std::uint32_t kQuietLimitMs = 2000;

    // lineFactory creates the port object that Initialize opens.
    ModemEngine(Clock& clock, SerialLineFactory lineFactory);
    ~ModemEngine();

    ModemEngine(const ModemEngine&) = delete;
    ModemEngine& operator=(const ModemEngine&) = delete;

    // ---- Command engine -------------------------------------------------------------

    // Clears isOpen and drops the port.
    void Reset();
    // Replaces any port with a new one on portName, opens it at 115200 8N1, clears the
    // buffer and sets isOpen. False when the port cannot be opened.
    bool OpenPort(const char* portName);
    bool IsOpen() const { return isOpen_; }
    // True once the open port's device has gone (the card was pulled out or lost
    // power): every later operation fails at once and an await in progress ends. Set by
    // the thread talking to the modem; any thread may read it. A new port clears it.
    bool DeviceGone() const { return deviceGone_.load(); }
    // Why the last OpenPort, or a port of the last discovery, could not be opened: the
    // system's error and the port; no error when every port opened. The port scan only
    // keeps errors the user can act on (permission, busy), not its missing ports.
    const PortOpenError& LastOpenError() const { return openError_; }

    // Writes the line, then settles 400 ms: 1 if the whole line was written, else 0.
    int SendCommand(AtCommandId id, CommandForm form, const char* argument);
    int SendCommand(int id, int form, const char* argument);
    // Writes the line and settles 400 ms only if settle is set.
    int PostCommand(AtCommandId id, CommandForm form, const char* argument, bool settle);
    int PostCommand(int id, int form, const char* argument, bool settle);

    // One immediate read appended to the buffer: 1 if the read succeeded.
    int DrainInput(std::uint32_t* countReceived);
    // Reads until a read returns nothing, 100 ms apart, for at most limitMs: a modem
    // that never falls silent (a trickling answer, line noise) cannot hold the caller
    // longer. 1 if anything was received.
    int DrainUntilQuiet(std::uint32_t* lastCount, std::uint32_t limitMs = kQuietLimitMs);
    // DrainInput, then FindCode; -1 when the drain fails.
    int PollFor(ResultCodeId id);
    int PollFor(int id);
    // Position of the pattern in the buffer, or -1. Reads nothing from the port.
    int FindCode(ResultCodeId id) const;
    int FindCode(int id) const;
    // Zeroes the buffer and purges the port's input; false when not open. What has
    // already arrived is read first, and the call lines among it ("RING", "+CLIP: ...",
    // "NO CARRIER") are kept for TakeCallEvents, so no clear takes a call event away
    // from the call poll.
    bool ClearResponse();
    // Overwrites the first count characters with '0' so that the next FindCode finds
    // the first occurrence beyond them (no pattern begins with '0'). Call lines that
    // begin in that prefix are kept as by ClearResponse.
    void MaskPrefix(std::size_t count);

    // Polls for the pattern until it is in the buffer or limitMs have passed: its
    // position, or -1. Blocks on the port between reads instead of spinning.
    int AwaitCode(ResultCodeId id, std::uint32_t limitMs);
    // Sends, awaits and clears as the exchange says. True when the pattern arrived.
    bool RunExchange(const Exchange& exchange);

    const char* Response() const { return response_; }
    std::size_t ResponseLength() const;

    Clock& GetClock() const { return clock_; }
    SerialLine* Port() const { return port_.get(); }

    std::uint32_t BaudRate() const { return baudRate_; }
    void SetBaudRate(std::uint32_t rate) { baudRate_ = rate; }

    // ---- Discovery and initialisation -----------------------------------------------

    // The probe table, tried in this order (9600 and 115200 occur twice).
    static constexpr std::uint32_t kProbeRates[] = {115200, 9600,  4800,  9600,
                                                    19200,  38400, 57600, 115200};
    // The manufacturer text the probe accepts on the device-class path and on the scan.
    static constexpr const char* kDeviceClassAnswer = "BenQ";
    static constexpr const char* kScanAnswer = "WAVECOM MODEM";
    // The ports the scan tries, in order.
    static constexpr const char* kScanPorts[] = {
        "ttyS0",   "ttyS1",   "ttyS2",   "ttyS3",   "ttyUSB0", "ttyUSB1", "ttyUSB2",
        "ttyUSB3", "ttyUSB4", "ttyUSB5", "ttyACM0", "ttyACM1", "ttyACM2", "ttyACM3"};
    // Room for a port name and its terminator.
    static constexpr std::size_t kPortNameSize = 9;

    // Finds the modem's port and the rate it answers at. Walks the modem device class
    // for an instance whose FriendlyName contains modemName and probes its port for a
    // "BenQ" answer; with the port scan selected, runs ScanPorts instead. On success
    // portName (at least kPortNameSize bytes) holds the short port name and BaudRate()
    // the rate.
    bool FindModem(const char* modemName, char* portName);
    // Probes kScanPorts in order for a "WAVECOM MODEM" answer, writing diagnostic lines
    // to standard output. On success portName holds the first port that answered.
    bool ScanPorts(char* portName);
    // Probes one named port for either manufacturer answer (the device-class waits,
    // the answer's ending as soon as its final result came); a port the user named is
    // also taken when another maker's card answers the identification with "OK".
    bool ProbeNamedPort(const char* portName);
    // False when the card found is not one this program knows: it is driven with the
    // standard commands only (3GPP TS 27.007), its vendor commands skipped.
    bool MakerKnown() const { return makerKnown_; }
    // The first line of such a card's answer to "AT+CGMI" (printable ASCII only).
    const std::string& Maker() const { return maker_; }
    // Whether FindModem runs the port scan: VELTROGPRS_PORT_SCAN=1 or RequestPortScan
    // at the engine's creation, unless set here.
    void UsePortScan(bool on) { usePortScan_ = on; }
    // Selects the port scan for every engine created afterwards (the window program's
    // profile asks for it).
    static void RequestPortScan(bool on);
    bool UsesPortScan() const { return usePortScan_; }

    // Opens the port at 115200, moves the modem to 115200 if discovery found another
    // rate, and sends the set-up commands. True when every required step succeeded.
    bool Initialize(const char* portName);
    // The short way back to an initialised card: opens the port and reads back, with a
    // few queries that each wait only for their final result (within the limits of the
    // matching set-up step), the state Initialize leaves: echo off, PDU mode, the
    // new-message indications, caller id on, auto-answer off and the PDP contexts. True
    // when the card is in that state; false when it needs Initialize (after power-up,
    // at another rate, or when a query fails).
    bool ReopenInitialized(const char* portName);
    // Closes and drops the port.
    void Release();
    // Switches the modem to rate ("AT+IPR=") and the port after it: 1 or 0.
    int SetModemBaudRate(std::uint32_t rate);
    bool SaveSettings();
    // Accepts only AtCommandId::EchoOff and AtCommandId::EchoOn.
    bool SetEcho(AtCommandId id);
    bool DefinePdpContext(const char* definition);
    // New-message indications off, then PDU mode; the second only after the first.
    bool SetupMessageMode();
    bool EnableCallerId();
    bool SetAutoAnswer(bool on);

    // ---- Network, SIM and signal status ---------------------------------------------

    // "READY" in the answer to "AT+CPIN?" within 2000 ms.
    bool CheckSimReady();
    // "OK" to "AT+CGATT=1" within 1000 ms.
    bool AttachPacketService();
    // The status after the first comma of the "+CGREG: " answer; 1 is registered.
    bool GetPacketRegistration(int* status);
    // The value between "$CSQ: " and the next comma of the answer to "AT+CSQ". The
    // answer stays in the buffer.
    bool ReadSignalQuality(int* value);
    // Unsolicited "$CSQ: " reports on ("AT$CSQ=1,8") or off ("AT$CSQ=0").
    bool SetSignalReport(bool on);

    // ---- SIM PIN and USSD -----------------------------------------------------------

    // Writes line (a whole command, without its CR) and reads until a final result
    // code ("OK", "ERROR", "+CME ERROR: ...", "+CMS ERROR: ...") is in the answer or
    // limitMs have passed: the answer with its final line, or nothing when the line was
    // not written or no final result came. The buffer is cleared afterwards.
    std::optional<std::string> Converse(std::string_view line, std::uint32_t limitMs);
    // "AT+CPIN?": what the SIM waits for.
    SimLock::State QuerySimLock();
    // The tries left as the card reports them ("AT+CPINR", else "AT+CPINC?").
    SimLock::Retries QueryPinRetries();
    enum class UnlockResult { Unlocked, Wrong, Refused, NoAnswer };
    // "AT+CPIN=<pin>": Wrong when the card says the code is not right. A PIN that is
    // not 4 to 8 digits is refused before anything is written.
    UnlockResult EnterPin(std::string_view pin);
    // "AT+CPIN=<puk>,<new pin>": unblocks the SIM and sets a new PIN.
    UnlockResult EnterPuk(std::string_view puk, std::string_view newPin);

    // How long the network may take to answer a USSD request.
    static constexpr std::uint32_t kUssdLimitMs = 30000;
    // Longest request or reply string.
    static constexpr std::size_t kMaxUssdChars = 160;
    struct UssdResult {
        enum class Kind { Answered, Refused, TimedOut, NotSent } kind = Kind::NotSent;
        UssdAnswer answer;
    };
    // Sends a USSD request, or a reply to a menu, with "AT+CUSD=1,"<text>",15" and
    // waits for the network's "+CUSD:" answer until limitMs have passed or stop() is
    // true; then the session is ended with "AT+CUSD=2" so the network does not keep
    // it open. text must be printable ASCII without quotes, at most kMaxUssdChars.
    UssdResult RunUssd(std::string_view text, std::uint32_t limitMs,
                       const std::function<bool()>& stop = {});
    // "AT+CUSD=2": ends a USSD session (a menu the user leaves).
    bool CancelUssd();

    // ---- Short messages -------------------------------------------------------------

    // Numbers shorter than this go the text-mode route, longer ones the UCS2 PDU route.
    static constexpr std::size_t kPduRouteMinNumberChars = 10;
    // One listed storage index with its terminator.
    using MessageIndexSlot = std::array<char, 10>;

    // Sends utf8Text to number: in text mode (GBK) for numbers under 10 characters,
    // else as UCS2 PDUs. True when the modem confirmed the submission with "OK". The
    // number may be written with blanks, dashes, dots and parentheses; they are taken
    // out first (PhoneNumber::Clean), and the route follows the digits that are left.
    bool SendShortMessage(std::string_view utf8Text, std::string_view number);
    // Text-mode route: "AT+CMGF=1", "AT+CMGS=" + quoted number, the text in GBK and
    // Ctrl-Z, back to PDU mode. Refuses texts that GBK cannot carry unchanged on the
    // line (invalid UTF-8, Ctrl-Z, ESC or a zero byte inside, too long for one line) and
    // numbers with quotes or control characters, before anything is sent. A text with
    // characters outside GBK goes to a number of digits as UCS2 PDUs with the number
    // as it is (national), and is refused for any other number.
    bool SendTextMessage(std::string_view utf8Text, std::string_view number);
    // PDU route: one SMS-SUBMIT in PDU mode, or for a text over 70 UTF-16 units the
    // parts of a concatenated message one after the other, each confirmed before the
    // next. Refuses, before anything is sent, numbers SmsPduBuilder cannot encode and
    // texts of more than SmsPduBuilder::kMaxParts parts.
    bool SendPduMessage(std::u16string_view text, std::string_view number);
    // How many messages of the last send the modem confirmed: all of them after a
    // success; after a failure at part k of a long text, k - 1 went out.
    std::size_t PartsConfirmed() const { return partsConfirmed_; }
    // Lists the storage indices of the unread (or read) messages into slots, in the
    // modem's order; count is how many slots were filled. Entries beyond the slots go
    // to beyond when given, else they are dropped (the listing has marked them read on
    // the SIM all the same). True when at least one index was listed and the listing
    // was whole. The listing is in PDU mode ("AT+CMGF=0", "AT+CMGL=0" or "=1"); only a
    // card that answers "AT+CMGF=0" with an error is listed in text mode.
    bool ListMessages(std::span<MessageIndexSlot> slots, int* count, bool unread,
                      std::vector<std::string>* beyond = nullptr);
    // The unread (or read) messages with their contents, from one PDU-mode listing, in
    // the modem's order. True when the listing was whole and ended with "OK"; messages
    // then holds every entry (none for an empty store). False for a card without PDU
    // mode.
    bool ListMessageContents(bool unread, std::vector<ListedMessage>* messages);
    // Reads the message at index in PDU mode ("AT+CMGR="), decoded by the data coding
    // its PDU states (CmgrParser::TakeDeliverPdu). A card that answers in text mode is
    // put back in PDU mode and asked again; one that has no PDU mode is read in text
    // mode. index must be 1 to 9 decimal digits.
    bool ReadMessage(std::string_view index, ReceivedMessage* message);
    // "AT+CMGD=" + index: true when "OK" arrived within 2000 ms.
    bool DeleteMessage(std::string_view index);

    // ---- Calls ----------------------------------------------------------------------

    // Room for the dialled number, its ";" and a terminator.
    static constexpr std::size_t kDialBufferSize = 100;

    // Writes "ATD" + number + ";" (a voice call); nothing is awaited. Blanks, dashes,
    // dots and parentheses written into the number are taken out first. False when the
    // line was not written, or the number is empty, too long or holds anything but
    // digits, "+", "*", "#" and A-D (PhoneNumber::RefusedForDial).
    bool Dial(std::string_view number);
    // "ATA": true when "OK" arrived within 2000 ms.
    bool Answer();
    // "ATH0": true when "OK" arrived within 2000 ms.
    bool HangUp();
    // Writes "AT+VTS=" + tone for one keypad character ("0"-"9", "*", "#", "A"-"D");
    // nothing is awaited.
    bool SendTone(std::string_view tone);
    // "RING" is in the buffer; reads nothing from the port.
    bool IsRinging() const;
    // The number of the caller line in the buffer (UTF-8, at most 50 characters); clears
    // the buffer, and with it the "RING", when it succeeds.
    bool GetCallerNumber(std::string* number);

    // Room for call lines kept across clears; older lines give way to newer ones.
    static constexpr std::size_t kKeptCallLinesSize = 1024;

    // The call events not yet taken, in arrival order: first those kept by clears, then
    // the complete call lines in the buffer, which are removed from it (a line still
    // arriving stays for the next call). Lines of a listed or read message's body are
    // never call lines. The call poll calls it after DrainInput; no one else should,
    // since taking them is what marks them seen.
    std::vector<CallEvent> TakeCallEvents();

    // The limit of a voice dial's wait for its final result.
    static constexpr std::uint32_t kDialResultLimitMs = 90000;
    // Waits after Dial for the dial's final result: "OK" (the far end picked up), "NO
    // CARRIER", "BUSY", "NO ANSWER", "ERROR" or "+CME ERROR: ...". Reads the port until
    // one of them is in the buffer after the dial, stop() is true (checked between
    // reads, at least every 100 ms) or limitMs have passed. Clears the buffer when a
    // result came; the call lines before it are forgotten with the result, those after
    // it are kept for TakeCallEvents.
    DialResult AwaitDialResult(std::uint32_t limitMs, const std::function<bool()>& stop);
    // The limit of a tone's wait for its final result.
    static constexpr std::uint32_t kToneResultLimitMs = 2000;
    // Waits after SendTone for its final result, as AwaitDialResult waits for the
    // dial's, so that it cannot pass for the answer of the next command: true for "OK".
    // A "NO CARRIER" in its place ends the wait and is kept for TakeCallEvents: the call
    // has ended.
    bool AwaitToneResult();

private:
    // Appends text up to its first zero byte, limited to the room that is left.
    void AppendText(const char* text, std::size_t count);
    int Send(int id, int form, const char* argument);
    // Blocks until the port may have input or ms have passed. A port the engine does
    // not read from (not open) would report its queued input ready at once, over and
    // over: then it sleeps instead.
    void WaitForInput(std::uint32_t ms);
    // Takes over the port's word that its device has gone.
    void NoteDeviceGone();

    struct ProbeStyle;
    // Probes one port at every rate of kProbeRates; sets baudRate on an accepted answer.
    bool ProbePort(const char* portName, const ProbeStyle& style);
    static bool PortScanRequested();

    // Drains the port until "OK" is in the buffer or limitMs have passed, waiting on the
    // port between reads. True when "OK" arrived.
    bool CollectUntilOk(std::uint32_t limitMs);
    // Drains the port until the buffer holds a final result ("OK", "ERROR", "+CME
    // ERROR", "+CMS ERROR") or limitMs have passed, waiting on the port between reads.
    // True for "OK".
    bool AwaitFinalResult(std::uint32_t limitMs);
    // Reads until the answer in the buffer has its final result code, framed as a PDU
    // answer, or limitMs have passed: the result, None when none came.
    PduAnswerParser::Final CollectFinal(std::uint32_t limitMs);
    // "AT+CMGF=0": the modem back in PDU mode, the mode every message operation leaves.
    int ReturnToPduMode();
    // "AT+CMGF=0" with its answer awaited; an error marks the card as one without PDU
    // mode. Clears the buffer before and after.
    PduAnswerParser::Final SelectPduMode();
    // The PDU-mode listing; nullopt when the card did not take PDU mode.
    std::optional<PduAnswerParser::Listing> ListPdus(bool unread);
    // The text-mode listing's indices, for a card without PDU mode. False when an entry
    // line had no comma.
    bool ListTextMode(bool unread, std::vector<std::string>* indices);
    // The text-mode read of a card without PDU mode.
    bool ReadTextMode(const std::string& index, ReceivedMessage* message);
    // The PDU route; national: the number goes as it is, without the country code.
    bool SendPdus(std::u16string_view text, std::string_view number, bool national);

    // Moves the call lines that begin before end into the kept lines.
    void KeepCallLines(std::size_t end);
    // After the engine's own call commands: forgets kept "RING" and caller lines (they
    // belong to the call just answered or ended) and, when hanging up, "NO CARRIER".
    void ForgetCallLines(bool noCarrierToo);
    // AwaitDialResult's loop; with leaveNoCarrier, a "NO CARRIER" result stays in the
    // buffer as a call line.
    DialResult AwaitResultLine(std::uint32_t limitMs, const std::function<bool()>& stop,
                               bool leaveNoCarrier);

    char response_[kResponseSize] = {};
    bool isOpen_ = false;
    std::atomic<bool> deviceGone_{false};
    std::unique_ptr<SerialLine> port_;
    // Not 115200 until discovery has found the rate the modem answers at.
    std::uint32_t baudRate_ = 0;
    bool usePortScan_ = PortScanRequested();
    bool makerKnown_ = true;
    std::string maker_;
    PortOpenError openError_;

    std::string keptCallLines_;
    // The card answered "AT+CMGF=0" with an error: messages are listed and read in text
    // mode.
    bool pduModeRefused_ = false;
    std::size_t partsConfirmed_ = 0;
    // Where the answer of the last dial or tone begins in the buffer.
    std::size_t answerMark_ = 0;

    Clock& clock_;
    SerialLineFactory lineFactory_;
};

}  // namespace veltro
