#pragma once

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CardLine.h"
#include "ManualClock.h"
#include "SessionSettle.h"
#include "modem/ModemEngine.h"
#include "pages/CallPage.h"
#include "pages/PageHost.h"
#include "pages/SmsComposePage.h"
#include "pages/SmsInboxPage.h"

namespace veltro::test {

constexpr int kCycleLimitMs = 30000;

// A main window for the SMS pages: the real call, inbox and compose pages and a modem
// session on the virtual card, in virtual time. "Saving" keeps a copy of the list, and
// what the SIM held at that moment.
class CardHost : public QWidget, public PageHost {
public:
    explicit CardHost(vcard::CardOptions options = {})
        : shared(std::make_shared<CardLine::Shared>(std::move(options))) {
        call = new CallPage(*this, this);
        inbox = new SmsInboxPage(*this, this);
        compose = new SmsComposePage(*this, this);
        OpenSession(session, "card", [](ModemEngine& engine) {
            engine.SetEcho(AtCommandId::EchoOff);
            engine.ClearResponse();
        });
    }
    ~CardHost() override { session.Stop(); }

    ModemSession& Session() override { return session; }
    Clock& GetClock() const override { return clock; }
    void ShowPage(int view) override { shownView = view; }
    void ShowNewMessageIcon() override { ++iconShown; }
    void Announce(int, const QString&, const QString&) override {}
    void SetStatusText(const QString& text) override { statusText = text; }
    QStandardItemModel& PhonebookEntries() override { return phonebook; }
    CallPage& Call() override { return *call; }
    SmsInboxPage& Inbox() override { return *inbox; }
    SmsComposePage& Compose() override { return *compose; }
    bool SaveDataFiles() override {
        ++saves;
        simAtSave = Stored();
        if (onSave) {
            onSave();
        }
        if (saveSucceeds) {
            saved.clear();
            for (int row = 0; row < inbox->Messages().rowCount(); ++row) {
                saved << inbox->Messages().Text(row, InboxModel::kContentColumn);
            }
        }
        return saveSucceeds;
    }
    void Post(std::function<void()> change) override {
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
    }
    int Connected() const override { return 0; }
    void EnableCommandButtons(bool) override {}
    void ToggleConnection() override {}
    DialupConnection* Dialup() override { return nullptr; }

    void Receive(const std::string& number, const std::string& text) {
        std::lock_guard lock(shared->mutex);
        shared->modem.AddMessage(number, text, clock.NowMs());
    }
    void Store(const vcard::StoredMessage& message) {
        std::lock_guard lock(shared->mutex);
        shared->modem.StoreMessage(message, clock.NowMs());
    }
    std::vector<vcard::SentMessage> Sent() {
        std::lock_guard lock(shared->mutex);
        return shared->modem.SentMessages();
    }
    int Stored() {
        std::lock_guard lock(shared->mutex);
        return shared->modem.Store().Used();
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(shared->mutex);
        return shared->modem.ReceivedLines();
    }
    int Count(const std::string& prefix) {
        const auto lines = Lines();
        return static_cast<int>(
            std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
    bool RunCycle() {
        QSignalSpy finished(inbox, &SmsInboxPage::cycleFinished);
        inbox->StartCycle();
        return finished.wait(kCycleLimitMs);
    }
    QString Content(int row) const {
        return inbox->Messages().Text(row, InboxModel::kContentColumn);
    }

    mutable ManualClock clock;
    std::shared_ptr<CardLine::Shared> shared;
    ModemSession session{clock, CardLine::Factory(clock, shared)};
    CallPage* call = nullptr;
    SmsInboxPage* inbox = nullptr;
    SmsComposePage* compose = nullptr;
    QStandardItemModel phonebook{0, 2};
    int shownView = -1;
    int iconShown = 0;
    QString statusText;
    int saves = 0;
    int simAtSave = -1;
    bool saveSucceeds = true;
    QStringList saved;
    std::function<void()> onSave;
};

}  // namespace veltro::test
