#include "pages/SmsComposePage.h"

namespace veltro {

SmsComposePage::SmsComposePage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(264, 157)) {}

}  // namespace veltro
