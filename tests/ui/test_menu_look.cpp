#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "ui/MenuFrameStyle.h"
#include "ui/MenuShadow.h"
#include "ui/MenuStyle.h"

using veltro::MenuDesktop;
using veltro::MenuShadow;

namespace {

const QRgb kLeftColour = qRgb(200, 100, 50);
const QRgb kRightColour = qRgb(40, 160, 220);

// What lies beneath the menus: two colours, split at x = 100.
class Backdrop : public QWidget {
public:
    Backdrop() {
        setWindowFlag(Qt::FramelessWindowHint);
        setGeometry(0, 0, 320, 240);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(0, 0, 100, height()), QColor(kLeftColour));
        painter.fillRect(QRect(100, 0, width() - 100, height()), QColor(kRightColour));
    }
};

struct ShownMenu {
    QMenu menu;
    QImage image;
};

// Opens a three-item menu at (20, 30) over the backdrop and grabs it as painted.
void Open(ShownMenu& shown) {
    shown.menu.addAction(QStringLiteral("编写新短信"));
    shown.menu.addSeparator();
    shown.menu.addAction(QStringLiteral("收件箱"));
    shown.menu.popup(QPoint(20, 30));
    QVERIFY(QTest::qWaitForWindowExposed(&shown.menu));
    shown.image = shown.menu.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb Beneath(const QMenu& menu, int x, int y) {
    return menu.x() + x < 100 ? kLeftColour : kRightColour;
    (void)y;
}

}  // namespace

class MenuLookTest : public QObject {
    Q_OBJECT

