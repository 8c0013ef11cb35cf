#pragma once

#include <QPlainTextEdit>
#include <QTableView>

#include "pages/DialogPage.h"
#include "pages/InboxModel.h"
#include "pages/InboxPoller.h"
#include "ui/SkinButton.h"

namespace veltro {

// The page of template 133: the received short messages. Its list is the message
// store; the main window loads and saves it as "sms.dat". Every tick of timer 1 starts
// one poll cycle (InboxPoller), one cycle at a time, as jobs of the modem session.
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

    InboxModel& Messages() { return messages_; }
    QTableView& MessageList() { return *list_; }
    QPlainTextEdit& Viewer() { return *viewer_; }
    SkinButton& ReplyButton() { return *replyButton_; }
    SkinButton& ForwardButton() { return *forwardButton_; }
    SkinButton& DeleteButton() { return *deleteButton_; }

    // Stops the message poll and the cycle still running, at once (see
    // InboxPoller::Cancel).
    void StopTimer1() override;
    bool CycleRunning() const { return poller_.Running(); }
    // Starts one cycle now unless one is running; what a tick of timer 1 does.
    void StartCycle() { poller_.Start(); }

    // Puts a message on top of the list.
    void AddMessage(InboxModel::Entry entry);
    void ShowSelectedMessage();
    void Reply();
    void Forward();
    void DeleteSelected();

signals:
    // A cycle has ended, or was stopped.
    void cycleFinished();

private:
    InboxModel messages_;
    QTableView* list_ = nullptr;
    QPlainTextEdit* viewer_ = nullptr;
    SkinButton* replyButton_ = nullptr;
    SkinButton* forwardButton_ = nullptr;
    SkinButton* deleteButton_ = nullptr;

    InboxPoller poller_;
};

}  // namespace veltro
