#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>

namespace veltro {

// The push button of every window of the program. It keeps the behaviour of a
// QPushButton (focus, keyboard, clicked()) and paints itself: a three-dimensional frame
// (pushed while pressed), optionally a vertical white-to-grey gradient face that lightens
// while the mouse is over the button, optionally a bitmap with one transparent colour,
// and a centred single-line caption cut with "..." when it does not fit. Pressed, the
// bitmap and caption move one pixel right and down; disabled, both are embossed.
//
// The gradient is computed here row by row, so no gradient library is looked up or
// shared between buttons.
//
// Two configurations are in use: a command button (gradientFace = true, SetStyle(kFlat),
// text shown) and a bitmap button (SetBitmap, SetTextMode(kNoText)). A skinned button is
// never a dialog's default button (autoDefault is off): Enter does not press it.
class SkinButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kStandard = 1;  // frame only, no hover tracking
    static constexpr int kFlat = 2;      // with the hover highlight
    static constexpr int kNoText = 0;
    static constexpr int kCentredText = 2;

    static constexpr QRgb kTopColour = qRgb(255, 255, 255);
    static constexpr QRgb kBottomColour = qRgb(100, 100, 116);
    static constexpr QRgb kHoverBottomColour = qRgb(180, 180, 180);
    static constexpr QRgb kDefaultTransparent = qRgb(255, 0, 255);

    explicit SkinButton(QWidget* parent = nullptr);
    SkinButton(const QString& text, QWidget* parent = nullptr);

    void SetStyle(int style);
    void SetTextMode(int mode);
    // A null image removes the bitmap. Pixels of exactly the transparent colour are
    // left out, so the face shows through them; an alpha channel is kept as well.
    void SetBitmap(const QImage& bitmap, QColor transparent = QColor(kDefaultTransparent));

    bool IsHovered() const { return hovered_; }
    // The caption as painted: the button's text, cut with an ellipsis at its end when it
    // is wider than the room beside the bitmap. Empty when no text is shown.
    QString ShownText() const;

    // Set by the owner before the button is first shown.
    bool gradientFace = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void DrawFace(QPainter& painter, bool pressed, bool disabled) const;
    void DrawBitmap(QPainter& painter, bool pressed, bool disabled) const;
    void DrawCaption(QPainter& painter, bool pressed, bool disabled) const;
    int BitmapEdge() const;  // right edge of the unpressed bitmap, 0 without one
    int CaptionLeft(int bitmapEdge) const;
    void BeginHover();

    QColor textColour_;
    bool hovered_ = false;
    QImage bitmap_;
    QColor transparent_{kDefaultTransparent};
    bool textShown_ = true;
    bool textCentred_ = true;
    bool hoverTracking_ = false;
};

}  // namespace veltro
