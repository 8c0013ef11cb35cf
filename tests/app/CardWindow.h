#pragma once

#include <QSignalSpy>

#include <memory>

#include "WindowSandbox.h"
#include "app/MainDialog.h"
#include "app/SingleInstance.h"
#include "dialup/DialupConnection.h"
#include "vcard/VirtualCard.h"

namespace veltro::test {

// The window's device start-up on the virtual card takes a few seconds; this is ample.
inline constexpr int kStartupLimitMs = 60000;

// A virtual card that answers like the real one, entered in the sandbox's device table
// under the card's modem device name. Null when its pty could not be made.
inline std::unique_ptr<vcard::VirtualCard> StartCard(const WindowSandbox& dir,
                                                     vcard::CardOptions options = {}) {
    options.manufacturer = "BenQ GSM/GPRS modem";
    auto card = std::make_unique<vcard::VirtualCard>(options);
    if (!card->Start()) {
        return nullptr;
    }
    dir.WriteTable({{DialupConnection::kModemDeviceName, card->PortName()}});
    return card;
}

// Shows the window and runs its device start-up: the outcome, or -1 when none came in
// time.
inline int RunStartup(MainDialog& dialog, SingleInstance* mark = nullptr) {
    QSignalSpy finished(&dialog, &MainDialog::startupFinished);
    dialog.Initialise(mark);
    dialog.show();
    if (!finished.wait(kStartupLimitMs) && finished.isEmpty()) {
        return -1;
    }
    return finished.at(0).at(0).toInt();
}

}  // namespace veltro::test
