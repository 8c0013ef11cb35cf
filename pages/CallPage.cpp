#include "pages/CallPage.h"

namespace veltro {

CallPage::CallPage(QWidget* parent) : DialogPage(parent, QSize(278, 176)) {}

}  // namespace veltro
