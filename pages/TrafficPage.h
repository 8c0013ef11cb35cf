#pragma once

#include "pages/DialogPage.h"

namespace veltro {

// The page of template 131: the connection's time, bytes and speeds while connected.
class TrafficPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 131;

    TrafficPage(PageHost& host, QWidget* parent);
};

}  // namespace veltro
