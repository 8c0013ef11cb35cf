#include "pages/TrafficPage.h"

namespace veltro {

TrafficPage::TrafficPage(QWidget* parent) : DialogPage(parent, QSize(134, 152)) {}

}  // namespace veltro
