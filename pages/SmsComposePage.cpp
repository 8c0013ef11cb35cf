#include "pages/SmsComposePage.h"

namespace veltro {

SmsComposePage::SmsComposePage(QWidget* parent) : DialogPage(parent, QSize(264, 157)) {}

}  // namespace veltro
