#include "pages/CallPage.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLineEdit>
#include <QStandardItemModel>

#include <algorithm>
#include <optional>

#include "modem/ModemEngine.h"
#include "modem/PhoneNumber.h"
#include "pages/DialogUnits.h"
#include "pages/ModemJob.h"
#include "pages/PhonebookPage.h"

namespace veltro {

namespace {

struct KeyControl {
    char key;
    const char* text;
    QRect units;
};
constexpr KeyControl kKeys[] = {
    {'1', "&1", {35, 44, 34, 24}}, {'2', "&2", {74, 44, 34, 24}},  {'3', "&3", {113, 44, 34, 24}},
    {'4', "&4", {35, 70, 34, 24}}, {'5', "&5", {74, 70, 34, 24}},  {'6', "&6", {113, 70, 34, 24}},
    {'7', "&7", {35, 96, 34, 24}}, {'8', "&8", {74, 96, 34, 24}},  {'9', "&9", {113, 96, 34, 24}},
    {'*', "*", {35, 122, 34, 24}}, {'0', "&0", {74, 122, 34, 24}}, {'#', "#", {113, 122, 34, 24}},
};

}  // namespace

CallPage::CallPage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(278, 176)), ring_(this) {
    const DialogUnits units;
    auto place = [&units](QWidget* widget, QRect rect) {
        widget->setGeometry(units.ToPixels(rect));
    };

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    place(frame, {27, 31, 227, 123});
    for (const KeyControl& control : kKeys) {
        auto* button = new SkinButton(QString::fromUtf8(control.text), this);
        place(button, control.units);
        keys_.push_back({control.key, button});
        connect(button, &QPushButton::clicked, this, [this, key = control.key] { PressKey(key); });
    }
    callButton_ = new SkinButton(QCoreApplication::translate("CallPage", "呼/接(&C)"), this);
    hangUpButton_ = new SkinButton(QCoreApplication::translate("CallPage", "挂断(&H)"), this);
    place(callButton_, {156, 85, 87, 28});
    place(hangUpButton_, {156, 117, 87, 28});
    std::vector<SkinButton*> buttons{hangUpButton_, callButton_};
    for (const KeyButton& key : keys_) {
        buttons.push_back(key.button);
    }
    for (SkinButton* button : buttons) {
        button->gradientFace = true;
        button->SetStyle(SkinButton::kFlat);
    }

    status_ = new QLabel(this);
    // It shows the caller's number as the network gives it: never as markup.
    status_->setTextFormat(Qt::PlainText);
    place(status_, {29, 1, 226, 8});

    numberBox_ = new DropDownComboBox(this);
    numberBox_->setEditable(true);
    numberBox_->setInsertPolicy(QComboBox::NoInsert);
    numberBox_->setMaxVisibleItems(8);
    // The template's height is that of the open list; the closed box is one line.
    const QRect box = units.ToPixels(QRect(27, 12, 227, 110));
    numberBox_->setGeometry(box.x(), box.y(), box.width(), numberBox_->sizeHint().height());

    connect(callButton_, &QPushButton::clicked, this, &CallPage::CallOrAnswer);
    connect(hangUpButton_, &QPushButton::clicked, this, &CallPage::HangUp);
    connect(numberBox_, &DropDownComboBox::aboutToDropDown, this, &CallPage::FillNumberList);
    connect(&Timer1(), &QTimer::timeout, this, &CallPage::Poll);
    connect(&clock_, &QTimer::timeout, this, &CallPage::ClockTick);
}

SkinButton& CallPage::Key(char key) {
    const auto found = std::find_if(keys_.begin(), keys_.end(),
                                    [key](const KeyButton& button) { return button.key == key; });
    return *found->button;
}

