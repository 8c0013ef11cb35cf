#pragma once

#include <QMargins>

namespace veltro {

// What the desktop does for pop-up menus, found once at start-up.
struct MenuDesktop {
    bool drawsShadows = false;  // the window manager gives menus a shadow of its own
    bool highContrast = false;  // a high-contrast theme is in use
};

// One look of the program's pop-up menu frames. Ten are registered, ids 0 to 9; the even
// ids are flat: a one-pixel border in the highlight colour, a thin margin in the menu
// colour, and a 4-pixel soft shadow on the right and at the bottom when the desktop
// draws none. The odd ids leave the frame to the widget style. The styles of one id
// pair differ only in painters of owner-drawn items, which this program does not use.
class MenuStyle {
public:
    static constexpr int kCount = 10;
    static constexpr int kShadowWidth = 4;

    explicit MenuStyle(int id) : id_(id) {}

    int Id() const { return id_; }
    bool IsFlat() const { return id_ % 2 == 0; }

    // Room between the menu window's edges and its items: border and margin on every
    // side, plus the shadow on the right and at the bottom when the desktop draws none.
    // Zero for a style that is not flat.
    QMargins Margins(const MenuDesktop& desktop) const;

private:
    int id_;
};

// Makes the registered style with this id current. Returns the id of the style that was
// current before, or -1 (and changes nothing) when no style has that id. Style 2 is
// current at start-up.
int SelectMenuStyle(int id);
const MenuStyle& CurrentMenuStyle();

// Two options of owner-drawn menu items, kept for the profile's "MenuLook" keys. Each
// setter returns the value it replaces; both start at 1.
int SetMenuSelectionOption(int value);
int SetMenuShadeOption(int value);
int MenuSelectionOption();
int MenuShadeOption();

// The desktop the menus are drawn for: DetectMenuDesktop at start-up, or a test's choice.
void SetMenuDesktop(const MenuDesktop& desktop);
const MenuDesktop& CurrentMenuDesktop();

// VELTROGPRS_MENU_SHADOW=desktop|own and VELTROGPRS_HIGH_CONTRAST=1 decide when set.
// Otherwise a compositing desktop (GNOME, KDE Plasma, Cinnamon, Budgie, Unity, Pantheon)
// counts as drawing menu shadows, and so does every Wayland session: there the program
// cannot read the screen beneath a menu, so it draws the flat border without a shadow.
// A theme named "HighContrast" in GTK_THEME counts as high contrast.
MenuDesktop DetectMenuDesktop();

}  // namespace veltro
