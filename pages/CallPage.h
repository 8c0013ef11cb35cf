#pragma once

#include <QLabel>
#include <QTimer>
#include <QtGlobal>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "modem/CallLines.h"
#include "pages/DialogPage.h"
#include "pages/DropDownComboBox.h"
#include "pages/RingSound.h"
#include "ui/SkinButton.h"

namespace veltro {

// The page of template 132: a telephone. A keypad, a number box that offers the
// phonebook's contacts, call/answer and hang-up, and a status line. Dial, answer,
// hang-up and tones are user jobs of the modem session, in the order pressed; the dial's
// job waits for its own final result and hands it to the page. Call events are found by
// the modem poll of timer 1 (a background job), which the window arms and stops. Timer
// 2 is the call clock.
//
// While a call is dialled, rings or is up, the window's connect, SMS and phonebook
// buttons stay disabled.
class CallPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 132;
    enum ControlId {
        kKey1 = 1006,
        kKey2 = 1008,
        kKey3 = 1009,
        kKey4 = 1010,
        kKey5 = 1011,
        kKey6 = 1012,
        kKey7 = 1013,
        kKey8 = 1014,
        kKey9 = 1015,
        kKeyStar = 1016,
        kKey0 = 1017,
        kKeyHash = 1018,
        kCallButton = 1019,
        kHangUpButton = 1020,
        kNumberBox = 1022,
        kStatusText = 1030,
    };
    static constexpr int kClockMs = 1000;
    static constexpr int kAnswerAttempts = 3;

    static constexpr const char* kEnterNumberText = QT_TRANSLATE_NOOP("CallPage", "请输入电话号码");
    static constexpr const char* kDiallingText = QT_TRANSLATE_NOOP("CallPage", "正在拨号...");
    static constexpr const char* kDialFailedText = QT_TRANSLATE_NOOP("CallPage", "拨号失败");
    static constexpr const char* kCallTimeFormat =
        QT_TRANSLATE_NOOP("CallPage", "通话时间: %02d:%02d:%02d");
    static constexpr const char* kCallEndedFormat =
        QT_TRANSLATE_NOOP("CallPage", "通话结束,通话时长: %02d:%02d:%02d");
    static constexpr const char* kIncomingText = QT_TRANSLATE_NOOP("CallPage", "有电话来自:");
    // The desktop notice's title for a call while the window is out of sight.
    static constexpr const char* kCallNoticeTitle = QT_TRANSLATE_NOOP("CallPage", "来电");
    static constexpr const char* kNoCallerText = QT_TRANSLATE_NOOP("CallPage", "来电号码无法显示");
    static constexpr const char* kRemoteHungUpFormat =
        QT_TRANSLATE_NOOP("CallPage", "对方已挂断,通话时长: %02d:%02d:%02d");
    // An outgoing call that ends before it was ever connected.
    static constexpr const char* kNotConnectedText = QT_TRANSLATE_NOOP("CallPage", "呼叫未接通");
    static constexpr const char* kCancelledText = QT_TRANSLATE_NOOP("CallPage", "呼叫已取消");
    static constexpr const char* kBusyText = QT_TRANSLATE_NOOP("CallPage", "对方忙,呼叫未接通");
    static constexpr const char* kNoAnswerText =
        QT_TRANSLATE_NOOP("CallPage", "无人接听,呼叫未接通");
    // A call cut off because the card has gone.
    static constexpr const char* kCallLostFormat =
        QT_TRANSLATE_NOOP("CallPage", "通话中断,通话时长: %02d:%02d:%02d");

    CallPage(PageHost& host, QWidget* parent);

    // Handlers of the page's controls and timers.
    void PressKey(char key);
    void CallOrAnswer();
    void HangUp();
    void Poll();
    void ClockTick();
    void FillNumberList();
    // The card has gone: a call in any state ends here, without a word to the modem,
    // and leaves the window's command buttons to the window. Returns what the page then
    // says of the cut call, or nothing when no call was on.
    QString DeviceLost();

    // A time text with seconds split into hours, minutes and seconds.
    static QString TimeText(const char* format, std::uint32_t seconds);

    std::uint32_t CallSeconds() const { return callSeconds_; }
    bool Counting() const { return counting_; }
    bool Ringing() const { return ringing_; }
    bool CallInProgress() const { return callInProgress_; }
    // A dial waits for its final result.
    bool DialPending() const { return dialStop_ != nullptr; }
    bool IsClockActive() const { return clock_.isActive(); }

    SkinButton& Key(char key);
    SkinButton& CallButton() { return *callButton_; }
    SkinButton& HangUpButton() { return *hangUpButton_; }
    DropDownComboBox& NumberBox() { return *numberBox_; }
    QLabel& Status() { return *status_; }
    RingSound& Ring() { return ring_; }

private:
    struct KeyButton {
        char key;
        SkinButton* button;
    };

    void SetStatus(const QString& text);
    // A text of this page, in the window's language.
    void SetStatus(const char* text);
    void OnEvents(const std::vector<CallEvent>& events);
    void Dial(const QString& number);
    void OnDialResult(const std::shared_ptr<std::atomic<bool>>& stop, DialResult result);
    // Tells a dial still waiting for its result to stop waiting.
    void StopDialWait();
    void Incoming();
    void ShowCaller(const std::optional<std::string>& number);
    void RemoteHungUp();
    void StartCounting();
    // The call time now: what the call clock has counted, to the second.
    void UpdateCallSeconds();
    // Back to idle: clock stopped, ring stopped, buttons enabled again.
    void EndCall();
    // The part of the number box's text to dial: between "(" and ")" for a contact.
    static QString NumberToDial(const QString& text);

    std::uint32_t callSeconds_ = 0;
    bool counting_ = false;
    bool ringing_ = false;
    bool callInProgress_ = false;
    // The ringing call's number has been shown.
    bool callerShown_ = false;
    // When counting began, by the window's clock.
    std::uint64_t countStartMs_ = 0;
    // Set while a dial's job waits for its result; storing true ends the wait.
    std::shared_ptr<std::atomic<bool>> dialStop_;
    // A poll job is queued or running: a tick does not queue another.
    bool pollQueued_ = false;

    std::vector<KeyButton> keys_;
    SkinButton* hangUpButton_ = nullptr;
    SkinButton* callButton_ = nullptr;
    QLabel* status_ = nullptr;
    DropDownComboBox* numberBox_ = nullptr;
    QTimer clock_;
    RingSound ring_;
};

}  // namespace veltro
