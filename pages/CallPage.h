#pragma once

#include "pages/DialogPage.h"

namespace veltro {

// The page of template 132: the keypad for voice calls and the modem poll of timer 1.
class CallPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 132;

    CallPage(PageHost& host, QWidget* parent);
};

}  // namespace veltro
