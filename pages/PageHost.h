#pragma once

#include <QString>
#include <functional>

class QStandardItemModel;

namespace veltro {

class CallPage;
class Clock;
class DialupConnection;
class ModemSession;
class SmsComposePage;
class SmsInboxPage;

// What the pages use of the main window: its engine, its clock, its views, the
// phonebook list, the sibling pages and the status line. The main window implements
// it; page tests use a stand-in.
class PageHost {
public:
    // Views of ShowPage.
    enum View {
        kStatusView = 0,
        kTrafficView = 1,
        kCallView = 2,
        kInboxView = 3,
        kPhonebookView = 4,
        kComposeView = 5,
    };

    // The modem session: every dialogue with the card is one of its jobs. It has no
    // engine before start-up and while the dial-up connection has the line.
    virtual ModemSession& Session() = 0;
    virtual Clock& GetClock() const = 0;
    virtual void ShowPage(int view) = 0;
    virtual void ShowNewMessageIcon() = 0;
    // A new message or an incoming call: the desktop hears of it while the window is out
    // of sight, and a click on the notice shows view.
    virtual void Announce(int view, const QString& title, const QString& text) = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // Enables or disables the connect, SMS and phonebook buttons together; a call keeps
    // them disabled from its dial or first ring to its end.
    virtual void EnableCommandButtons(bool enabled) = 0;
    // The phonebook page's list: column 0 the name, column 1 the number.
    virtual QStandardItemModel& PhonebookEntries() = 0;
    virtual CallPage& Call() = 0;
    virtual SmsInboxPage& Inbox() = 0;
    virtual SmsComposePage& Compose() = 0;
    // Writes "vc.dat" and "sms.dat" now; false when either could not be written.
    virtual bool SaveDataFiles() = 0;
    // Runs the function on the user-interface thread, after every function posted
    // before it.
    virtual void Post(std::function<void()> change) = 0;
    // 1 from the start of a dial until the window is idle again.
    virtual int Connected() const = 0;
    // The connect button's handler: connects when idle, disconnects when connected.
    virtual void ToggleConnection() = 0;
    // The dial-up connection while dialling or connected, else nullptr.
    virtual DialupConnection* Dialup() = 0;

protected:
    ~PageHost() = default;
};

}  // namespace veltro
