#pragma once

#include <QSignalSpy>

#include <cstdio>
#include <memory>

#include "WindowSandbox.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "app/SingleInstance.h"
#include "dialup/DialupConnection.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/DemoCard.h"
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

// The real window on a virtual card in a sandbox of its own, for the programs that drive
// it from main(): Open makes the card and the window, OpenDemo the same with the card
// behind --demo (its pacing and its two unread messages), Start shows the window and
// runs its start-up. Each says on standard error why it failed.
class CardWindow {
public:
    bool Open() {
        owned_ = StartCard(dir_);
        card_ = owned_.get();
        return OpenWindow();
    }
    bool OpenDemo() {
        card_ = demo_.Start(dir_.path().toStdString()) ? demo_.Card() : nullptr;
        return OpenWindow();
    }
    bool Start() {
        const int outcome = RunStartup(*dialog_);
        if (outcome != 0) {
            std::fprintf(stderr, "the window did not start (%d)\n", outcome);
            return false;
        }
        return true;
    }
    MainDialog& Dialog() { return *dialog_; }
    vcard::VirtualCard& Card() { return *card_; }

private:
    bool OpenWindow() {
        if (card_ == nullptr) {
            std::fprintf(stderr, "the virtual card did not start\n");
            return false;
        }
        DialogColours::Apply();
        Clock& clock = SystemClock::Instance();
        dialog_ = std::make_unique<MainDialog>(clock, SerialPort::Factory(clock));
        return true;
    }

    WindowSandbox dir_;
    vcard::DemoCard demo_;
    std::unique_ptr<vcard::VirtualCard> owned_;
    vcard::VirtualCard* card_ = nullptr;
    std::unique_ptr<MainDialog> dialog_;
};

}  // namespace veltro::test
