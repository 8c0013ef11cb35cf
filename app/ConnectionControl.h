#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace veltro {

class DialupConnection;
class MainDialog;

// The main window's GPRS connection: the connect button (connect or disconnect by its
// caption), the dial wait with its progress texts, the time limit and the questions
// that offer another attempt, the hang-up that takes the modem back, the return to
// idle, and the close request with its confirmation.
//
// The card has one serial port: the window gives its engine up before a dial and
// builds a new one after the hang-up. Every wait here runs on the user-interface
// thread in short sleeping slices that process the window's events in between, so the
// window keeps painting and answering (tray, minimise, close) without a core spinning.
class ConnectionControl {
public:
    static constexpr const char* kDialString = "*99***1#";
    static constexpr std::uint64_t kDialLimitMs = 30000;
    static constexpr std::uint32_t kDialPassMs = 100;
    static constexpr std::uint64_t kModemSearchLimitMs = 15000;
    static constexpr std::uint64_t kModemInitialiseLimitMs = 15000;
    // Pause between two failed modem searches or initialisations after a hang-up.
    static constexpr std::uint32_t kModemRetryPauseMs = 100;
    static constexpr int kTrafficPeriodMs = 1000;
    static constexpr int kCallPollMs = 950;
    static constexpr int kInboxPollMs = 5100;
    // Longest sleep between two rounds of event processing in a wait.
    static constexpr std::uint32_t kPumpSliceMs = 10;

    static constexpr const char* kConnectCaption = "连接";
    static constexpr const char* kDisconnectCaption = "断开";
    static constexpr const char* kErrorTitle = "错误";
    static constexpr const char* kErrorQuestion = "发生错误,是否重新连接?";
    static constexpr const char* kTimeOutQuestion = "在规定的时间内无法接通,是否重新连接?";
    static constexpr const char* kRetryText = "正在重新尝试连接...";
    static constexpr const char* kDisconnectingText = "正在断开连接，请稍候...";
    static constexpr const char* kCloseTitle = "关闭确认";
    static constexpr const char* kCloseQuestion = "是否要断开连接并关闭？";

    // A Yes/No question: true for Yes. detail, when not empty, is shown below the
    // question (why a dial failed).
    struct Question {
        QString title;
        QString text;
        QString detail;
        bool questionIcon = false;
    };
    using Asker = std::function<bool(const Question&)>;

    explicit ConnectionControl(MainDialog& window);
    ~ConnectionControl();

    // Connect button, and the traffic page when it finds the connection gone.
    void ToggleConnection();
    // Hangs up and takes the modem back; the welcome text whatever happened, unless the
    // card has gone (then no modem search is made and the caller shows that).
    void Disconnect();
    // True when the last Disconnect found the card gone.
    bool CardGone() const { return cardGone_; }
    // Close button and window close: ignored while canClose is 0; asks first while
    // connected or dialling.
    void RequestClose();
    // The close once it is decided: ends a connection or a dial in progress, then
    // saves the data files and ends the window.
    void CloseConfirmed();
    // A logout, shutdown or kill: no question and no box. A connection or a dial is
    // ended as a confirmed close ends it (not while the modem is being taken back),
    // the data files are saved, and the window ends even when a save failed.
    void EndForSession();

    // The dial-up connection while dialling or connected, else nullptr.
    DialupConnection* Dialup() const { return dialup_.get(); }
    // Replaces the message boxes (tests answer the questions).
    void SetAsker(Asker asker) { ask_ = std::move(asker); }

private:
    enum class DialOutcome { Connected, Failed, TimedOut, Abandoned };

    void Connect();
    void ShowStatusAndLockCommands();
    void PrepareDial();
    void GiveUpEngine();
    DialOutcome WaitForDial();
    void EnterConnected();
    void DisconnectPath();
    void ReturnToIdle();
    // The window without a connection and without a card.
    void EnterCardGone();
    void ReopenModem();
    // Ends a dial still in progress when the window closes during the wait.
    void AbandonDial();
    void HangUp(DialupConnection& dialup);
    void SaveAndEnd();
    void EndConnectionForClose();

    // Processes the window's pending events.
    void Pump();
    // Waits ms on the window's clock, processing events every kPumpSliceMs.
    void PauseResponsive(std::uint32_t ms);
    bool Ask(const Question& question);

    MainDialog& window_;
    std::unique_ptr<DialupConnection> dialup_;
    // Why the last dial failed, as the dial service tells it.
    QString failureReason_;
    bool cardGone_ = false;
    Asker ask_;
};

}  // namespace veltro
