#include <QApplication>
#include <QEnterEvent>
#include <QTest>

#include "ui/SkinButton.h"

using veltro::SkinButton;

namespace {

QImage Render(SkinButton& button) {
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Enter(SkinButton& button) {
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(&button, &enter);
}

void Leave(SkinButton& button) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
}

// The command-button set-up of the main window and the pages.
void MakeCommandButton(SkinButton& button) {
    button.gradientFace = true;
    button.SetStyle(SkinButton::kFlat);
    button.resize(51, 28);
}

// Pixels darker than any gradient colour: the caption's ink.
QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) < 70 && qGreen(p) < 70 && qBlue(p) < 70) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Bitmap: magenta around a 6 x 6 dark square at (5, 5) and a white dot at (0, 0).
QImage TitleBitmap() {
    QImage bitmap(16, 16, QImage::Format_RGB32);
    bitmap.fill(QColor(255, 0, 255));
    for (int y = 5; y < 11; ++y) {
        for (int x = 5; x < 11; ++x) {
            bitmap.setPixel(x, y, qRgb(16, 32, 96));
        }
    }
    bitmap.setPixel(0, 0, qRgb(255, 255, 255));
    return bitmap;
}

}  // namespace

class SkinButtonTest : public QObject {
    Q_OBJECT

private slots:
    void gradientFollowsTheMouse_data() {
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<QRgb>("bottom");
        QTest::newRow("mouse away") << false << SkinButton::kBottomColour;
        QTest::newRow("mouse over") << true << SkinButton::kHoverBottomColour;
    }

    void gradientFollowsTheMouse() {
        QFETCH(bool, hovered);
        QFETCH(QRgb, bottom);
        SkinButton button(QStringLiteral("连接"));
        MakeCommandButton(button);
        if (hovered) {
            Enter(button);
        }
        QCOMPARE(button.IsHovered(), hovered);
        const QImage image = Render(button);
        // Column 2 lies inside the face and left of the caption.
        QCOMPARE(image.pixel(2, 1), SkinButton::kTopColour);
        QCOMPARE(image.pixel(2, 28 - 3), bottom);
        QCOMPARE(image.pixel(51 - 3, 28 - 3), bottom);
        // Rows darken steadily from top to bottom.
        for (int y = 2; y <= 25; ++y) {
            QVERIFY(qRed(image.pixel(2, y)) <= qRed(image.pixel(2, y - 1)));
        }
    }

    void hoverLastsFromEnterToLeave() {
        SkinButton button(QStringLiteral("通话"));
        MakeCommandButton(button);
        Enter(button);
        QVERIFY(button.IsHovered());
        QTest::mouseMove(&button, QPoint(10, 10));
        QVERIFY(button.IsHovered());
        Leave(button);
        QVERIFY(!button.IsHovered());
        QCOMPARE(Render(button).pixel(2, 25), SkinButton::kBottomColour);

        // A standard button and a disabled one do not light up.
        SkinButton standard(QStringLiteral("x"));
        standard.gradientFace = true;
        Enter(standard);
        QVERIFY(!standard.IsHovered());
        SkinButton disabled(QStringLiteral("y"));
        MakeCommandButton(disabled);
        disabled.setEnabled(false);
        Enter(disabled);
        QVERIFY(!disabled.IsHovered());
        // Disabling a lit button puts the light out.
        SkinButton lit(QStringLiteral("z"));
        MakeCommandButton(lit);
        Enter(lit);
        lit.setEnabled(false);
        QVERIFY(!lit.IsHovered());
    }

    void pressedButtonShowsPushedFrameAndMovesCaption() {
        SkinButton button(QStringLiteral("短信"));
        MakeCommandButton(button);
        const QImage up = Render(button);
        button.setDown(true);
        const QImage down = Render(button);
        const QRect upInk = InkBox(up);
        const QRect downInk = InkBox(down);
        QVERIFY(!upInk.isEmpty());
        QCOMPARE(downInk, upInk.translated(1, 1));
        // The frame's top-left line turns from light to dark.
        QCOMPARE(up.pixel(0, 0), button.palette().color(QPalette::Light).rgb());
        QCOMPARE(down.pixel(0, 0), button.palette().color(QPalette::Dark).rgb());
        QCOMPARE(down.pixel(2, 1), SkinButton::kTopColour);
    }

    void longTextEndsInAnEllipsisOnOneLine() {
        SkinButton button(QStringLiteral("通讯录通讯录通讯录通讯录 phonebook"));
        MakeCommandButton(button);
        const QString shown = button.ShownText();
        QVERIFY(shown.endsWith(QChar(0x2026)) || shown.endsWith(QStringLiteral("...")));
        QVERIFY(shown.size() < button.text().size());
        const QRect ink = InkBox(Render(button));
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.height() <= button.fontMetrics().height());
        QVERIFY(ink.right() < button.width() - 2);

