#include "pages/TrafficPage.h"

namespace veltro {

TrafficPage::TrafficPage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(134, 152)) {}

}  // namespace veltro
