#include "pages/DropDownComboBox.h"

namespace veltro {

void DropDownComboBox::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

}  // namespace veltro