        // A text that fits is left whole and centred.
        SkinButton fits(QStringLiteral("通话"));
        MakeCommandButton(fits);
        QCOMPARE(fits.ShownText(), QStringLiteral("通话"));
        const QRect centred = InkBox(Render(fits));
        QVERIFY(qAbs(centred.left() - (fits.width() - 1 - centred.right())) <= 3);
    }

    void disabledCaptionIsEmbossedGrey() {
        SkinButton button(QStringLiteral("通讯录"));
        MakeCommandButton(button);
        button.setEnabled(false);
        const QImage image = Render(button);
        QVERIFY(InkBox(image).isEmpty());  // no black caption
        const QRgb grey = button.palette().color(QPalette::Disabled, QPalette::ButtonText).rgb();
        int greyPixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                greyPixels += image.pixel(x, y) == grey ? 1 : 0;
            }
        }
        QVERIFY(greyPixels > 5);
    }

    void noTextModeDrawsNoCaption() {
        SkinButton button(QStringLiteral("通话"));
        MakeCommandButton(button);
        button.SetTextMode(SkinButton::kNoText);
        QVERIFY(button.ShownText().isEmpty());
        QVERIFY(InkBox(Render(button)).isEmpty());
    }

    void bitmapLetsTheFaceShowThroughMagenta() {
        SkinButton button;
        button.SetTextMode(SkinButton::kNoText);
        button.SetBitmap(TitleBitmap());
        button.resize(20, 20);  // the bitmap lands at (2, 2)
        const QRgb face = button.palette().color(QPalette::Button).rgb();
        const QRgb ink = qRgb(16, 32, 96);

        QImage image = Render(button);
        QCOMPARE(image.pixel(2 + 5, 2 + 5), ink);
        QCOMPARE(image.pixel(2 + 2, 2 + 2), face);
        QCOMPARE(image.pixel(2 + 15, 2 + 15), face);
        QCOMPARE(image.pixel(2, 2), qRgb(255, 255, 255));

        button.setDown(true);
        image = Render(button);
        QCOMPARE(image.pixel(2 + 5, 2 + 5), face);
        QCOMPARE(image.pixel(3 + 5, 3 + 5), ink);
        QCOMPARE(image.pixel(3 + 10, 3 + 10), ink);
        QCOMPARE(image.pixel(3 + 11, 3 + 11), face);
    }

    void bitmapWithAlphaKeepsItsSeeThroughPixels() {
        QImage bitmap(16, 16, QImage::Format_ARGB32);
        bitmap.fill(Qt::transparent);
        bitmap.setPixel(8, 8, qRgb(16, 32, 96));
        SkinButton button;
        button.SetTextMode(SkinButton::kNoText);
        button.SetBitmap(bitmap);
        button.resize(20, 20);
        const QImage image = Render(button);
        QCOMPARE(image.pixel(2 + 8, 2 + 8), qRgb(16, 32, 96));
        QCOMPARE(image.pixel(2 + 3, 2 + 3), button.palette().color(QPalette::Button).rgb());
        button.setEnabled(false);
        QCOMPARE(Render(button).pixel(2 + 3, 2 + 3),
                 button.palette().color(QPalette::Button).rgb());
    }

    void disabledBitmapIsEmbossed() {
        SkinButton button;
        button.SetTextMode(SkinButton::kNoText);
        button.SetBitmap(TitleBitmap());
        button.resize(20, 20);
        button.setEnabled(false);
        const QImage image = Render(button);
        const QRgb face = button.palette().color(QPalette::Button).rgb();
        const QRgb shadow = button.palette().color(QPalette::Dark).rgb();
        const QRgb light = button.palette().color(QPalette::Light).rgb();
        QCOMPARE(image.pixel(2 + 5, 2 + 5), shadow);
        QCOMPARE(image.pixel(2 + 11, 2 + 11), light);  // the highlight one pixel below right
        QCOMPARE(image.pixel(2 + 2, 2 + 2), face);
        QCOMPARE(image.pixel(2, 2), face);  // white is background in the embossed look
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                QVERIFY(image.pixel(x, y) != qRgb(255, 0, 255));
            }
        }
    }

    void bitmapWiderThanTheButtonIsCentredAndClipped() {
        // The title buttons are 14 pixels square and their bitmaps 16.
        SkinButton button;
        button.SetTextMode(SkinButton::kNoText);
        button.SetBitmap(TitleBitmap());
        button.resize(14, 14);
        const QImage image = Render(button);
        QCOMPARE(image.pixel(-1 + 5, -1 + 5), qRgb(16, 32, 96));
        QCOMPARE(image.pixel(-1 + 4, -1 + 4), button.palette().color(QPalette::Button).rgb());
    }
};

QTEST_MAIN(SkinButtonTest)
#include "test_skin_button.moc"
