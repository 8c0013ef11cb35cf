#include "app/ConnectionControl.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "app/CardWatch.h"
#include "app/DeviceStartup.h"
#include "app/MainDialog.h"
#include "dialup/ConnectionStatistics.h"
#include "dialup/DialupConnection.h"
#include "dialup/EnsureDialupEntry.h"
#include "modem/MessagePump.h"
#include "modem/ModemEngine.h"
#include "pages/OffThread.h"

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

}  // namespace

ConnectionControl::ConnectionControl(MainDialog& window) : window_(window) {}

ConnectionControl::~ConnectionControl() = default;

void ConnectionControl::Pump() {
    PumpOneMessage();
}

void ConnectionControl::PauseResponsive(std::uint32_t ms) {
    Clock& clock = window_.GetClock();
    const std::uint64_t end = clock.NowMs() + ms;
    for (std::uint64_t now = clock.NowMs(); now < end; now = clock.NowMs()) {
        Pump();
        clock.SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(kPumpSliceMs, end - now)));
    }
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
    ShowStatusAndLockCommands();
    if (window_.ConnectButton().text() != QString::fromUtf8(kConnectCaption)) {
        DisconnectPath();
        return;
    }
    Connect();
}

// One attempt after another while the user answers Yes; a loop, so that a hundred
// retries cost no more stack than one.
void ConnectionControl::Connect() {
    for (;;) {
        PrepareDial();
        const DialOutcome outcome = WaitForDial();
        if (outcome == DialOutcome::Connected) {
            EnterConnected();
            return;
        }
        if (outcome == DialOutcome::Abandoned) {
            return;
        }
        Disconnect();
        if (window_.ended_) {
            return;
        }
        // A dial that failed because the card has gone is not worth another attempt.
        if (cardGone_) {
            EnterCardGone();
            return;
        }
        Question question;
        question.title = QString::fromUtf8(kErrorTitle);
        question.text =
            QString::fromUtf8(outcome == DialOutcome::Failed ? kErrorQuestion : kTimeOutQuestion);
        question.detail = failureReason_;
        question.questionIcon = true;
        if (!Ask(question) || window_.ended_) {
            if (!window_.ended_) {
                ReturnToIdle();
            }
            return;
        }
        window_.SetStatusText(QString::fromUtf8(kRetryText));
        ShowStatusAndLockCommands();
    }
}

void ConnectionControl::PrepareDial() {
    window_.Call().StopTimer1();
    window_.Inbox().StopTimer1();
    window_.connected_ = 1;
    window_.ConnectButton().setEnabled(false);
    EnsureDialupEntry();
    GiveUpEngine();
    dialup_ = std::make_unique<DialupConnection>();
    dialup_->CreateEntry(DialupConnection::kEntryName, DialupConnection::kModemDeviceName);
    failureReason_.clear();
}

// The dial-up service needs the serial port: the engine closes it.
void ConnectionControl::GiveUpEngine() {
    if (ModemEngine* engine = window_.Engine()) {
        // Let a dialogue of another thread (an inbox poll) finish first.
        ModemClaim claim(engine->Gate(), ModemGate::Wait::Pumping);
        engine->ClearResponse();
    }
    window_.SetEngine(nullptr);
}

ConnectionControl::DialOutcome ConnectionControl::WaitForDial() {
    Clock& clock = window_.GetClock();
    const int started = dialup_->Dial({}, kDialString, "", "");
    const std::uint64_t start = clock.NowMs();
    if (started != 0) {
        // Refused at once (no device, no entry): nothing will come of waiting.
        failureReason_ = QStringLiteral("error %1").arg(started);
        return DialOutcome::Failed;
    }
    std::string shown;
    for (;;) {
        Pump();
        if (!dialup_ || window_.ended_) {
            return DialOutcome::Abandoned;
        }
        std::string text;
        int connected = 0;
        const int final = dialup_->GetDialStatus(text, connected);
        if (text != shown) {
            window_.SetStatusText(QString::fromStdString(text));
            shown = text;
        }
        PauseResponsive(kDialPassMs);
        if (!dialup_ || window_.ended_) {
            return DialOutcome::Abandoned;
        }
        if (final != 0 && connected == 0) {
            failureReason_ = QString::fromStdString(dialup_->Status.reason);
            if (!failureReason_.isEmpty()) {
                window_.SetStatusText(QString::fromStdString(text) + QLatin1Char('\n') +
                                      failureReason_);
            }
            return DialOutcome::Failed;
        }
        if (clock.NowMs() - start > kDialLimitMs) {
            return DialOutcome::TimedOut;
        }
        if (final != 0) {
            return DialOutcome::Connected;
        }
    }
}

void ConnectionControl::EnterConnected() {
    StartStatistics();
    window_.ConnectButton().setText(QString::fromUtf8(kDisconnectCaption));
    window_.ConnectButton().setEnabled(true);
    window_.ShowPage(MainDialog::kTrafficView);
    window_.Traffic().Start(kTrafficPeriodMs);
    window_.MinimiseToTray();
}

