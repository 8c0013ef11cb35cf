#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace veltro {

// Converts the dialog units of the program's window templates to pixels with the base
// units of the dialog font: a horizontal unit is a quarter of the font's average
// letter width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    // The font every template is laid out in: "宋体" 9 pt. On Linux the name is
    // mapped to an installed Song-style face (AR PL UMing from fonts-arphic-uming).
    static QFont DialogFont();

    explicit DialogUnits(const QFont& font = DialogFont());

    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

    int X(int units) const;
    int Y(int units) const;
    QSize ToPixels(QSize units) const;
    QRect ToPixels(QRect units) const;

private:
    int baseX_;
    int baseY_;
};

}  // namespace veltro
