#include "pages/SmsInboxPage.h"

namespace veltro {

SmsInboxPage::SmsInboxPage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(319, 175)), messages_(0, 3) {
    messages_.setHorizontalHeaderLabels(
        {QStringLiteral("时间"), QStringLiteral("号码"), QStringLiteral("内容")});
}

}  // namespace veltro
