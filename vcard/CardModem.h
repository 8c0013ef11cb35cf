#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vcard/AtCommand.h"
#include "vcard/CardFault.h"
#include "vcard/CardOptions.h"
#include "vcard/SentMessage.h"
#include "vcard/SmsStore.h"

namespace veltro::vcard {

// The card's behaviour: a GSM/GPRS modem of the 3GPP TS 27.007/27.005 kind, without any
// I/O. Bytes from the line go in with the time and the rate the line was set to; bytes
// for the line come out tagged with the time they are due and the rate they are sent
// at. Time is whatever clock the owner passes in, so tests can run it in virtual time.
// Not thread-safe: VirtualCard serialises the calls.
class CardModem {
public:
    struct Output {
        std::uint64_t dueMs = 0;
        std::uint32_t rate = 0;  // the card's rate when it said this
        std::string bytes;
        bool lossy = false;  // downlink data: dropped at once when the client lags
    };

    explicit CardModem(CardOptions options);

    // Bytes the line delivered while the client had it at lineRate (0: no rate set).
    void Receive(std::string_view bytes, std::uint32_t lineRate, std::uint64_t nowMs);
    // Runs the timers up to now: rings, signal reports, downlink data, escape guard.
    void Advance(std::uint64_t nowMs);
    // Takes every output that is due by now, in order.
    std::vector<Output> TakeOutput(std::uint64_t nowMs);
    // When Advance or TakeOutput next has something to do.
    std::optional<std::uint64_t> NextEventMs() const;
    // The client closed the port.
    void LineClosed(std::uint64_t nowMs);
    // Power off and on (unplug and plug in): settings return to the stored profile,
    // calls and the data session end; the SIM keeps its messages.
    void PowerCycle();

    // Events from the outside world.
    void IncomingCall(const std::string& number, std::uint64_t nowMs);
    void RemoteHangUp(std::uint64_t nowMs);
    int AddMessage(const std::string& number, const std::string& utf8Text, std::uint64_t nowMs);
    // Stores one message exactly as given (a part of a concatenated message in any
    // order, 8-bit data): its index, or -1 when the SIM is full.
    int StoreMessage(const StoredMessage& message, std::uint64_t nowMs);
    // Called with every command line as it arrives.
    void SetLineListener(std::function<void(const std::string&)> listener) {
        lineListener_ = std::move(listener);
    }
    void SetSignal(int value);
    // The far end picks up later voice calls after ms (0: at once).
    void SetDialAnswerDelay(std::uint32_t ms) { options_.dialAnswerMs = ms; }
    void SetRegistration(int status, std::uint64_t nowMs);
    void SetSim(SimState state);

    // Faults.
    void SetFault(const std::string& linePrefix, CardFault fault, int times);
    void ClearFaults();
    void SetAnswerDelay(std::uint32_t ms) { answerDelayMs_ = ms; }
    void SetDeadLine(bool dead) { dead_ = dead; }

    // What happened.
    const std::vector<std::string>& ReceivedLines() const { return receivedLines_; }
    const std::vector<SentMessage>& SentMessages() const { return sent_; }
    const std::string& Tones() const { return tones_; }
    std::uint32_t BaudRate() const { return rate_; }
    std::uint32_t StoredBaudRate() const { return storedRate_; }
    bool InDataMode() const { return mode_ == Mode::Data; }
    bool InCall() const { return call_ == Call::Active; }
    std::uint64_t DataBytesSent() const { return dataSent_; }
    std::uint64_t DataBytesReceived() const { return dataReceived_; }
    const SmsStore& Store() const { return store_; }

private:
    enum class Mode { Command, SmsBody, Data };
    enum class Call { Idle, Dialling, Ringing, Active };
    enum class Charset { Gsm, Ira, Ucs2, Latin1 };

    // The final result of one command.
    struct Reply {
        enum class Kind { Ok, Error, Cme, Cms, Code, Later } kind = Kind::Ok;
        int code = 0;
        std::string text;
        static Reply Ok() { return {}; }
        static Reply Error() { return {Kind::Error, 0, {}}; }
        static Reply Cme(int code) { return {Kind::Cme, code, {}}; }
        static Reply Cms(int code) { return {Kind::Cms, code, {}}; }
        static Reply Code(std::string verbose, int numeric) {
            return {Kind::Code, numeric, std::move(verbose)};
        }
        static Reply Later() { return {Kind::Later, 0, {}}; }
    };

    struct Fault {
        std::string prefix;  // upper case
        CardFault fault;
        int times;  // -1: every time
    };

    struct Profile {
        bool echo = true;
        bool verbose = true;
        bool quiet = false;
        int sRegisters[13] = {0, 0, 43, 13, 10, 8, 2, 50, 2, 6, 14, 95, 50};
    };

