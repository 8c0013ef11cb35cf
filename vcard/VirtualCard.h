#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vcard/CardFault.h"
#include "vcard/CardModem.h"
#include "vcard/CardOptions.h"
#include "vcard/PtyMaster.h"
#include "vcard/SentMessage.h"

namespace veltro::vcard {

// A GSM/GPRS data card on a pseudo-terminal. Start() creates the pty; any client (the
// program, gammu, minicom) opens PortName()/DevicePath() like a serial port and talks AT
// to it. The card runs its own thread; every member is safe to call from any thread.
//
// The card keeps its state (SIM messages, stored rate) across Stop()/Unplug() and a
// later Start(), which is a power cycle on a new pty.
class VirtualCard {
public:
    explicit VirtualCard(CardOptions options = {});
    ~VirtualCard();
    VirtualCard(const VirtualCard&) = delete;
    VirtualCard& operator=(const VirtualCard&) = delete;

    // Opens the pty and starts answering. False if no pty could be made.
    bool Start();
    void Stop();
    bool Running() const;

    // Short name for SerialPort ("pts/7") and the full path ("/dev/pts/7").
    std::string PortName() const;
    std::string DevicePath() const;

    // The outside world.
    void IncomingCall(const std::string& number);  // RING (+CLIP) every few seconds
    void RemoteHangUp();                           // NO CARRIER; ends a data session too
    // Stores a received message on the SIM as unread; a long text becomes a concatenated
    // message over several slots. The index of its first part, or -1 when the SIM has
    // no room for all parts.
    int AddMessage(const std::string& number, const std::string& utf8Text);
    // Stores one message as built (DeliverPduBuilder): parts in any order, 8-bit data.
    // Its index, or -1 when the SIM is full.
    int StoreMessage(const StoredMessage& message);
    // Called on the card's thread with every command line as it arrives.
    void SetLineListener(std::function<void(const std::string&)> listener);
    void SetSignal(int value);
    void SetDialAnswerDelay(std::uint32_t ms);  // the far end picks up after ms
    void SetRegistration(int status);
    void SetSim(SimState state);
    // The pty goes away as if the card were pulled out; Start() plugs it in again.
    void Unplug();

    // Faults. A fault applies to command lines that begin with linePrefix (case does not
    // matter, e.g. "AT+CNMI"), for the next `times` lines or, with -1, until cleared.
    void SetFault(const std::string& linePrefix, CardFault fault, int times = -1);
    void ClearFaults();
    void SetAnswerDelay(std::uint32_t ms);  // every answer comes this much later
    void SetDeadLine(bool dead);            // hears nothing, says nothing

    // What the card saw and did.
    std::vector<std::string> ReceivedLines() const;     // every command line, without CR
    std::vector<SentMessage> SentMessages() const;      // accepted AT+CMGS submissions
    std::vector<StoredMessage> StoredMessages() const;  // SIM slots in index order
    std::string Tones() const;                          // AT+VTS characters, in order
    std::uint32_t BaudRate() const;                     // the rate it answers at now
    bool InDataMode() const;
    bool InCall() const;
    std::uint64_t DataBytesSent() const;
    std::uint64_t DataBytesReceived() const;

private:
    void Run();
    void Wake();
    void Pump(std::uint64_t nowMs);

    mutable std::mutex mutex_;
    CardModem modem_;
    PtyMaster pty_;
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int wakeFd_;  // eventfd that interrupts the card thread's poll
    bool started_ = false;
};

}  // namespace veltro::vcard
