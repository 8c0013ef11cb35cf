#include "ui/MenuStyle.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QString>
#include <QStringList>

#include <array>

namespace veltro {
namespace {

struct MenuLookState {
    std::array<MenuStyle, MenuStyle::kCount> styles{
        MenuStyle(0), MenuStyle(1), MenuStyle(2), MenuStyle(3), MenuStyle(4),
        MenuStyle(5), MenuStyle(6), MenuStyle(7), MenuStyle(8), MenuStyle(9)};
    const MenuStyle* current = &styles[2];
    int selectionOption = 1;
    int shadeOption = 1;
    MenuDesktop desktop;
};

MenuLookState& State() {
    static MenuLookState state;
    return state;
}

}  // namespace

QMargins MenuStyle::Margins(const MenuDesktop& desktop) const {
    if (!IsFlat()) {
        return {};
    }
    // One pixel of border and one of margin on every side; the own shadow takes four
    // more on the right and at the bottom, where the margin is 0 and 1 pixels.
    if (desktop.drawsShadows) {
        return QMargins(2, 2, 2, 2);
    }
    return QMargins(2, 2, 1 + kShadowWidth, 2 + kShadowWidth);
}

int SelectMenuStyle(int id) {
    MenuLookState& state = State();
    for (const MenuStyle& style : state.styles) {
        if (style.Id() == id) {
            const int previous = state.current ? state.current->Id() : -1;
            state.current = &style;
            return previous;
        }
    }
    return -1;
}

const MenuStyle& CurrentMenuStyle() {
    return *State().current;
}

int SetMenuSelectionOption(int value) {
    const int previous = State().selectionOption;
    State().selectionOption = value;
    return previous;
}

int SetMenuShadeOption(int value) {
    const int previous = State().shadeOption;
    State().shadeOption = value;
    return previous;
}

int MenuSelectionOption() {
    return State().selectionOption;
}

int MenuShadeOption() {
    return State().shadeOption;
}

void SetMenuDesktop(const MenuDesktop& desktop) {
    State().desktop = desktop;
}

const MenuDesktop& CurrentMenuDesktop() {
    return State().desktop;
}

MenuDesktop DetectMenuDesktop() {
    MenuDesktop desktop;
    const QByteArray shadow = qgetenv("VELTROGPRS_MENU_SHADOW");
    if (shadow == "desktop" || shadow == "own") {
        desktop.drawsShadows = shadow == "desktop";
    } else if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        desktop.drawsShadows = true;
    } else {
        const QString names = QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP"));
        static const QStringList compositing = {
            QStringLiteral("GNOME"),  QStringLiteral("KDE"),   QStringLiteral("Cinnamon"),
            QStringLiteral("Budgie"), QStringLiteral("Unity"), QStringLiteral("Pantheon"),
            QStringLiteral("ubuntu")};
        for (const QString& name : names.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            desktop.drawsShadows = desktop.drawsShadows || compositing.contains(name);
        }
    }
    const QByteArray contrast = qgetenv("VELTROGPRS_HIGH_CONTRAST");
    if (!contrast.isEmpty()) {
        desktop.highContrast = contrast != "0";
    } else {
        desktop.highContrast = qgetenv("GTK_THEME").contains("HighContrast");
    }
    return desktop;
}

}  // namespace veltro