    void ProcessInput(std::uint64_t nowMs);
    void CommandByte(char c, std::uint64_t nowMs);
    void BodyByte(char c, std::uint64_t nowMs);
    void DataByte(char c, std::uint64_t nowMs);
    void ExecuteLine(const std::string& line, std::uint64_t nowMs);
    Reply Execute(const AtCommand& command, std::uint64_t nowMs);
    Reply ExecuteBasic(const AtCommand& command);
    Reply ExecuteStatus(const AtCommand& command);
    Reply ExecuteSms(const AtCommand& command);
    Reply ExecuteCall(const AtCommand& command, std::uint64_t nowMs);
    // PIN, PUK and the tries left; USSD.
    Reply ExecuteSim(const AtCommand& command);
    Reply ExecuteUssd(const AtCommand& command, std::uint64_t nowMs);
    // The line as it goes into the kept lines and to the listener: a PIN or PUK is
    // masked there.
    static std::string Masked(const std::string& line);

    // Status.
    int RegistrationStatus() const;
    std::string SignalLine(const char* prefix) const;
    Reply SimError() const;

    // SMS.
    Reply ListMessages(const AtCommand& command);
    Reply ReadMessage(const AtCommand& command);
    Reply DeleteMessage(const AtCommand& command);
    Reply StartSubmit(const AtCommand& command);
    Reply MessageStorage(const AtCommand& command);
    void FinishSubmit(std::uint64_t nowMs);
    std::string TextHeader(const StoredMessage& message, bool listing, int index) const;
    std::string TextBody(const StoredMessage& message) const;
    std::string ToTe(const std::string& utf8) const;
    std::optional<std::string> FromTe(const std::string& te) const;
    std::optional<Reply> SmsReady() const;

    // Calls and data.
    Reply Dial(const std::string& dialString, std::uint64_t nowMs);
    // The final result named by CardOptions::busyResult; NO CARRIER for any other name.
    static Reply BusyResult(const std::string& name);
    void StartData(std::uint64_t nowMs);
    void EndData(std::uint64_t nowMs);
    void Ring(std::uint64_t nowMs);
    void EndCall();

    // Output.
    void Emit(std::string bytes, std::uint64_t dueMs, bool lossy = false);
    void Unsolicited(const std::string& text, std::uint64_t nowMs);
    std::string Info(const std::string& text) const;
    std::string Final(const Reply& reply) const;
    std::string ResultCode(const char* verbose, int numeric) const;

    CardOptions options_;
    std::uint32_t rate_;
    std::uint32_t storedRate_;
    Profile profile_;
    Profile storedProfile_;
    SimState sim_;
    int pinTries_ = kPinTries;
    int pukTries_ = kPukTries;
    static constexpr int kPinTries = 3;
    static constexpr int kPukTries = 10;
    std::string ussdMenu_;  // the request whose menu waits for a reply
    int registration_;
    int signal_;
    int cgregMode_ = 0;
    int cregMode_ = 0;
    int cmee_ = 0;
    bool textMode_ = false;
    Charset charset_ = Charset::Ira;
    bool clip_ = false;
    bool crc_ = false;
    int cnmiMode_ = 0;
    int cnmiMt_ = 0;
    bool attached_ = true;
    std::map<int, std::string> contexts_;  // AT+CGDCONT definitions by context id
    int signalReportPeriod_ = 0;           // in units; 0: off
    std::uint64_t nextSignalReportMs_ = 0;

    Mode mode_ = Mode::Command;
    std::string input_;
    std::size_t inputPos_ = 0;
    std::uint64_t busyUntilMs_ = 0;
    bool inLine_ = false;
    char previous_ = 0;
    std::string linePrefix_;
    std::string line_;
    bool lineOverflow_ = false;
    std::string answer_;                        // information text of the line being executed
    std::optional<std::uint32_t> pendingRate_;  // AT+IPR takes effect after its OK
    std::deque<Output> outbox_;

    // Submission in progress.
    std::string submitDestination_;
    int submitLength_ = 0;
    std::string submitBody_;
    int nextReference_ = 0;

    // Calls.
    Call call_ = Call::Idle;
    std::string callerNumber_;
    int ringsSent_ = 0;
    std::uint64_t nextRingMs_ = 0;
    Reply dialResult_;                // what a Dialling call ends in: OK (picked up) or a failure
    std::uint64_t dialResultMs_ = 0;  // when that comes

    // Data.
    std::uint64_t nextChunkMs_ = 0;
    std::uint64_t lastDataByteMs_ = 0;
    int plusCount_ = 0;
    std::optional<std::uint64_t> escapeAtMs_;
    std::uint32_t dataSeed_ = 12345;
    std::uint64_t dataSent_ = 0;
    std::uint64_t dataReceived_ = 0;

    SmsStore store_;
    int concatReference_ = 0;
    std::function<void(const std::string&)> lineListener_;
    std::vector<Fault> faults_;
    std::uint32_t answerDelayMs_ = 0;
    bool dead_ = false;

    std::vector<std::string> receivedLines_;
    std::vector<SentMessage> sent_;
    std::string tones_;
};

}  // namespace veltro::vcard
