#include "pages/PhonebookPage.h"

namespace veltro {

PhonebookPage::PhonebookPage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(278, 171)), entries_(0, 2) {
    entries_.setHorizontalHeaderLabels({QStringLiteral("姓名"), QStringLiteral("号码")});
}

}  // namespace veltro
