#pragma once

#include <QPlainTextEdit>
#include <QTableView>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "pages/DialogPage.h"
#include "pages/InboxModel.h"
#include "pages/InboxPoller.h"
#include "ui/SkinButton.h"

namespace veltro {

// The page of template 133: the received short messages. Its list is the message
// store; the main window loads and saves it as "sms.dat". Every tick of timer 1 runs
// one poll cycle (InboxPoller) on a worker thread of its own, one cycle at a time.
class SmsInboxPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 133;
    enum Column {
        kTimeColumn = InboxModel::kTimeColumn,
        kNumberColumn = InboxModel::kNumberColumn,
        kContentColumn = InboxModel::kContentColumn
    };
    enum ControlId {
        kMessageList = 1023,
        kViewer = 1024,
        kReplyButton = 1026,
        kForwardButton = 1027,
        kDeleteButton = 1028,
    };

    SmsInboxPage(PageHost& host, QWidget* parent);
    ~SmsInboxPage() override;

    InboxModel& Messages() { return messages_; }
    QTableView& MessageList() { return *list_; }
    QPlainTextEdit& Viewer() { return *viewer_; }
    SkinButton& ReplyButton() { return *replyButton_; }
    SkinButton& ForwardButton() { return *forwardButton_; }
    SkinButton& DeleteButton() { return *deleteButton_; }

    // Stops the message poll. A cycle still running is told to stop: it uses the modem
    // no more and does not start the call page's poll again. Returns once it has ended
    // (the window keeps running meanwhile), so the engine may be deleted afterwards.
    void StopTimer1() override;
    bool CycleRunning() const { return cycleRunning_.load(); }
    // Starts one cycle now unless one is running; what a tick of timer 1 does.
    void StartCycle();

    // Puts a message on top of the list.
    void AddMessage(InboxModel::Entry entry);
    void ShowSelectedMessage();
    void Reply();
    void Forward();
    void DeleteSelected();

    // For the worker: runs change on the user-interface thread and waits for its
    // result. False when the page stopped the cycle first; then change may not run.
    bool CallOnUi(std::function<bool()> change);
    // For the worker: runs change on the user-interface thread later, unless the page
    // is gone by then.
    void PostToUi(std::function<void()> change);
    bool CycleCancelled() const { return cancelled_.load(); }
    // Starts the call page's poll again, unless the cycle of this generation was
    // stopped meanwhile.
    void RestartCallPoll(int generation);
    int Generation() const { return generation_.load(); }

signals:
    // A cycle has ended (on the user-interface thread).
    void cycleFinished();

private:
    void WaitForCycle();

    InboxModel messages_;
    QTableView* list_ = nullptr;
    QPlainTextEdit* viewer_ = nullptr;
    SkinButton* replyButton_ = nullptr;
    SkinButton* forwardButton_ = nullptr;
    SkinButton* deleteButton_ = nullptr;

    InboxPoller poller_;
    std::thread worker_;
    std::atomic<bool> cycleRunning_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<int> generation_{0};
    // Shared with functions posted to the user-interface thread: false once the page
    // is gone, so that a late one does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace veltro
