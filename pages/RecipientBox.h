#pragma once

#include <QComboBox>

#include <functional>

namespace veltro {

// The compose page's recipient box: an editable combo box that asks its owner to fill
// the list each time the list is about to drop down.
class RecipientBox : public QComboBox {
    Q_OBJECT

public:
    explicit RecipientBox(QWidget* parent = nullptr);

    void OnDropDown(std::function<void()> fill) { fill_ = std::move(fill); }
    void showPopup() override;

private:
    std::function<void()> fill_;
};

}  // namespace veltro
