#pragma once

#include <QColor>
#include <QPalette>

namespace veltro {

// The colours of every dialog box, message box and page of the program: white-grey
// text on a deep blue ground.
class DialogColours {
public:
    static constexpr QRgb kBackground = qRgb(0, 29, 143);
    static constexpr QRgb kText = qRgb(230, 230, 230);

    // The application palette with the dialog ground and text.
    static QPalette Palette();
    // Makes them the default of dialogs, message boxes and pages.
    static void Apply();
};

}  // namespace veltro
