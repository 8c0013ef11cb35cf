#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <string>

#include "modem/SimLock.h"

namespace veltro {

class MainDialog;
class PinDialog;

// Unlocks a SIM that the start-up found waiting for its PIN or PUK: asks the user in a
// PinDialog, enters the code as a user job of the modem session and, once the SIM
// takes it, lets the start-up go on in the same job as for a ready SIM. A wrong code
// asks again with the tries left. The code is kept nowhere but in that job's command.
class SimUnlock : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kLockedText =
        QT_TRANSLATE_NOOP("SimUnlock", "SIM卡已锁定，请输入PIN码");
    static constexpr const char* kNotUnlockedText = QT_TRANSLATE_NOOP("SimUnlock", "SIM卡未解锁");

    explicit SimUnlock(MainDialog& window);

    // Asks for the code state calls for (Pin or Puk); notice says why it asks again.
    void Ask(SimLock::State state, SimLock::Retries retries, const std::string& port,
             const QString& notice = {});
    // The dialog while it is open, else nullptr (for tests and screenshots).
    PinDialog* OpenDialog() const { return dialog_; }
    int WrongInThisRun() const { return wrong_; }

private:
    void Enter(bool puk, const std::string& first, const std::string& second,
               const std::string& port);

    MainDialog& window_;
    PinDialog* dialog_ = nullptr;
    int wrong_ = 0;
};

}  // namespace veltro