void ConnectionControl::DisconnectPath() {
    window_.Traffic().Stop();
    window_.ConnectButton().setEnabled(false);
    Disconnect();
    if (cardGone_) {
        EnterCardGone();
    } else {
        ReturnToIdle();
    }
}

void ConnectionControl::EnterCardGone() {
    window_.ConnectButton().setText(QString::fromUtf8(kConnectCaption));
    window_.connected_ = 0;
    window_.Watch().CardLost();
}

void ConnectionControl::ReturnToIdle() {
    window_.ConnectButton().setText(QString::fromUtf8(kConnectCaption));
    window_.ConnectButton().setEnabled(true);
    window_.connected_ = 0;
    window_.CallButton().setEnabled(true);
    window_.SmsButton().setEnabled(true);
    window_.PhonebookButton().setEnabled(true);
    window_.Call().StartTimer1(kCallPollMs);
    window_.Inbox().StartTimer1(kInboxPollMs);
}

void ConnectionControl::Disconnect() {
    window_.SetCanClose(0);
    window_.SetStatusText(QString::fromUtf8(kDisconnectingText));
    Pump();

    if (dialup_) {
        HangUp(*dialup_);
    }
    Pump();

    ReleaseStatistics();
    dialup_.reset();
    ReopenModem();

    if (!cardGone_) {
        window_.SetStatusText(QString::fromUtf8(DeviceStartup::kWelcomeText));
    }
    window_.SetCanClose(1);
}

// A new engine finds and initialises the modem again, each step within its own limit.
// Neither failure is reported: the pages' polls simply find no modem. The dialogue
// (with the modem layer's fixed pauses) runs on a helper thread while this thread keeps
// the window running; nothing else talks to the modem meanwhile, as the claim shows.
//
// A card that has gone (its tty is not there, or goes during the search) is not
// searched for: both limits would only be waited out.
void ConnectionControl::ReopenModem() {
    const std::string lastPort = window_.PortName();
    const SerialLineFactory& lines = window_.LineFactory();
    cardGone_ = CardWatch::PresentPort(lastPort, lines).empty();
    if (cardGone_) {
        window_.SetEngine(nullptr);
        return;
    }
    window_.SetEngine(std::make_unique<ModemEngine>(window_.GetClock(), window_.LineFactory()));
    ModemEngine& engine = *window_.Engine();
    Clock& clock = window_.GetClock();
    QEventLoop wait;
    std::thread worker([&] {
        ModemClaim claim(engine.Gate(), ModemGate::Wait::Blocking);
        char port[ModemEngine::kPortNameSize] = {};
        bool found = false;
        const std::uint64_t searchStart = clock.NowMs();
        while (clock.NowMs() - searchStart < kModemSearchLimitMs) {
            if (engine.FindModem(DialupConnection::kModemDeviceName, port)) {
                found = true;
                break;
            }
            if (CardWatch::PresentPort(lastPort, lines).empty()) {
                cardGone_ = true;
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
                cardGone_ = true;
                break;
            }
            clock.SleepMs(kModemRetryPauseMs);
        }
        QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
    });
    wait.exec();
    worker.join();
}

void ConnectionControl::RequestClose() {
    if (window_.CanClose() == 0) {
        return;
    }
    if (window_.connected_ == 1) {
        Question question;
        question.title = QString::fromUtf8(kCloseTitle);
        question.text = QString::fromUtf8(kCloseQuestion);
        if (!Ask(question)) {
            return;
        }
    }
    CloseConfirmed();
}

void ConnectionControl::CloseConfirmed() {
    EndConnectionForClose();
    SaveAndEnd();
}

void ConnectionControl::EndForSession() {
    if (window_.CanClose() != 0) {
        EndConnectionForClose();
    }
    if (!window_.SaveDataFiles()) {
        std::fprintf(stderr, "veltrogprs: the phonebook or the messages could not be saved in %s\n",
                     qPrintable(QDir::currentPath()));
    }
    window_.End();
}

void ConnectionControl::EndConnectionForClose() {
    if (window_.connected_ == 1) {
        if (window_.ConnectButton().isEnabled()) {
            window_.Call().StopTimer1();
            window_.Inbox().StopTimer1();
            window_.ShowPage(MainDialog::kStatusView);
            window_.Traffic().Stop();
            window_.ConnectButton().setEnabled(false);
            Disconnect();
        } else {
            AbandonDial();
        }
    }
}

// The dial wait that is still on the stack sees the connection gone and returns. The
// connection is taken first, so that a second close during the hang-up (a session end)
// finds nothing left to abandon.
void ConnectionControl::AbandonDial() {
    if (!dialup_) {
        return;
    }
    const std::unique_ptr<DialupConnection> dialup = std::move(dialup_);
    HangUp(*dialup);
    ReleaseStatistics();
}

// pppd may take seconds to end its link (and is killed after the dial service's limit):
// the hang-up waits on a helper thread while the window keeps painting.
void ConnectionControl::HangUp(DialupConnection& dialup) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RunOffThread([&dialup] { return dialup.HangUp(); });
    QApplication::restoreOverrideCursor();
}

void ConnectionControl::SaveAndEnd() {
    if (window_.SaveBeforeEnd()) {
        window_.End();
    }
}

}  // namespace veltro
