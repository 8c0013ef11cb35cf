#include "pages/DialogPage.h"

#include "pages/DialogUnits.h"

namespace veltro {

DialogPage::DialogPage(PageHost& host, QWidget* parent, QSize templateUnits)
    : QWidget(parent), host_(host), templateSize_(DialogUnits().ToPixels(templateUnits)) {
    setFont(DialogUnits::DialogFont());
    // Pages are drawn in the dialog colours of the application palette.
    setAutoFillBackground(true);
    resize(templateSize_);
    hide();
}

void DialogPage::StartTimer1(int periodMs) {
    timer1_.start(periodMs);
}

void DialogPage::StopTimer1() {
    timer1_.stop();
}

}  // namespace veltro
