#include "app/DeviceStartup.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "app/MainDialog.h"
#include "app/SimUnlock.h"
#include "dialup/DialupConnection.h"
#include "dialup/EnsureDialupEntry.h"
#include "modem/ModemEngine.h"
#include "ui/PlainText.h"

namespace veltro {

int DeviceStartup::Run(ModemEngine& engine) {
    MainDialog& w = window_;
    w.SetCanClose(0);
    w.Post([&w] {
        w.PlaceIndicator(w.NoSignalIcon(), QSize(16, 16));
        w.PlaceIndicator(w.OperatorLogo(), QSize(48, 12));
        w.PlaceIndicator(w.GprsIcon(), QSize(28, 12));
        w.NoSignalIcon().show();
        w.SetStatusText(QCoreApplication::translate("MainDialog", MainDialog::kStartingText));
        w.StatusLine().setToolTip(QString());
    });

    EnsureDialupEntry();

    Clock& clock = w.GetClock();

    char port[ModemEngine::kPortNameSize] = {};
    bool found = false;
    for (int attempt = 0; attempt < kFindAttempts && !w.StopRequested(); ++attempt) {
        if (engine.FindModem(DialupConnection::kModemDeviceName, port)) {
            found = true;
            break;
        }
        clock.SleepMs(kFindRetryPauseMs);
        engine.ClearResponse();
    }
    clock.SleepMs(kAfterSearchPauseMs);
    if (!found) {
        return Fail(kNoModem, kNoModemText, Why(engine, port));
    }

    SetDefaultBaudRate(port, kLineSpeed);
    SetDefaultBaudRate(DialupConnection::kModemDeviceName, kLineSpeed);
    const std::string portName(port);
    const bool makerKnown = engine.MakerKnown();
    const QString maker = QString::fromStdString(engine.Maker());
    w.Post([&w, portName, makerKnown, maker] {
        w.SetPortName(portName.c_str());
        w.ShowOtherMaker(
            makerKnown ? QString()
                       : QCoreApplication::translate("DeviceStartup", kOtherMakerText).arg(maker));
    });
    return Resume(engine, portName);
}

int DeviceStartup::Resume(ModemEngine& engine, const std::string& portName) {
    MainDialog& w = window_;
    w.SetCanClose(0);
    const char* port = portName.c_str();
    bool initialised = false;
    for (int attempt = 0; attempt < kInitialiseAttempts && !w.StopRequested(); ++attempt) {
        if (engine.Initialize(port)) {
            initialised = true;
            break;
        }
        if (const auto locked = attempt == 0 ? AskIfLocked(engine, portName) : std::nullopt) {
            return *locked;
        }
    }
    if (!initialised) {
        return Fail(kInitialisationFailed, kInitialisationFailedText, Why(engine, port));
    }

    bool simReady = false;
    for (int attempt = 0; attempt < kSimAttempts && !w.StopRequested(); ++attempt) {
        if (engine.CheckSimReady()) {
            simReady = true;
            break;
        }
        if (const auto locked = attempt == 0 ? AskIfLocked(engine, portName) : std::nullopt) {
            return *locked;
        }
    }
    if (!simReady) {
        return Fail(kNoSimCard, kNoSimText, Why(engine, port));
    }

    // A status other than 1 (registered) after the last round is no failure: the
    // card works without the GPRS indicator.
    int status = 0;
    for (int round = 0; round < kAttachRounds && !w.StopRequested(); ++round) {
        engine.AttachPacketService();
        engine.GetPacketRegistration(&status);
        if (status == 1) {
            w.Post([&w] { w.GprsIcon().show(); });
            break;
        }
    }

    w.Post([&w] { w.SetStatusText(QCoreApplication::translate("DeviceStartup", kSearchingText)); });
    engine.SetAutoAnswer(false);

    w.Post([&w] {
        w.OperatorLogo().show();
        w.NoSignalIcon().hide();
        w.PlaceIndicator(w.SignalIcon(), QSize(16, 16));
        w.SignalIcon().show();
        w.SetStatusText(QCoreApplication::translate("DeviceStartup", kWelcomeText));
    });
    engine.ClearResponse();

    w.Post([&w] {
        w.ConnectButton().setEnabled(true);
        w.CallButton().setEnabled(true);
        w.SmsButton().setEnabled(true);
        w.PhonebookButton().setEnabled(true);
        w.Call().StartTimer1(kCallPollMs);
        w.Inbox().StartTimer1(kInboxPollMs);
    });
    w.SetCanClose(1);
    return kSuccess;
}

std::optional<int> DeviceStartup::AskIfLocked(ModemEngine& engine, const std::string& port) {
    const SimLock::State state = engine.QuerySimLock();
    if (state != SimLock::State::Pin && state != SimLock::State::Puk) {
        return std::nullopt;
    }
    const SimLock::Retries retries = engine.QueryPinRetries();
    MainDialog& w = window_;
    w.Post([&w, state, retries, port] {
        w.SetStatusText(QCoreApplication::translate("SimUnlock", SimUnlock::kLockedText));
        w.Unlock().Ask(state, retries, port);
    });
    w.SetCanClose(1);
    return kSimLocked;
}

std::string DeviceStartup::Why(const ModemEngine& engine, const char* port) {
    if (engine.DeviceGone()) {
        return std::string("the card on /dev/") + port + " went away (pulled out or without power)";
    }
    const PortOpenError& error = engine.LastOpenError();
    return error ? error.Describe() : std::string();
}

int DeviceStartup::Fail(int outcome, const char* text, const std::string& detail) {
    MainDialog& w = window_;
    if (!detail.empty()) {
        std::fprintf(stderr, "veltrogprs: %s\n", detail.c_str());
    }
    w.Post([&w, text, detail] {
        w.SetStatusText(QCoreApplication::translate("DeviceStartup", text));
        w.StatusLine().setToolTip(PlainText::ToolTip(QString::fromStdString(detail)));
    });
    w.SetCanClose(1);
    return outcome;
}

}  // namespace veltro
