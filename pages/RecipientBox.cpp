#include "pages/RecipientBox.h"

namespace veltro {

RecipientBox::RecipientBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void RecipientBox::showPopup() {
    if (fill_) {
        fill_();
    }
    QComboBox::showPopup();
}

}  // namespace veltro
