#include "app/CardWatch.h"

#include <QCoreApplication>
#include <cstdio>
#include <utility>

#include "app/DeviceStartup.h"
#include "app/MainDialog.h"
#include "dialup/DialupConnection.h"
#include "modem/ModemDeviceClass.h"

namespace veltro {

CardWatch::CardWatch(MainDialog& window) : window_(window) {
    timer_.setInterval(kPeriodMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

std::string CardWatch::PresentPort(const std::string& lastPort, const SerialLineFactory& lines) {
    const auto present = [&lines](const std::string& name) {
        return !name.empty() && lines(name)->DevicePresent();
    };
    const ModemDeviceClass devices = ModemDeviceClass::Load();
    bool listed = false;
    for (int index = 0; index < ModemDeviceClass::kInstanceCount; ++index) {
        const std::optional<ModemDevice> device = devices.Instance(index);
        if (!device ||
            device->friendlyName.find(DialupConnection::kModemDeviceName) == std::string::npos) {
            continue;
        }
        listed = true;
        if (present(device->attachedTo)) {
            return device->attachedTo;
        }
    }
    // Without an entry for the card (the port scan finds it), its last port stands in.
    return !listed && present(lastPort) ? lastPort : std::string();
}

void CardWatch::OnStartupFinished(int outcome, bool deviceGone) {
    if (outcome == DeviceStartup::kSuccess) {
        state_ = State::InService;
        window_.StatusLine().setToolTip(QString());
    } else if (state_ == State::Restarting || deviceGone) {
        // The card went during the sequence, or came back unusable: wait for it again.
        state_ = State::Gone;
    } else {
        state_ = State::Idle;
        timer_.stop();
        return;
    }
    timer_.start();
}

void CardWatch::Stop() {
    timer_.stop();
    state_ = State::Idle;
}

void CardWatch::Tick() {
    switch (state_) {
        case State::InService: {
            // Not while the window itself is taking the modem away or back: a dial or a
            // disconnect finds a gone card on its own.
            if (window_.Connected() == 0 && window_.CanClose() == 1 &&
                window_.Session().DeviceGone()) {
                CardLost();
            }
            break;
        }
        case State::Gone: {
            const std::string port = PresentPort(window_.PortName(), window_.LineFactory());
            if (port.empty() || port == tried_) {
                tried_ = port;
                break;
            }
            tried_ = port;
            state_ = State::Restarting;
            window_.RestartDevice();
            break;
        }
        case State::Idle:
        case State::Restarting:
            break;
    }
}

void CardWatch::CardLost() {
    // The status view replaces the call page: it says what became of the call too.
    if (const QString callCut = window_.Call().DeviceLost(); !callCut.isEmpty()) {
        cutCallText_ = callCut;
    }
    window_.Call().StopTimer1();
    // A running poll cycle ends quickly on a gone card; its messages are in "sms.dat".
    window_.Inbox().StopTimer1();
    // Queued dialogues are cancelled; the one running fails at once on the gone card;
    // then the port is released, so the system can give the card's tty back.
    window_.Session().Release({});
    std::fprintf(stderr, "veltrogprs: the card on %s has gone\n", window_.PortName());
    window_.ConnectButton().setEnabled(false);
    window_.CallButton().setEnabled(false);
    window_.SmsButton().setEnabled(false);
    window_.PhonebookButton().setEnabled(false);
    window_.SignalIcon().hide();
    window_.OperatorLogo().hide();
    window_.GprsIcon().hide();
    window_.NoSignalIcon().show();
    window_.ShowPage(MainDialog::kStatusView);
    QString text = QCoreApplication::translate("CardWatch", kCardGoneText);
    if (!cutCallText_.isEmpty()) {
        text += QStringLiteral("\n\n") + std::exchange(cutCallText_, QString());
    }
    window_.SetStatusText(text);
    window_.StatusLine().setToolTip(QString());
    state_ = State::Gone;
    tried_.clear();
    timer_.start();
}

}  // namespace veltro
