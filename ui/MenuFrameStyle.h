#pragma once

#include <QProxyStyle>

class QMenu;

namespace veltro {

// The widget style of the program: the platform's style for everything, except that
// every pop-up menu gets the frame of the current MenuStyle. For a flat style that is a
// one-pixel border in the highlight colour (the button-text colour in high contrast),
// the style's margins in the menu colour, and, when the desktop draws no menu shadow,
// the soft shadow of MenuShadow, painted from the screen beneath the menu as it was
// just before the menu appeared. Item texts, checks, separators and the highlight of
// the current item stay the base style's.
class MenuFrameStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit MenuFrameStyle(QStyle* base = nullptr);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

    // Paints the frame of a menu window: everything within the border in the menu
    // colour (as far as the painter's clip allows), the border, and the shadow.
    static void PaintFrame(QPainter& painter, const QMenu& menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Gives every pop-up menu of the application the program's frame: installs
// MenuFrameStyle over the current style, with the desktop found by DetectMenuDesktop.
void InstallMenuLook();

}  // namespace veltro