    Backdrop backdrop_;

private slots:
    void initTestCase() {
        QApplication::setStyle(new veltro::MenuFrameStyle());
        backdrop_.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop_));
    }

    void init() {
        veltro::SelectMenuStyle(6);
        veltro::SetMenuDesktop(MenuDesktop{});
    }

    void tenStylesEvenIdsFlat() {
        veltro::SelectMenuStyle(2);
        for (int id = 0; id < 10; ++id) {
            QCOMPARE(veltro::SelectMenuStyle(id), id == 0 ? 2 : id - 1);
            QCOMPARE(veltro::CurrentMenuStyle().Id(), id);
            QCOMPARE(veltro::CurrentMenuStyle().IsFlat(), id % 2 == 0);
        }
        QCOMPARE(veltro::SelectMenuStyle(10), -1);
        QCOMPARE(veltro::SelectMenuStyle(-1), -1);
        QCOMPARE(veltro::CurrentMenuStyle().Id(), 9);
    }

    void optionsReturnThePreviousValue() {
        QCOMPARE(veltro::SetMenuSelectionOption(0), 1);
        QCOMPARE(veltro::SetMenuSelectionOption(5), 0);
        QCOMPARE(veltro::MenuSelectionOption(), 5);
        QCOMPARE(veltro::SetMenuShadeOption(0), 1);
        QCOMPARE(veltro::MenuShadeOption(), 0);
    }

    void marginsMakeRoomForTheShadow() {
        const veltro::MenuStyle flat(6);
        QCOMPARE(flat.Margins(MenuDesktop{false, false}), QMargins(2, 2, 5, 6));
        QCOMPARE(flat.Margins(MenuDesktop{true, false}), QMargins(2, 2, 2, 2));
        QCOMPARE(veltro::MenuStyle(7).Margins(MenuDesktop{}), QMargins());
    }

    void shadowDarkensMoreTowardsTheMenu_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<QList<int>>("column");  // a column of a 20-pixel-tall window
        QTest::newRow("outermost") << 1 << QList<int>{0,  0,  0,  0,  6,  12, 18, 24, 30, 30,
                                                      30, 30, 30, 30, 30, 30, 24, 18, 12, 6};
        QTest::newRow("innermost")
            << 4 << QList<int>{0,   0,   0,   0,   24,  48,  72, 96, 120, 120,
                               120, 120, 120, 120, 120, 120, 96, 72, 48,  24};
    }

    void shadowDarkensMoreTowardsTheMenu() {
        QFETCH(int, k);
        QFETCH(QList<int>, column);
        for (int i = 0; i < column.size(); ++i) {
            QCOMPARE(MenuShadow::RightDarkening(k, i, 20), column[i]);
        }
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(MenuShadow::BottomDarkening(k, i), column[i]);
        }
        QCOMPARE(MenuShadow::Darken(qRgb(255, 100, 0), 30 * k),
                 qRgb((255 * (255 - 30 * k) + 127) / 255, (100 * (255 - 30 * k) + 127) / 255, 0));
    }

    void flatMenuGetsBorderAndSoftShadow() {
        ShownMenu shown;
        Open(shown);
        const QImage& image = shown.image;
        const int w = image.width();
        const int h = image.height();
        const QMenu& menu = shown.menu;
        const QRgb highlight = menu.palette().color(QPalette::Highlight).rgb();
        QCOMPARE(image.pixel(0, 0), highlight);
        QCOMPARE(image.pixel(w - 5, 0), highlight);
        QCOMPARE(image.pixel(0, h - 5), highlight);
        QCOMPARE(image.pixel(w - 5, h - 5), highlight);
        QCOMPARE(image.pixel(1, 1), menu.palette().color(QPalette::Base).rgb());
        // The items keep clear of border and shadow.
        const QRect inside = menu.rect().marginsRemoved(QMargins(2, 2, 5, 6));
        for (QAction* action : menu.actions()) {
            QVERIFY(inside.contains(menu.actionGeometry(action)));
        }

        // Right edge: the columns darken what lay beneath, more towards the menu.
        for (int k = 1; k <= 4; ++k) {
            for (int y = 0; y < h; ++y) {
                const QRgb want = MenuShadow::Darken(Beneath(menu, w - k, y),
                                                     MenuShadow::RightDarkening(k, y, h));
                if (image.pixel(w - k, y) != want) {
                    QFAIL(qPrintable(QStringLiteral("right column %1, pixel %2: %3 instead of %4")
                                         .arg(k)
                                         .arg(y)
                                         .arg(image.pixel(w - k, y), 8, 16)
                                         .arg(want, 8, 16)));
                }
            }
            for (int x = 0; x < w - 4; ++x) {
                const QRgb want =
                    MenuShadow::Darken(Beneath(menu, x, h - k), MenuShadow::BottomDarkening(k, x));
                QCOMPARE(image.pixel(x, h - k), want);
            }
        }
        // The corners next to the menu show the backdrop unchanged.
        QCOMPARE(image.pixel(w - 1, 0), Beneath(menu, w - 1, 0));
        QCOMPARE(image.pixel(0, h - 1), Beneath(menu, 0, h - 1));
    }

    void highContrastBorderWithoutShadow() {
        veltro::SetMenuDesktop(MenuDesktop{false, true});
        ShownMenu shown;
        Open(shown);
        const QImage& image = shown.image;
        const QRgb text = shown.menu.palette().color(QPalette::ButtonText).rgb();
        QCOMPARE(image.pixel(0, 0), text);
        QCOMPARE(image.pixel(image.width() - 5, image.height() - 5), text);
        QCOMPARE(image.pixel(image.width() - 4, 10), Beneath(shown.menu, image.width() - 4, 10));
    }

    void desktopShadowLeavesTheEdgesToTheDesktop() {
        veltro::SetMenuDesktop(MenuDesktop{true, false});
        ShownMenu shown;
        Open(shown);
        const QImage& image = shown.image;
        const QRgb highlight = shown.menu.palette().color(QPalette::Highlight).rgb();
        QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), highlight);
        QCOMPARE(image.pixel(image.width() - 1, 5), highlight);
        QCOMPARE(shown.menu.contentsMargins(), QMargins(2, 2, 2, 2));
    }

    void notFlatStyleKeepsTheBaseFrame() {
        veltro::SelectMenuStyle(7);
        ShownMenu shown;
        Open(shown);
        QVERIFY(shown.image.pixel(0, 0) != shown.menu.palette().color(QPalette::Highlight).rgb());
        QVERIFY(shown.image.pixel(shown.image.width() - 1, 10) != kRightColour);
    }
};

QTEST_MAIN(MenuLookTest)
#include "test_menu_look.moc"
