#include "pages/PhonebookPage.h"

namespace veltro {

PhonebookPage::PhonebookPage(QWidget* parent)
    : DialogPage(parent, QSize(278, 171)), entries_(0, 2) {
    entries_.setHorizontalHeaderLabels({QStringLiteral("姓名"), QStringLiteral("号码")});
}

}  // namespace veltro
