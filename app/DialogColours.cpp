#include "app/DialogColours.h"

#include <QApplication>

namespace veltro {

QPalette DialogColours::Palette() {
    QPalette palette = QApplication::palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, QColor(kBackground));
        palette.setColor(group, QPalette::WindowText, QColor(kText));
    }
    return palette;
}

void DialogColours::Apply() {
    const QPalette palette = Palette();
    QApplication::setPalette(palette, "QDialog");
    QApplication::setPalette(palette, "veltro::DialogPage");
}

}  // namespace veltro
