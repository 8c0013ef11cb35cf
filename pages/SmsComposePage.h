#pragma once

#include "pages/DialogPage.h"

namespace veltro {

// The page of template 135: writing and sending a short message.
class SmsComposePage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 135;

    SmsComposePage(PageHost& host, QWidget* parent);
};

}  // namespace veltro
