#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace veltro {

// Converts the dialog units of the program's window templates to pixels: a horizontal
// unit is a quarter of the base width, a vertical unit an eighth of the base height.
// The skin and the templates were drawn for the base units of "宋体" 9 pt, 6 x 12
// pixels; the conversion uses those (or the ones that match a skin of another size),
// never the metrics of whatever font is installed, so the controls stay on the skin.
class DialogUnits {
public:
    static constexpr int kBaseX = 6;
    static constexpr int kBaseY = 12;

    // The font every template is laid out in: "宋体" 9 pt. On Linux the name is
    // mapped to an installed Song-style face (AR PL UMing from fonts-arphic-uming).
    static QFont DialogFont();

    DialogUnits() = default;
    DialogUnits(int baseX, int baseY);
    // The base units at which a template of templateUnits covers pixels (rounded,
    // at least 1): a skin drawn at another size scales the whole layout with it.
    static DialogUnits Fitting(QSize pixels, QSize templateUnits);

    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

    int X(int units) const;
    int Y(int units) const;
    QSize ToPixels(QSize units) const;
    QRect ToPixels(QRect units) const;

private:
    int baseX_ = kBaseX;
    int baseY_ = kBaseY;
};

}  // namespace veltro
