#pragma once

#include <QString>
#include <QTimer>
#include <QtGlobal>

#include <string>

#include "modem/SerialLine.h"

namespace veltro {

class MainDialog;

// Notices a card that has gone (pulled out, or without power) and one that has come
// back. Every 2 s while the card is in service it looks at the session's word that the
// port's device has gone; the window's own polls and dialogues do the I/O that finds
// it. Then it puts the window into the card-gone state: the call ended, the page polls
// stopped, the line let go (so the system can give the card's tty back when it
// returns), the four command buttons disabled and the status line saying so. While the
// card is gone it looks every 2 s, without talking to any modem, whether the card's
// tty is there again, and then runs the device start-up sequence once more.
class CardWatch {
public:
    static constexpr int kPeriodMs = 2000;
    static constexpr const char* kCardGoneText =
        QT_TRANSLATE_NOOP("CardWatch", "GPRS设备已拔出，请重新插入");

    explicit CardWatch(MainDialog& window);

    // The start-up sequence has ended with outcome: in service after a success; after a
    // failure the card is watched for only if it was seen to go.
    void OnStartupFinished(int outcome, bool deviceGone);
    // Enters the card-gone state now (also when a connection found the card gone).
    void CardLost();
    // The window is ending: no more looks.
    void Stop();

    bool IsCardGone() const { return state_ != State::InService && state_ != State::Idle; }

    // The short name of the port the card would be found on now: the port of a device
    // entry of the card whose device is there, else lastPort if its device is there;
    // empty when neither is. Reads the device table and asks lines of the factory, which
    // open nothing.
    static std::string PresentPort(const std::string& lastPort, const SerialLineFactory& lines);

private:
    enum class State {
        Idle,        // before the first start-up has ended, or after a failed one
        InService,   // the card answers: watch for it to go
        Gone,        // watch for its tty to come back
        Restarting,  // the start-up sequence runs again
    };

    void Tick();

    MainDialog& window_;
    QTimer timer_;
    State state_ = State::Idle;
    // The port a start-up was last run for while the card was gone: it is not run
    // again for the same port until that tty has gone or another has come.
    std::string tried_;
    // What the call page said of a call the card's going cut, until the status says it.
    QString cutCallText_;
};

}  // namespace veltro