QString CallPage::TimeText(const char* format, std::uint32_t seconds) {
    return QString::asprintf(QCoreApplication::translate("CallPage", format).toUtf8().constData(),
                             static_cast<int>(seconds / 3600),
                             static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
}

void CallPage::SetStatus(const char* text) {
    SetStatus(QCoreApplication::translate("CallPage", text));
}

void CallPage::SetStatus(const QString& text) {
    status_->setText(text);
}

void CallPage::PressKey(char key) {
    numberBox_->setEditText(numberBox_->currentText() + QLatin1Char(key));
    ModemSession& session = Host().Session();
    if (!session.HasEngine()) {
        return;
    }
    // A tone goes out on every key, in a call or not, in the order pressed; its job
    // ends with its answer, which must not pass for the answer of a dial after it.
    RunModemJob<bool>(
        session, ModemSession::Priority::User, this,
        [tone = std::string(1, key)](ModemEngine& engine) {
            return engine.SendTone(tone) && engine.AwaitToneResult();
        },
        [](std::optional<bool>) {});
}

QString CallPage::NumberToDial(const QString& text) {
    const qsizetype open = text.indexOf(QLatin1Char('('));
    const qsizetype close = text.indexOf(QLatin1Char(')'));
    // "(010) 8888 6666" is a number written with brackets, not a name and its number.
    const QString before = text.left(std::max<qsizetype>(open, 0));
    const bool named = std::any_of(before.begin(), before.end(), [](QChar c) {
        return !c.isDigit() && !QStringLiteral("+ -.").contains(c);
    });
    if (open >= 0 && close > open && named) {
        return text.mid(open + 1, close - open - 1);
    }
    return text;
}

void CallPage::CallOrAnswer() {
    ModemSession& session = Host().Session();
    if (!session.HasEngine() || (callInProgress_ && !ringing_)) {
        return;
    }
    ring_.Stop();
    if (ringing_) {
        RunModemJob<bool>(
            session, ModemSession::Priority::User, this,
            [](ModemEngine& engine) {
                for (int attempt = 0; attempt < kAnswerAttempts; ++attempt) {
                    if (engine.Answer()) {
                        return true;
                    }
                }
                return false;
            },
            [](std::optional<bool>) {});
        // Answered or not, the call is up from here: the clock runs from 0 and the
        // call ends by hang-up or "NO CARRIER". Leftover rings no longer count.
        callInProgress_ = true;
        ringing_ = false;
        callButton_->setEnabled(false);
        StartCounting();
        clock_.start(kClockMs);
        return;
    }
    const QString text = numberBox_->currentText();
    if (text.isEmpty()) {
        SetStatus(kEnterNumberText);
        return;
    }
    const std::string number = PhoneNumber::Clean(NumberToDial(text).toStdString());
    if (const std::optional<std::string> refused = PhoneNumber::RefusedForDial(number)) {
        SetStatus(QCoreApplication::translate(
                      "CallPage", "%1：号码不能含有“%2”（它会改变发给调制解调器的拨号命令）")
                      .arg(QCoreApplication::translate("CallPage", kDialFailedText),
                           QString::fromStdString(*refused)));
        return;
    }
    Dial(QString::fromStdString(number));
}

void CallPage::Dial(const QString& number) {
    callSeconds_ = 0;
    counting_ = false;
    callInProgress_ = true;
    callButton_->setEnabled(false);
    Host().EnableCommandButtons(false);
    SetStatus(kDiallingText);
    clock_.start(kClockMs);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    dialStop_ = stop;
    ModemSession& session = Host().Session();
    RunModemJob<DialResult>(
        session, ModemSession::Priority::User, this,
        [&session, stop, number = number.toStdString()](ModemEngine& engine) {
            if (!engine.Dial(number)) {
                return DialResult::NotSent;
            }
            return engine.AwaitDialResult(ModemEngine::kDialResultLimitMs, [&session, stop] {
                return stop->load() || session.Interrupting();
            });
        },
        [this, stop](std::optional<DialResult> result) {
            OnDialResult(stop, result.value_or(DialResult::NotSent));
        });
}

void CallPage::OnDialResult(const std::shared_ptr<std::atomic<bool>>& stop, DialResult result) {
    // A dial the user hung up, or that the card's going cut, is over already.
    if (stop != dialStop_ || stop->load()) {
        return;
    }
    dialStop_.reset();
    switch (result) {
        case DialResult::Answered:
            StartCounting();
            SetStatus(TimeText(kCallTimeFormat, 0));
            return;
        case DialResult::Interrupted:
            return;
        case DialResult::NoCarrier:
            SetStatus(kNotConnectedText);
            break;
        case DialResult::Busy:
            SetStatus(kBusyText);
            break;
        case DialResult::NoAnswer:
            SetStatus(kNoAnswerText);
            break;
        case DialResult::TimedOut:
            // The network never said: end the attempt on the card as well.
            RunModemJob<bool>(
                Host().Session(), ModemSession::Priority::User, this,
                [](ModemEngine& engine) { return engine.HangUp(); }, [](std::optional<bool>) {});
            SetStatus(kNoAnswerText);
            break;
        case DialResult::Error:
        case DialResult::NotSent:
            SetStatus(kDialFailedText);
            break;
    }
    EndCall();
}

void CallPage::StopDialWait() {
    if (dialStop_) {
        dialStop_->store(true);
        dialStop_.reset();
    }
}

void CallPage::HangUp() {
    ModemSession& session = Host().Session();
    if (!session.HasEngine()) {
        return;
    }
    StopDialWait();
    ring_.Stop();
    UpdateCallSeconds();
    const bool neverConnected = callInProgress_ && !counting_ && !ringing_;
    counting_ = false;
    callInProgress_ = false;
    ringing_ = false;
    clock_.stop();
    RunModemJob<bool>(
        session, ModemSession::Priority::User, this,
        [](ModemEngine& engine) { return engine.HangUp(); }, [](std::optional<bool>) {});
    if (neverConnected) {
        SetStatus(kCancelledText);
    } else {
        SetStatus(TimeText(kCallEndedFormat, callSeconds_));
    }
    Host().EnableCommandButtons(true);
    callButton_->setEnabled(true);
}

void CallPage::Poll() {
    ModemSession& session = Host().Session();
    if (pollQueued_ || !session.HasEngine()) {
        return;
    }
    pollQueued_ = true;
    RunModemJob<std::vector<CallEvent>>(
        session, ModemSession::Priority::Background, this,
        [](ModemEngine& engine) {
            std::uint32_t count = 0;
            if (engine.DrainInput(&count) == 0) {
                return std::vector<CallEvent>{};
            }
            return engine.TakeCallEvents();
        },
        [this](std::optional<std::vector<CallEvent>> events) {
            pollQueued_ = false;
            if (events) {
                OnEvents(*events);
            }
        });
}

void CallPage::OnEvents(const std::vector<CallEvent>& events) {
    bool rang = false;
    for (const CallEvent& event : events) {
        switch (event.kind) {
            case CallEvent::Kind::Ring:
                if (!callInProgress_) {
                    Incoming();
                    rang = true;
                }
                break;
            case CallEvent::Kind::Caller:
                if (ringing_ && !callInProgress_) {
                    ShowCaller(event.number);
                }
                break;
            case CallEvent::Kind::NoCarrier:
                // While a dial waits, its own job reads how it ended.
                if ((callInProgress_ || ringing_) && !DialPending()) {
                    RemoteHungUp();
                }
                break;
        }
    }
    if (rang && ringing_ && !callerShown_) {
        SetStatus(kNoCallerText);
    }
}

void CallPage::Incoming() {
    if (!ringing_) {
        // A new call: the previous call's number and time are no longer its own.
        callerShown_ = false;
        numberBox_->setEditText(QString());
        Host().Announce(PageHost::kCallView,
                        QCoreApplication::translate("CallPage", kCallNoticeTitle),
                        QCoreApplication::translate("CallPage", kNoCallerText));
    }
    Host().EnableCommandButtons(false);
    if (isHidden()) {
        Host().ShowPage(PageHost::kCallView);
    }
    ring_.Start();
    SetStatus(kIncomingText);
    ringing_ = true;
    callSeconds_ = 0;
}

void CallPage::ShowCaller(const std::optional<std::string>& number) {
    // A withheld number comes empty and counts as one that cannot be shown.
    if (!number || number->empty()) {
        return;
    }
    numberBox_->setEditText(QString::fromStdString(*number));
    SetStatus(kIncomingText);
    if (!callerShown_ && ringing_) {
        Host().Announce(PageHost::kCallView,
                        QCoreApplication::translate("CallPage", kCallNoticeTitle),
                        QCoreApplication::translate("CallPage", kIncomingText) +
                            QString::fromStdString(*number));
    }
    callerShown_ = true;
}

void CallPage::RemoteHungUp() {
    UpdateCallSeconds();
    const bool neverConnected = callInProgress_ && !counting_ && !ringing_;
    if (neverConnected) {
        SetStatus(kNotConnectedText);
    } else {
        SetStatus(TimeText(kRemoteHungUpFormat, callSeconds_));
    }
    EndCall();
}

void CallPage::EndCall() {
    StopDialWait();
    ring_.Stop();
    counting_ = false;
    clock_.stop();
    Host().EnableCommandButtons(true);
    callButton_->setEnabled(true);
    callInProgress_ = false;
    ringing_ = false;
}

QString CallPage::DeviceLost() {
    StopDialWait();
    if (!callInProgress_ && !ringing_) {
        return {};
    }
    UpdateCallSeconds();
    ring_.Stop();
    counting_ = false;
    clock_.stop();
    callInProgress_ = false;
    ringing_ = false;
    const QString text = TimeText(kCallLostFormat, callSeconds_);
    SetStatus(text);
    callButton_->setEnabled(true);
    return text;
}

void CallPage::StartCounting() {
    counting_ = true;
    callSeconds_ = 0;
    countStartMs_ = Host().GetClock().NowMs();
}

void CallPage::UpdateCallSeconds() {
    if (counting_) {
        callSeconds_ =
            static_cast<std::uint32_t>((Host().GetClock().NowMs() - countStartMs_) / 1000);
    }
}

void CallPage::ClockTick() {
    if (!counting_) {
        return;
    }
    UpdateCallSeconds();
    SetStatus(TimeText(kCallTimeFormat, callSeconds_));
}

void CallPage::FillNumberList() {
    const QString typed = numberBox_->currentText();
    numberBox_->clear();
    const QStandardItemModel& entries = Host().PhonebookEntries();
    QStringList items;
    for (int row = 0; row < entries.rowCount(); ++row) {
        items << entries.index(row, PhonebookPage::kNameColumn).data().toString() +
                     QLatin1Char('(') +
                     entries.index(row, PhonebookPage::kNumberColumn).data().toString() +
                     QLatin1Char(')');
    }
    std::sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    numberBox_->addItems(items);
    numberBox_->setEditText(typed);
}

}  // namespace veltro
