#pragma once

#include <QComboBox>

namespace veltro {

// A combo box that announces its drop-down before the list opens, so the owner can fill
// the list with what is current at that moment.
class DropDownComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void aboutToDropDown();
};

}  // namespace veltro
