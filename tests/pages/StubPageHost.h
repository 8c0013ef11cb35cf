#pragma once

#include <QStandardItemModel>

#include <vector>

#include "ManualClock.h"
#include "modem/ModemSession.h"
#include "pages/PageHost.h"

namespace veltro::test {

// A main window without views or sibling pages (and without a modem unless a test
// opens the session on a line of lines), for page tests that need none of them. Pages that reach
// for a sibling page are tested in the real window.
class StubPageHost final : public PageHost {
public:
    ModemSession& Session() override { return session; }
    Clock& GetClock() const override { return clock; }
    void ShowPage(int view) override { shownView = view; }
    void ShowNewMessageIcon() override { ++newMessageIconShown; }
    void Announce(int view, const QString&, const QString&) override { announced.push_back(view); }
    void SetStatusText(const QString& text) override { statusText = text; }
    void EnableCommandButtons(bool enabled) override { commandButtonsEnabled = enabled; }
    QStandardItemModel& PhonebookEntries() override { return phonebook; }
    CallPage& Call() override { std::abort(); }
    SmsInboxPage& Inbox() override { std::abort(); }
    SmsComposePage& Compose() override { std::abort(); }
    bool SaveDataFiles() override { return saveSucceeds; }
    void Post(std::function<void()> change) override { change(); }
    int Connected() const override { return connected; }
    void ToggleConnection() override { ++toggles; }
    DialupConnection* Dialup() override { return dialup; }

    mutable ManualClock clock;
    SerialLineFactory lines;
    // Ends before the pages it reports to (they are not members).
    ModemSession session{clock, [this](std::string_view name) { return lines(name); }};
    bool commandButtonsEnabled = true;
    QStandardItemModel phonebook{0, 2};
    int shownView = -1;
    int newMessageIconShown = 0;
    std::vector<int> announced;  // the views of the notices, in order
    QString statusText;
    bool saveSucceeds = true;
    int connected = 0;
    int toggles = 0;
    DialupConnection* dialup = nullptr;
};

}  // namespace veltro::test
