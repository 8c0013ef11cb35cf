#pragma once

#include <QString>
#include <QTimer>
#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace veltro {

class DialupConnection;
class MainDialog;

// The main window's GPRS connection: the connect button (connect or disconnect by its
// caption), the dial wait with its progress texts, the time limit and the questions
// that offer another attempt, the hang-up that takes the modem back, the return to
// idle, and the close request with its confirmation.
//
// The card has one serial port: the modem session lets the line go before a dial and
// opens a new engine after the hang-up. Nothing here waits on the user-interface
// thread: the release, the dial (a state machine on a timer), pppd's hang-up (on a
// helper thread) and the modem's return each hand over to the next step when done, so
// the window keeps painting and answering (tray, minimise, close) meanwhile.
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

    static constexpr const char* kConnectCaption = QT_TRANSLATE_NOOP("ConnectionControl", "连接");
    static constexpr const char* kDisconnectCaption =
        QT_TRANSLATE_NOOP("ConnectionControl", "断开");
    static constexpr const char* kErrorTitle = QT_TRANSLATE_NOOP("ConnectionControl", "错误");
    static constexpr const char* kErrorQuestion =
        QT_TRANSLATE_NOOP("ConnectionControl", "发生错误,是否重新连接?");
    static constexpr const char* kTimeOutQuestion =
        QT_TRANSLATE_NOOP("ConnectionControl", "在规定的时间内无法接通,是否重新连接?");
    static constexpr const char* kRetryText =
        QT_TRANSLATE_NOOP("ConnectionControl", "正在重新尝试连接...");
    static constexpr const char* kDisconnectingText =
        QT_TRANSLATE_NOOP("ConnectionControl", "正在断开连接，请稍候...");
    static constexpr const char* kCloseTitle = QT_TRANSLATE_NOOP("ConnectionControl", "关闭确认");
    static constexpr const char* kCloseQuestion =
        QT_TRANSLATE_NOOP("ConnectionControl", "是否要断开连接并关闭？");

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
    // Hangs up and takes the modem back, then runs done; the welcome text whatever
    // happened, unless the card has gone (then no modem search is made and the caller
    // shows that).
    void Disconnect(std::function<void()> done = {});
    // A dial, a hang-up or the modem's return is under way.
    bool Busy() const { return busy_; }
    // True when the last Disconnect found the card gone.
    bool CardGone() const { return cardGone_; }
    // Close button and window close: ignored while canClose is 0; asks first while
    // connected or dialling.
    void RequestClose();
    // The close once it is decided: ends a connection or a dial in progress (no dial
    // starts after it), then saves the data files and ends the window.
    void CloseConfirmed();
    // A logout, shutdown or kill: no question and no box. pppd is hung up here and now
    // (the modem is not taken back), the data files are saved, and the window ends even
    // when a save failed.
    void EndForSession();

    // The dial-up connection while dialling or connected, else nullptr.
    DialupConnection* Dialup() const { return dialup_.get(); }
    // Replaces the message boxes (tests answer the questions).
    void SetAsker(Asker asker) { ask_ = std::move(asker); }
    // How often the dial's progress is read (kDialPassMs; tests in virtual time read it
    // as fast as the window's events allow).
    void SetDialPassInterval(int ms) { dialTimer_.setInterval(ms); }

private:
    enum class DialOutcome { Connected, Failed, TimedOut };

    void Connect();
    void ShowStatusAndLockCommands();
    void PrepareDial();
    // The session has let the line go: the dial starts, unless the window is closing.
    void OnLineReleased();
    void DialTick();
    void OnDialEnded(DialOutcome outcome);
    void EnterConnected();
    void DisconnectPath();
    void ReturnToIdle();
    // The window without a connection and without a card.
    void EnterCardGone();
    void ReopenModem(std::function<void()> done);
    // Ends a dial still in progress when the window closes during it.
    void AbandonDial(std::function<void()> done);
    // pppd may take seconds to end its link: it hangs up on a helper thread, and done
    // runs on this thread afterwards.
    void HangUp(std::function<void()> done);
    void JoinHangUp();
    void EndConnectionForClose(std::function<void()> done);
    bool Ask(const Question& question);

    MainDialog& window_;
    std::unique_ptr<DialupConnection> dialup_;
    // Why the last dial failed, as the dial service tells it.
    QString failureReason_;
    bool cardGone_ = false;
    bool busy_ = false;
    // A close is confirmed: no dial starts any more.
    bool closing_ = false;
    Asker ask_;
    QTimer dialTimer_;
    std::uint64_t dialStartMs_ = 0;
    std::string shownDialText_;
    std::thread hangUpThread_;
};

}  // namespace veltro
