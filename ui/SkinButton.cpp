#include "ui/SkinButton.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace veltro {
namespace {

// The raised frame of a push button, or the sunken one while it is pushed: two lines on
// every side, light at the top and left, dark at the bottom and right.
void DrawPushFrame(QPainter& painter, const QRect& rect, const QPalette& palette, bool pushed) {
    painter.fillRect(rect, palette.color(QPalette::Button));
    const QColor outerTopLeft = palette.color(pushed ? QPalette::Dark : QPalette::Light);
    const QColor outerBottomRight = palette.color(pushed ? QPalette::Light : QPalette::Shadow);
    const QColor innerTopLeft = palette.color(pushed ? QPalette::Shadow : QPalette::Midlight);
    const QColor innerBottomRight = palette.color(pushed ? QPalette::Midlight : QPalette::Dark);
    const auto edge = [&](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        if (r.width() <= 0 || r.height() <= 0) {
            return;
        }
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    };
    edge(rect, outerTopLeft, outerBottomRight);
    edge(rect.adjusted(1, 1, -1, -1), innerTopLeft, innerBottomRight);
}

// A vertical gradient with one solid colour per row: the first row has exactly the top
// colour and the last row exactly the bottom colour.
void FillVerticalGradient(QPainter& painter, const QRect& rect, QRgb top, QRgb bottom) {
    const int rows = rect.height();
    if (rows <= 0 || rect.width() <= 0) {
        return;
    }
    const auto mix = [rows](int from, int to, int row) {
        if (rows == 1) {
            return from;
        }
        const int span = rows - 1;
        return from + ((to - from) * row * 2 + (to >= from ? span : -span)) / (2 * span);
    };
    for (int row = 0; row < rows; ++row) {
        const QColor colour(mix(qRed(top), qRed(bottom), row),
                            mix(qGreen(top), qGreen(bottom), row),
                            mix(qBlue(top), qBlue(bottom), row));
        painter.fillRect(QRect(rect.left(), rect.top() + row, rect.width(), 1), colour);
    }
}

// Pixels that carry the bitmap's picture in the embossed look: everything except the
// transparent colour, see-through pixels and white, the usual background of small
// symbol bitmaps.
QImage InkMask(const QImage& bitmap, QRgb transparent, QColor ink) {
    QImage mask(bitmap.size(), QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    const QRgb paint = ink.rgba();
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(bitmap.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            const QRgb pixel = src[x] | 0xFF000000u;
            const bool seeThrough = qAlpha(src[x]) < 128;
            if (!seeThrough && pixel != (transparent | 0xFF000000u) && pixel != 0xFFFFFFFFu) {
                dst[x] = paint;
            }
        }
    }
    return mask;
}

QImage WithoutTransparentColour(const QImage& bitmap, QRgb transparent) {
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xFF000000u) == (transparent | 0xFF000000u)) {
                line[x] = 0;
            }
        }
    }
    return image;
}

}  // namespace

SkinButton::SkinButton(QWidget* parent) : SkinButton(QString(), parent) {}

SkinButton::SkinButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    textColour_ = palette().color(QPalette::ButtonText);
    setMouseTracking(true);
    setAutoDefault(false);
}

void SkinButton::SetStyle(int style) {
    hoverTracking_ = false;
    if (style == kFlat) {
        hoverTracking_ = true;
    }
    update();
}

void SkinButton::SetTextMode(int mode) {
    textShown_ = false;
    textCentred_ = false;
    if (mode == kCentredText) {
        textShown_ = true;
        textCentred_ = true;
    }
    update();
}

void SkinButton::SetBitmap(const QImage& bitmap, QColor transparent) {
    bitmap_ = bitmap.isNull() ? QImage() : bitmap.convertToFormat(QImage::Format_ARGB32);
    transparent_ = transparent;
    update();
}

void SkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool pressed = isDown();
    const bool disabled = !isEnabled();
    DrawFace(painter, pressed, disabled);
    DrawBitmap(painter, pressed, disabled);
    DrawCaption(painter, pressed, disabled);
}

void SkinButton::DrawFace(QPainter& painter, bool pressed, bool) const {
    const QRect all = rect();
    DrawPushFrame(painter, all, palette(), pressed);
    if (gradientFace) {
        // Inside the frame's top and left line and its two bottom and right lines.
        const QRect face(all.left() + 1, all.top() + 1, all.width() - 3, all.height() - 3);
        FillVerticalGradient(painter, face, kTopColour,
                             hovered_ ? kHoverBottomColour : kBottomColour);
    }
}

void SkinButton::DrawBitmap(QPainter& painter, bool pressed, bool disabled) const {
    if (bitmap_.isNull()) {
        return;
    }
    int x = BitmapEdge() - bitmap_.width();
    int y = (height() - bitmap_.height()) / 2;
    if (pressed) {
        ++x;
        ++y;
    }
    const QRgb transparent = transparent_.rgb();
    if (disabled) {
        painter.fillRect(QRect(QPoint(x, y), bitmap_.size()), palette().color(QPalette::Button));
        painter.drawImage(QPoint(x + 1, y + 1),
                          InkMask(bitmap_, transparent, palette().color(QPalette::Light)));
        painter.drawImage(QPoint(x, y),
                          InkMask(bitmap_, transparent, palette().color(QPalette::Dark)));
    } else {
        painter.drawImage(QPoint(x, y), WithoutTransparentColour(bitmap_, transparent));
    }
}

int SkinButton::BitmapEdge() const {
    if (bitmap_.isNull()) {
        return 0;
    }
    const int x = textShown_ ? 5 : (width() - bitmap_.width()) / 2;
    return x + bitmap_.width();
}

int SkinButton::CaptionLeft(int bitmapEdge) const {
    return textCentred_ ? bitmapEdge : bitmapEdge + 5;
}

QString SkinButton::ShownText() const {
    if (!textShown_) {
        return {};
    }
    const int room = width() - CaptionLeft(BitmapEdge());
    if (room <= 0) {
        return {};
    }
    return QFontMetrics(font()).elidedText(text(), Qt::ElideRight, room);
}

void SkinButton::DrawCaption(QPainter& painter, bool pressed, bool disabled) const {
    const QString shown = ShownText();
    if (shown.isEmpty()) {
        return;
    }
    const int left = CaptionLeft(BitmapEdge());
    const int room = width() - left;
    const QFontMetrics metrics(font());
    const int measured = metrics.horizontalAdvance(shown);
    const int textHeight = metrics.height();
    QRect box(left, (height() - textHeight) / 2, room, textHeight);
    if (textCentred_ && measured < room) {
        const int half = (room - measured) / 2;
        box.adjust(half, 0, -half, 0);
    }
    if (pressed) {
        box.translate(1, 1);
    }
    const int flags =
        Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::AlignVCenter |
        (textCentred_ ? Qt::AlignHCenter : Qt::AlignLeft);
    painter.setFont(font());
    if (disabled) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(box.translated(1, 1), flags, shown);
        painter.setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(box, flags, shown);
    } else {
        painter.setPen(textColour_);
        painter.drawText(box, flags, shown);
    }
}

void SkinButton::BeginHover() {
    if (hoverTracking_ && !hovered_ && isEnabled()) {
        hovered_ = true;
        update();
    }
}

void SkinButton::enterEvent(QEnterEvent* event) {
    BeginHover();
    QPushButton::enterEvent(event);
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
    BeginHover();
    QPushButton::mouseMoveEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QPushButton::leaveEvent(event);
}

void SkinButton::changeEvent(QEvent* event) {
    // A disabled button shows no hover; it starts again with the next mouse move.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && hovered_) {
        hovered_ = false;
        update();
    }
    QPushButton::changeEvent(event);
}

}  // namespace veltro
