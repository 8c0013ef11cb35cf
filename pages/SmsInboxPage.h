#pragma once

#include <QStandardItemModel>

#include "pages/DialogPage.h"

namespace veltro {

// The page of template 133: the received short messages. Its list is the message
// store; the main window loads and saves it as "sms.dat".
class SmsInboxPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 133;
    enum Column { kTimeColumn = 0, kNumberColumn = 1, kContentColumn = 2 };

    SmsInboxPage(PageHost& host, QWidget* parent);

    QStandardItemModel& Messages() { return messages_; }

private:
    QStandardItemModel messages_;
};

}  // namespace veltro
