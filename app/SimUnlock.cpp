#include "app/SimUnlock.h"

#include <QCoreApplication>

#include "app/DeviceStartup.h"
#include "app/MainDialog.h"
#include "app/PinDialog.h"
#include "modem/ModemEngine.h"
#include "pages/ModemJob.h"

namespace veltro {

namespace {

// What entering a code came to, and the SIM's word afterwards.
struct UnlockOutcome {
    ModemEngine::UnlockResult result = ModemEngine::UnlockResult::NoAnswer;
    SimLock::State state = SimLock::State::Unknown;
    SimLock::Retries retries;
};

}  // namespace

SimUnlock::SimUnlock(MainDialog& window) : QObject(&window), window_(window) {}

void SimUnlock::Ask(SimLock::State state, SimLock::Retries retries, const std::string& port,
                    const QString& notice) {
    const bool puk = state == SimLock::State::Puk;
    PinDialog dialog(&window_, puk, puk ? retries.puk : retries.pin, puk ? 0 : wrong_, notice);
    dialog_ = &dialog;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    dialog_ = nullptr;
    if (!accepted) {
        window_.SetStatusText(QCoreApplication::translate("SimUnlock", kNotUnlockedText));
        return;
    }
    Enter(puk, (puk ? dialog.Puk() : dialog.Pin()).toStdString(),
          puk ? dialog.Pin().toStdString() : std::string(), port);
}

void SimUnlock::Enter(bool puk, const std::string& first, const std::string& second,
                      const std::string& port) {
    window_.SetCanClose(0);
    MainDialog* window = &window_;
    RunModemJob<UnlockOutcome>(
        window_.Session(), ModemSession::Priority::User, this,
        [puk, first, second, port, window](ModemEngine& engine) {
            UnlockOutcome outcome;
            outcome.result = puk ? engine.EnterPuk(first, second) : engine.EnterPin(first);
            if (outcome.result == ModemEngine::UnlockResult::Unlocked) {
                const int startup = DeviceStartup(*window).Resume(engine, port);
                window->Post([window, startup] { emit window->startupFinished(startup); });
                return outcome;
            }
            outcome.state = engine.QuerySimLock();
            outcome.retries = engine.QueryPinRetries();
            return outcome;
        },
        [this, puk, port](std::optional<UnlockOutcome> outcome) {
            if (outcome && outcome->result == ModemEngine::UnlockResult::Unlocked) {
                return;
            }
            window_.SetCanClose(1);
            if (!outcome) {
                window_.SetStatusText(QCoreApplication::translate("SimUnlock", kNotUnlockedText));
                return;
            }
            const bool wrong = outcome->result == ModemEngine::UnlockResult::Wrong;
            if (wrong && !puk) {
                ++wrong_;
            }
            if (outcome->state != SimLock::State::Pin && outcome->state != SimLock::State::Puk) {
                window_.SetStatusText(QCoreApplication::translate("SimUnlock", kNotUnlockedText));
                return;
            }
            // A third wrong PIN turns the SIM to its PUK: the dialog asks for that now.
            const char* notice = !wrong ? ""
                                 : puk  ? PinDialog::kWrongPukText
                                        : PinDialog::kWrongPinText;
            Ask(outcome->state, outcome->retries, port,
                QCoreApplication::translate("PinDialog", notice));
        });
}

}  // namespace veltro
