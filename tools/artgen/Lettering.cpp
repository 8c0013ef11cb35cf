#include "Lettering.h"

#include <QTransform>

namespace veltro::art {
namespace {

constexpr qreal kGlyphWidth = 4.0;
constexpr qreal kGlyphHeight = 6.0;

QPainterPath Glyph(QChar letter) {
    QPainterPath path;
    switch (letter.toLatin1()) {
        case 'E':
            path.moveTo(4, 0);
            path.lineTo(0, 0);
            path.lineTo(0, 6);
            path.lineTo(4, 6);
            path.moveTo(0, 3);
            path.lineTo(3.2, 3);
            break;
        case 'G':
            path.moveTo(3.9, 1.1);
            path.cubicTo(3.3, -0.3, 0, -0.4, 0, 3);
            path.cubicTo(0, 6.4, 4, 6.4, 4, 3.4);
            path.lineTo(2.2, 3.4);
            break;
        case 'L':
            path.moveTo(0, 0);
            path.lineTo(0, 6);
            path.lineTo(4, 6);
            break;
        case 'N':
            path.moveTo(0, 6);
            path.lineTo(0, 0);
            path.lineTo(4, 6);
            path.lineTo(4, 0);
            break;
        case 'O':
            path.addRoundedRect(QRectF(0, 0, 4, 6), 2, 2);
            break;
        case 'P':
        case 'R':
            path.moveTo(0, 6);
            path.lineTo(0, 0);
            path.lineTo(2.4, 0);
            path.cubicTo(4.3, 0, 4.3, 3.2, 2.4, 3.2);
            path.lineTo(0, 3.2);
            if (letter == QLatin1Char('R')) {
                path.moveTo(2.0, 3.2);
                path.lineTo(4, 6);
            }
            break;
        case 'S':
            path.moveTo(3.8, 0.9);
            path.cubicTo(3.1, -0.3, 0.2, -0.3, 0.2, 1.5);
            path.cubicTo(0.2, 3.0, 3.9, 2.8, 3.9, 4.4);
            path.cubicTo(3.9, 6.4, 0.7, 6.4, 0.1, 5.0);
            break;
        case 'T':
            path.moveTo(0, 0);
            path.lineTo(4, 0);
            path.moveTo(2, 0);
            path.lineTo(2, 6);
            break;
        case 'V':
            path.moveTo(0, 0);
            path.lineTo(2, 6);
            path.lineTo(4, 0);
            break;
        default:
            break;
    }
    return path;
}

}  // namespace

QPainterPath Lettering::Path(const QString& text, qreal capHeight, qreal spacing) {
    const qreal unit = capHeight / kGlyphHeight;
    QPainterPath all;
    qreal x = 0;
    for (const QChar letter : text) {
        QTransform place;
        place.translate(x, 0);
        place.scale(unit, unit);
        all.addPath(place.map(Glyph(letter)));
        x += kGlyphWidth * unit + spacing;
    }
    return all;
}

qreal Lettering::Width(const QString& text, qreal capHeight, qreal spacing) {
    if (text.isEmpty()) {
        return 0;
    }
    const qreal unit = capHeight / kGlyphHeight;
    return text.size() * kGlyphWidth * unit + (text.size() - 1) * spacing;
}

}  // namespace veltro::art
