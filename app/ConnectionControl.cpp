#include "app/ConnectionControl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

#include "app/CardWatch.h"
#include "app/DeviceStartup.h"
#include "app/MainDialog.h"
#include "dialup/ConnectionStatistics.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupError.h"
#include "dialup/EnsureDialupEntry.h"
#include "modem/ModemEngine.h"

namespace veltro {

namespace {

bool AskWithMessageBox(QWidget* parent, const ConnectionControl::Question& question) {
    QMessageBox box(question.questionIcon ? QMessageBox::Question : QMessageBox::NoIcon,
                    question.title, question.text, QMessageBox::Yes | QMessageBox::No, parent);
    if (!question.detail.isEmpty()) {
        box.setInformativeText(question.detail);
    }
    return box.exec() == QMessageBox::Yes;
}

// The dial-up state's text in the window's language.
QString DialStateText(const std::string& text) {
    return QCoreApplication::translate("DialupConnection", text.c_str());
}

// The dial's result in the window's language, and pppd's own words below it when it
// gave any: they name the cause more closely than any number can.
QString DialFailure(int code, const std::string& reason) {
    struct Known {
        int code;
        const char* text;
    };
    static constexpr Known kKnown[] = {
        {DialupError::kDeviceDoesNotExist,
         QT_TRANSLATE_NOOP("ConnectionControl", "拨号设备不存在")},
        {DialupError::kCannotFindPhonebookEntry,
         QT_TRANSLATE_NOOP("ConnectionControl", "找不到拨号连接")},
        {DialupError::kCannotWritePhonebook,
         QT_TRANSLATE_NOOP("ConnectionControl", "无法保存拨号连接")},
        {DialupError::kRemoteDisconnection,
         QT_TRANSLATE_NOOP("ConnectionControl", "连接被对方断开")},
        {DialupError::kUserDisconnection, QT_TRANSLATE_NOOP("ConnectionControl", "连接已被取消")},
        {DialupError::kPortNotAvailable,
         QT_TRANSLATE_NOOP("ConnectionControl", "拨号设备不可用，或拨号程序无法启动")},
        {DialupError::kNoConnection, QT_TRANSLATE_NOOP("ConnectionControl", "连接已断开")},
        {DialupError::kNoAnswer, QT_TRANSLATE_NOOP("ConnectionControl", "对方无应答")},
        {DialupError::kNoCarrier, QT_TRANSLATE_NOOP("ConnectionControl", "没有载波信号")},
        {DialupError::kAuthenticationFailure,
         QT_TRANSLATE_NOOP("ConnectionControl", "身份验证失败")},
        {DialupError::kPppTimeout, QT_TRANSLATE_NOOP("ConnectionControl", "PPP协商超时")},
        {DialupError::kEntryNotFound, QT_TRANSLATE_NOOP("ConnectionControl", "找不到拨号连接")},
    };
    const char* text = QT_TRANSLATE_NOOP("ConnectionControl", "拨号失败");
    for (const Known& known : kKnown) {
        if (known.code == code) {
            text = known.text;
        }
    }
    QString shown = code == 0 ? QCoreApplication::translate("ConnectionControl", text)
                              : QCoreApplication::translate("ConnectionControl", "错误 %1：%2")
                                    .arg(code)
                                    .arg(QCoreApplication::translate("ConnectionControl", text));
    if (!reason.empty()) {
        shown += QLatin1Char('\n') + QString::fromStdString(reason);
    }
    return shown;
}

}  // namespace

ConnectionControl::ConnectionControl(MainDialog& window) : window_(window) {
    dialTimer_.setInterval(static_cast<int>(kDialPassMs));
    QObject::connect(&dialTimer_, &QTimer::timeout, [this] { DialTick(); });
}

ConnectionControl::~ConnectionControl() {
    JoinHangUp();
}

bool ConnectionControl::Ask(const Question& question) {
    return ask_ ? ask_(question) : AskWithMessageBox(&window_, question);
}

void ConnectionControl::ShowStatusAndLockCommands() {
    window_.ShowPage(MainDialog::kStatusView);
    window_.CallButton().setEnabled(false);
    window_.SmsButton().setEnabled(false);
    window_.PhonebookButton().setEnabled(false);
}

void ConnectionControl::ToggleConnection() {
    if (busy_ || closing_) {
        return;
    }
    ShowStatusAndLockCommands();
    // The button is enabled only while idle or connected.
    if (window_.connected_ == 1) {
        DisconnectPath();
        return;
    }
    Connect();
}

void ConnectionControl::Connect() {
    busy_ = true;
    PrepareDial();
    // The dial-up service needs the serial port: queued dialogues are dropped, the one
    // running finishes, then the engine closes the port.
    window_.Session().Release([this] { window_.Post([this] { OnLineReleased(); }); });
}

void ConnectionControl::PrepareDial() {
    window_.Call().StopTimer1();
    window_.Inbox().StopTimer1();
    window_.connected_ = 1;
    window_.ConnectButton().setEnabled(false);
    EnsureDialupEntry();
}

void ConnectionControl::OnLineReleased() {
    if (closing_ || window_.ended_) {
        return;
    }
    dialup_ = std::make_unique<DialupConnection>();
    dialup_->CreateEntry(DialupConnection::kEntryName, DialupConnection::kModemDeviceName);
    failureReason_.clear();
    const int started = dialup_->Dial({}, kDialString, "", "");
    if (started != 0) {
        // Refused at once (no device, no entry): nothing will come of waiting.
        failureReason_ = DialFailure(started, dialup_->Status.reason);
        OnDialEnded(DialOutcome::Failed);
        return;
    }
    dialStartMs_ = window_.GetClock().NowMs();
    shownDialText_.clear();
    DialTick();
    if (dialup_ && busy_) {
        dialTimer_.start();
    }
}

void ConnectionControl::DialTick() {
    if (!dialup_) {
        dialTimer_.stop();
        return;
    }
    std::string text;
    int connected = 0;
    const int final = dialup_->GetDialStatus(text, connected);
    if (text != shownDialText_) {
        window_.SetStatusText(DialStateText(text));
        shownDialText_ = text;
    }
    if (final != 0 && connected == 0) {
        failureReason_ =
            DialFailure(static_cast<int>(dialup_->Status.error), dialup_->Status.reason);
        window_.SetStatusText(DialStateText(text) + QLatin1Char('\n') + failureReason_);
        OnDialEnded(DialOutcome::Failed);
    } else if (window_.GetClock().NowMs() - dialStartMs_ > kDialLimitMs) {
        OnDialEnded(DialOutcome::TimedOut);
    } else if (final != 0) {
        OnDialEnded(DialOutcome::Connected);
    }
}

void ConnectionControl::OnDialEnded(DialOutcome outcome) {
    dialTimer_.stop();
    if (outcome == DialOutcome::Connected) {
        busy_ = false;
        EnterConnected();
        return;
    }
    Disconnect([this, outcome] {
        if (window_.ended_ || closing_) {
            return;
        }
        // A dial that failed because the card has gone is not worth another attempt.
        if (cardGone_) {
            busy_ = false;
            EnterCardGone();
            return;
        }
        Question question;
        question.title = QCoreApplication::translate("ConnectionControl", kErrorTitle);
        question.text = QCoreApplication::translate(
            "ConnectionControl",
            outcome == DialOutcome::Failed ? kErrorQuestion : kTimeOutQuestion);
        question.detail = failureReason_;
        question.questionIcon = true;
        const bool again = Ask(question);
        if (window_.ended_ || closing_) {
            return;
        }
        if (!again) {
            busy_ = false;
            ReturnToIdle();
            return;
        }
        window_.SetStatusText(QCoreApplication::translate("ConnectionControl", kRetryText));
        ShowStatusAndLockCommands();
        Connect();
    });
}

void ConnectionControl::EnterConnected() {
    StartStatistics();
    window_.ConnectButton().setText(
        QCoreApplication::translate("ConnectionControl", kDisconnectCaption));
    window_.ConnectButton().setEnabled(true);
    window_.ShowPage(MainDialog::kTrafficView);
    window_.Traffic().Start(kTrafficPeriodMs);
    window_.MinimiseToTray();
}

void ConnectionControl::DisconnectPath() {
    window_.Traffic().Stop();
    window_.ConnectButton().setEnabled(false);
    busy_ = true;
    Disconnect([this] {
        busy_ = false;
        if (closing_) {
            return;
        }
        if (cardGone_) {
            EnterCardGone();
        } else {
            ReturnToIdle();
        }
    });
}

void ConnectionControl::EnterCardGone() {
    window_.ConnectButton().setText(
        QCoreApplication::translate("ConnectionControl", kConnectCaption));
    window_.connected_ = 0;
    window_.Watch().CardLost();
}

void ConnectionControl::ReturnToIdle() {
    window_.ConnectButton().setText(
        QCoreApplication::translate("ConnectionControl", kConnectCaption));
    window_.ConnectButton().setEnabled(true);
    window_.connected_ = 0;
    window_.CallButton().setEnabled(true);
    window_.SmsButton().setEnabled(true);
    window_.PhonebookButton().setEnabled(true);
    window_.Call().StartTimer1(kCallPollMs);
    window_.Inbox().StartTimer1(kInboxPollMs);
}

void ConnectionControl::Disconnect(std::function<void()> done) {
    window_.SetCanClose(0);
    window_.SetStatusText(QCoreApplication::translate("ConnectionControl", kDisconnectingText));
    HangUp([this, done = std::move(done)]() mutable {
        ReleaseStatistics();
        ReopenModem([this, done = std::move(done)] {
            if (!cardGone_) {
                window_.SetStatusText(
                    QCoreApplication::translate("DeviceStartup", DeviceStartup::kWelcomeText));
            }
            window_.SetCanClose(1);
            if (done) {
                done();
            }
        });
    });
}

// A new engine finds and initialises the modem again, each step within its own limit,
// as a job of the session. Neither failure is reported: the pages' polls simply find
// no modem.
//
// A card that has gone (its tty is not there, or goes during the search) is not
// searched for: both limits would only be waited out.
void ConnectionControl::ReopenModem(std::function<void()> done) {
    const std::string lastPort = window_.PortName();
    cardGone_ = CardWatch::PresentPort(lastPort, window_.LineFactory()).empty();
    if (cardGone_) {
        done();
        return;
    }
    auto finish = [this, done](bool gone) {
        window_.Post([this, done, gone] {
            cardGone_ = gone;
            done();
        });
    };
    ModemSession& session = window_.Session();
    session.Open(
        [&session, lastPort, finish](ModemEngine& engine) {
            Clock& clock = session.GetClock();
            char port[ModemEngine::kPortNameSize] = {};
            bool found = false;
            bool gone = false;
            const std::uint64_t searchStart = clock.NowMs();
            while (clock.NowMs() - searchStart < kModemSearchLimitMs) {
                if (engine.FindModem(DialupConnection::kModemDeviceName, port)) {
                    found = true;
                    break;
                }
                if (CardWatch::PresentPort(lastPort, session.Lines()).empty()) {
                    gone = true;
                    break;
                }
                clock.SleepMs(kModemRetryPauseMs);
            }
            const std::uint64_t initialiseStart = clock.NowMs();
            while (found && clock.NowMs() - initialiseStart < kModemInitialiseLimitMs) {
                if (engine.Initialize(port)) {
                    break;
                }
                if (engine.DeviceGone()) {
                    gone = true;
                    break;
                }
                clock.SleepMs(kModemRetryPauseMs);
            }
            finish(gone);
        },
        [finish] { finish(false); });
}

void ConnectionControl::RequestClose() {
    if (window_.CanClose() == 0 || closing_) {
        return;
    }
    if (window_.connected_ == 1) {
        Question question;
        question.title = QCoreApplication::translate("ConnectionControl", kCloseTitle);
        question.text = QCoreApplication::translate("ConnectionControl", kCloseQuestion);
        if (!Ask(question) || closing_ || window_.CanClose() == 0) {
            return;
        }
    }
    CloseConfirmed();
}

void ConnectionControl::CloseConfirmed() {
    closing_ = true;
    EndConnectionForClose([this] {
        if (window_.SaveBeforeEnd()) {
            window_.End();
            return;
        }
        // The window stays: back to a state the user can go on from.
        closing_ = false;
        busy_ = false;
        if (window_.connected_ == 1 && !dialup_) {
            if (cardGone_) {
                EnterCardGone();
            } else {
                ReturnToIdle();
            }
        }
    });
}

void ConnectionControl::EndForSession() {
    closing_ = true;
    dialTimer_.stop();
    JoinHangUp();
    if (dialup_) {
        // The session is ending: pppd is ended here and now, the modem not taken back.
        dialup_->HangUp();
        ReleaseStatistics();
        dialup_.reset();
    }
    if (!window_.SaveDataFiles()) {
        std::fprintf(stderr, "veltrogprs: the phonebook or the messages could not be saved in %s\n",
                     qPrintable(QDir::currentPath()));
    }
    window_.End();
}

void ConnectionControl::EndConnectionForClose(std::function<void()> done) {
    if (window_.connected_ != 1) {
        done();
        return;
    }
    if (window_.ConnectButton().isEnabled()) {
        window_.Call().StopTimer1();
        window_.Inbox().StopTimer1();
        window_.ShowPage(MainDialog::kStatusView);
        window_.Traffic().Stop();
        window_.ConnectButton().setEnabled(false);
        busy_ = true;
        Disconnect(std::move(done));
    } else {
        AbandonDial(std::move(done));
    }
}

// A dial whose line is still being let go never starts (closing_); one under way is
// hung up.
void ConnectionControl::AbandonDial(std::function<void()> done) {
    dialTimer_.stop();
    if (!dialup_) {
        done();
        return;
    }
    HangUp([done = std::move(done)] {
        ReleaseStatistics();
        done();
    });
}

void ConnectionControl::HangUp(std::function<void()> done) {
    if (!dialup_) {
        done();
        return;
    }
    std::shared_ptr<DialupConnection> dialup = std::move(dialup_);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    JoinHangUp();
    hangUpThread_ = std::thread([this, dialup, done = std::move(done)]() mutable {
        dialup->HangUp();
        // The connection is dropped on this thread, after the steps that follow.
        window_.Post([dialup = std::move(dialup), done = std::move(done)]() mutable {
            QApplication::restoreOverrideCursor();
            done();
            dialup.reset();
        });
    });
}

void ConnectionControl::JoinHangUp() {
    if (hangUpThread_.joinable()) {
        hangUpThread_.join();
    }
}

}  // namespace veltro
