#include "ui/MenuFrameStyle.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "ui/MenuShadow.h"
#include "ui/MenuStyle.h"

namespace veltro {
namespace {

// The screen beneath a menu, captured as it is about to appear.
constexpr char kBackdrop[] = "veltroMenuBackdrop";

bool IsFlatMenu(const QWidget* widget) {
    return widget && qobject_cast<const QMenu*>(widget) && CurrentMenuStyle().IsFlat();
}

bool OwnShadow() {
    return CurrentMenuStyle().IsFlat() && !CurrentMenuDesktop().drawsShadows;
}

QColor MenuColour(const QWidget& menu) {
    return menu.palette().color(QPalette::Base);
}

void CaptureBackdrop(QMenu& menu) {
    QImage backdrop;
    if (OwnShadow()) {
        const QRect area = menu.geometry();
        if (QScreen* screen = menu.screen()) {
            const QPoint origin = area.topLeft() - screen->geometry().topLeft();
            backdrop = screen->grabWindow(0, origin.x(), origin.y(), area.width(), area.height())
                           .toImage();
            // On a scaled screen the capture has device pixels; the shadow is painted in
            // the menu's own pixels.
            if (!backdrop.isNull() && backdrop.size() != area.size()) {
                backdrop = backdrop.scaled(area.size());
            }
        }
    }
    menu.setProperty(kBackdrop, backdrop);
}

}  // namespace

MenuFrameStyle::MenuFrameStyle(QStyle* base) : QProxyStyle(base) {}

int MenuFrameStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                const QWidget* widget) const {
    if (IsFlatMenu(widget) &&
        (metric == PM_MenuPanelWidth || metric == PM_MenuHMargin || metric == PM_MenuVMargin)) {
        return 0;  // the contents margins hold border, margin and shadow
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void MenuFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    if (IsFlatMenu(widget) && (element == PE_PanelMenu || element == PE_FrameMenu)) {
        if (element == PE_PanelMenu) {
            PaintFrame(*painter, *static_cast<const QMenu*>(widget));
        }
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void MenuFrameStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    // The menu ends its painting with the area around the items (the painter is clipped
    // to it): the frame again, so that nothing the base style paints there covers
    // border, margin or shadow.
    if (element == CE_MenuEmptyArea && IsFlatMenu(widget)) {
        PaintFrame(*painter, *static_cast<const QMenu*>(widget));
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void MenuFrameStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        menu->setContentsMargins(CurrentMenuStyle().Margins(CurrentMenuDesktop()));
        menu->installEventFilter(this);
    }
}

void MenuFrameStyle::unpolish(QWidget* widget) {
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        menu->removeEventFilter(this);
        menu->setContentsMargins(QMargins());
        menu->setProperty(kBackdrop, QVariant());
    }
    QProxyStyle::unpolish(widget);
}

bool MenuFrameStyle::eventFilter(QObject* watched, QEvent* event) {
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
        // Show comes before the window is mapped: the screen still shows what lies
        // beneath. The capture is dropped when the menu closes.
        if (event->type() == QEvent::Show) {
            CaptureBackdrop(*menu);
        } else if (event->type() == QEvent::Hide) {
            menu->setProperty(kBackdrop, QVariant());
        }
    }
    return QProxyStyle::eventFilter(watched, event);
}

void MenuFrameStyle::PaintFrame(QPainter& painter, const QMenu& menu) {
    const MenuDesktop& desktop = CurrentMenuDesktop();
    const bool ownShadow = !desktop.drawsShadows;
    const QRect window = menu.rect();
    const QRect frame =
        ownShadow ? window.adjusted(0, 0, -MenuShadow::kWidth, -MenuShadow::kWidth) : window;
    painter.save();
    painter.fillRect(frame.adjusted(1, 1, -1, -1), MenuColour(menu));
    const QColor border =
        menu.palette().color(desktop.highContrast ? QPalette::ButtonText : QPalette::Highlight);
    painter.setPen(Qt::NoPen);
    painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), border);
    painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), border);
    painter.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), border);
    painter.fillRect(QRect(frame.right(), frame.top(), 1, frame.height()), border);
    if (ownShadow) {
        const QImage backdrop = menu.property(kBackdrop).value<QImage>();
        MenuShadow::Paint(painter, window.size(), backdrop,
                          menu.palette().color(QPalette::Window).rgb(), !desktop.highContrast);
    }
    painter.restore();
}

void InstallMenuLook() {
    SetMenuDesktop(DetectMenuDesktop());
    QApplication::setStyle(new MenuFrameStyle());
}

}  // namespace veltro
