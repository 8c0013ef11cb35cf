#include "pages/CallPage.h"

namespace veltro {

CallPage::CallPage(PageHost& host, QWidget* parent) : DialogPage(host, parent, QSize(278, 176)) {}

}  // namespace veltro
