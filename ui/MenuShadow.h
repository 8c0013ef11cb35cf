#pragma once

#include <QImage>
#include <QPainter>
#include <QRgb>
#include <QSize>

namespace veltro {

// The soft shadow along the right and bottom edges of a pop-up menu window, made by
// darkening what lay on the screen beneath the window before it appeared.
//
// The shadow is 4 pixels wide. Its lines are numbered k = 1 (outermost) to 4
// (innermost, next to the menu). Along every line the first 4 pixels (next to the
// top-right or bottom-left corner) keep the colour beneath, the next 4 are darkened by
// d = 6k, 12k, 18k, 24k and the rest by 30k; the right edge's columns, which run the
// window's full height, end with 24k, 18k, 12k, 6k. The bottom edge's rows stop where
// the columns begin. A channel c becomes c * (255 - d) / 255, rounded.
class MenuShadow {
public:
    static constexpr int kWidth = 4;

    // d of pixel i (0 at the top) of right-edge column k in a window length pixels tall.
    static int RightDarkening(int k, int i, int length);
    // d of pixel i (0 at the left) of bottom-edge row k, for i in 0 .. width - 5.
    static int BottomDarkening(int k, int i);
    static QRgb Darken(QRgb colour, int d);

    // Paints the shadow strips of a window of the given size from backdrop, the screen
    // beneath the window (at least as large as the window; pixels it lacks are taken
    // as fallback). darken false copies the backdrop unchanged (high contrast).
    static void Paint(QPainter& painter, QSize window, const QImage& backdrop, QRgb fallback,
                      bool darken);
};

}  // namespace veltro
