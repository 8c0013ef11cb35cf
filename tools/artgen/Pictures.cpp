#include "Pictures.h"

#include <algorithm>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "Lettering.h"

namespace veltro::art {
namespace {

// The dialog background of the program: pages drawn over the skin's page area blend in.
const QColor kDialogBlue(0, 29, 143);
const QColor kMagenta(255, 0, 255);

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QPen RoundPen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void StrokeText(QPainter& painter, const QString& text, QPointF at, qreal capHeight, qreal spacing,
                qreal stroke, const QColor& colour, const QColor& shadow) {
    const QPainterPath path = Lettering::Path(text, capHeight, spacing);
    painter.setBrush(Qt::NoBrush);
    if (shadow.isValid()) {
        painter.setPen(RoundPen(shadow, stroke));
        painter.drawPath(path.translated(at + QPointF(0.8, 0.9)));
    }
    painter.setPen(RoundPen(colour, stroke));
    painter.drawPath(path.translated(at));
}

// The letter G of the program's badge, centred in a square: three quarters of a ring
// opening to the right, with a short bar pointing inwards.
void DrawLetterG(QPainter& painter, QRectF box, qreal stroke, const QColor& top,
                 const QColor& bottom, const QColor& halo) {
    const qreal radius = box.width() / 2 - stroke / 2 - (halo.isValid() ? 1.0 : 0.5);
    const QPointF centre = box.center();
    const QRectF ring(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.arcMoveTo(ring, 48);
    path.arcTo(ring, 48, 272);
    path.lineTo(centre.x() + radius, centre.y() + radius * 0.08);
    path.lineTo(centre.x() + radius * 0.12, centre.y() + radius * 0.08);
    painter.setBrush(Qt::NoBrush);
    if (halo.isValid()) {
        painter.setPen(QPen(halo, stroke + 2.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.drawPath(path);
    }
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.setPen(QPen(QBrush(fill), stroke, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(path);
}

void DrawAntennaMast(QPainter& painter, const QColor& colour) {
    painter.setPen(RoundPen(colour, 1.4));
    painter.drawLine(QPointF(4.5, 6.0), QPointF(4.5, 14.5));
    painter.drawLine(QPointF(4.5, 6.0), QPointF(1.5, 1.5));
    painter.drawLine(QPointF(4.5, 6.0), QPointF(7.5, 1.5));
    painter.drawLine(QPointF(1.5, 1.5), QPointF(7.5, 1.5));
    painter.setPen(RoundPen(colour, 1.0));
    painter.drawLine(QPointF(2.5, 14.5), QPointF(6.5, 14.5));
}

QPainterPath PagePanel() {
    QPainterPath panel;
    panel.addRoundedRect(QRectF(36.5, 52.5, 428, 272), 5, 5);
    QPainterPath dock;
    dock.addRoundedRect(QRectF(264.5, 300.5, 232, 52), 7, 7);
    return panel.united(dock).simplified();
}

}  // namespace

QImage PaintSkin() {
    QImage image = Canvas(kSkinWidth, kSkinHeight);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all(0, 0, kSkinWidth, kSkinHeight);

    // Body: deep blue, a little lighter at the top.
    QLinearGradient body(0, 0, 0, kSkinHeight);
    body.setColorAt(0.0, QColor(26, 60, 178));
    body.setColorAt(0.35, QColor(8, 38, 152));
    body.setColorAt(1.0, QColor(0, 24, 120));
    painter.fillRect(all, body);

    // A faint sheen across the upper left.
    QRadialGradient sheen(QPointF(120, -60), 360);
    sheen.setColorAt(0, QColor(120, 170, 255, 60));
    sheen.setColorAt(1, QColor(120, 170, 255, 0));
    painter.fillRect(all, sheen);

    // Header band with the badge and the name.
    QLinearGradient header(0, 0, 0, 48);
    header.setColorAt(0, QColor(58, 112, 226));
    header.setColorAt(0.5, QColor(24, 70, 190));
    header.setColorAt(1, QColor(12, 48, 164));
    painter.fillRect(QRectF(0, 0, kSkinWidth, 48), header);
    painter.fillRect(QRectF(0, 0, kSkinWidth, 1), QColor(150, 190, 255, 150));
    painter.fillRect(QRectF(0, 47, kSkinWidth, 1), QColor(0, 14, 72));
    painter.fillRect(QRectF(0, 48, kSkinWidth, 1), QColor(90, 130, 230, 110));

    QRadialGradient badge(QPointF(26, 18), 20);
    badge.setColorAt(0, QColor(255, 255, 255));
    badge.setColorAt(1, QColor(196, 214, 246));
    painter.setPen(QPen(QColor(0, 20, 90, 160), 1));
    painter.setBrush(badge);
    painter.drawEllipse(QRectF(12.5, 7.5, 32, 32));
    DrawLetterG(painter, QRectF(16.5, 11.5, 24, 24), 4.4, QColor(40, 110, 235), QColor(8, 46, 170),
                QColor());

    StrokeText(painter, QStringLiteral("VELTRO"), QPointF(54, 11), 12, 3.2, 2.2,
               QColor(255, 255, 255), QColor(0, 16, 80, 170));
    StrokeText(painter, QStringLiteral("GPRS"), QPointF(55, 30), 6, 3.4, 1.2, QColor(150, 210, 255),
               QColor());
    painter.setPen(QPen(QColor(150, 210, 255, 150), 1));
    painter.drawLine(QPointF(91, 33.5), QPointF(128, 33.5));

    // Status tray for the indicators (signal, operator, GPRS, new message).
    const QRectF tray(166.5, 8.5, 170, 29);
    QLinearGradient trayFill(tray.topLeft(), tray.bottomLeft());
    trayFill.setColorAt(0, QColor(0, 12, 64, 220));
    trayFill.setColorAt(1, QColor(0, 22, 100, 200));
    painter.setPen(QPen(QColor(110, 150, 240, 170), 1));
    painter.setBrush(trayFill);
    painter.drawRoundedRect(tray, 6, 6);
    painter.setPen(QPen(QColor(0, 0, 30, 150), 1));
    painter.drawLine(QPointF(172, 10.5), QPointF(331, 10.5));
    painter.setPen(QPen(QColor(110, 150, 240, 70), 1));
    for (const qreal x : {204.5, 264.5, 302.5}) {
        painter.drawLine(QPointF(x, 13), QPointF(x, 33));
    }

    // Plate behind the minimise and close buttons.
    painter.setPen(QPen(QColor(110, 150, 240, 150), 1));
    painter.setBrush(QColor(0, 12, 64, 170));
    painter.drawRoundedRect(QRectF(457.5, 5.5, 39, 22), 5, 5);

    // Page area with the dock of the four command buttons: the dialog colour inside, so
    // that the pages and the status line sit on it seamlessly.
    const QPainterPath panel = PagePanel();
    painter.setPen(QPen(QColor(0, 8, 50, 200), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(panel);
    painter.setPen(QPen(QColor(96, 140, 240), 1));
    painter.setBrush(kDialogBlue);
    painter.drawPath(panel);

    // Radio waves, faint, in the lower right of the page area.
    painter.setClipPath(panel);
    painter.setBrush(Qt::NoBrush);
    for (int ring = 1; ring <= 5; ++ring) {
        painter.setPen(QPen(QColor(120, 160, 255, 26 - 3 * ring), 3));
        const qreal r = 26.0 * ring;
        painter.drawArc(QRectF(440 - r, 300 - r, 2 * r, 2 * r), 95 * 16, 80 * 16);
    }
    painter.setClipping(false);

    // Footer in the dialog colour: the notice line's text, drawn on that colour, sits on
    // it without a visible box. A thin light trace runs along its top.
    painter.fillRect(QRectF(0, 359, kSkinWidth, kSkinHeight - 359), kDialogBlue);
    painter.fillRect(QRectF(0, 358, kSkinWidth, 1), QColor(0, 14, 72, 160));
    QLinearGradient trace(8, 0, kSkinWidth - 8, 0);
    trace.setColorAt(0, QColor(120, 170, 255, 0));
    trace.setColorAt(0.25, QColor(120, 170, 255, 130));
    trace.setColorAt(0.75, QColor(120, 170, 255, 60));
    trace.setColorAt(1, QColor(120, 170, 255, 0));
    painter.fillRect(QRectF(8, 359, kSkinWidth - 16, 1), trace);

    // Outline of the rounded window.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 6, 40), 1));
    painter.drawRoundedRect(all.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setPen(QPen(QColor(120, 160, 250, 90), 1));
    painter.drawRoundedRect(all.adjusted(1.5, 1.5, -1.5, -1.5), 5, 5);
    painter.end();
    return image;
}

QImage PaintAppIcon(int size) {
    QImage image = Canvas(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal stroke = size >= 32 ? 6.0 * size / 32 : 3.2;
    DrawLetterG(painter, QRectF(0, 0, size, size), stroke, QColor(60, 140, 255),
                QColor(10, 50, 190), QColor(255, 255, 255, 220));
    painter.end();
    return image;
}

QImage PaintAntenna(bool withBars) {
    QImage image = Canvas(16, 16);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawAntennaMast(painter, QColor(235, 240, 255));
    const int heights[] = {4, 7, 10, 13};
    for (int i = 0; i < 4; ++i) {
        const QRectF bar(8.5 + 2 * i, 15 - heights[i], 1.5, heights[i]);
        if (withBars) {
            painter.fillRect(bar, QColor(96, 232, 120));
        } else {
            painter.setPen(QPen(QColor(150, 170, 220, 110), 0.8));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(bar);
        }
    }
    if (!withBars) {
        painter.setPen(RoundPen(QColor(255, 90, 80), 1.6));
        painter.drawLine(QPointF(10.5, 2.5), QPointF(14.5, 6.5));
        painter.drawLine(QPointF(14.5, 2.5), QPointF(10.5, 6.5));
    }
    painter.end();
    return image;
}

QImage PaintEnvelope() {
    QImage image = Canvas(16, 16);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF paper(1.5, 3.5, 13, 9);
    QLinearGradient fill(paper.topLeft(), paper.bottomLeft());
    fill.setColorAt(0, QColor(255, 252, 230));
    fill.setColorAt(1, QColor(250, 222, 140));
    painter.setPen(QPen(QColor(120, 80, 10), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(paper, 1, 1);
    painter.setPen(RoundPen(QColor(150, 100, 20), 1));
    painter.drawLine(QPointF(2, 4.2), QPointF(8, 9));
    painter.drawLine(QPointF(14, 4.2), QPointF(8, 9));
    painter.end();
    return image;
}

QImage PaintOperatorLogo() {
    QImage image = Canvas(48, 12);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QString name = QStringLiteral("VELNET");
    const qreal width = Lettering::Width(name, 8, 2.2);
    StrokeText(painter, name, QPointF((48 - width) / 2, 2), 8, 2.2, 1.3, QColor(200, 230, 255),
               QColor(0, 10, 60, 200));
    painter.end();
    return image;
}

QImage PaintGprsBadge() {
    QImage image = Canvas(28, 12);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 12);
    fill.setColorAt(0, QColor(70, 200, 110));
    fill.setColorAt(1, QColor(20, 140, 70));
    painter.setPen(QPen(QColor(10, 80, 40), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 27, 11), 3, 3);
    const QString text = QStringLiteral("GPRS");
    const qreal width = Lettering::Width(text, 7, 1.6);
    StrokeText(painter, text, QPointF((28 - width) / 2, 2.5), 7, 1.6, 1.2, QColor(255, 255, 255),
               QColor());
    painter.end();
    return image;
}

QImage PaintTitleBitmap(bool close) {
    // Drawn pixel by pixel: a smoothed edge would leave magenta-tinted pixels that the
    // transparent copy could not drop.
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(kMagenta);
    const QRgb ink = qRgb(16, 32, 96);
    if (close) {
        for (int i = 0; i < 8; ++i) {
            image.setPixel(4 + i, 4 + i, ink);
            image.setPixel(std::min(11, 5 + i), 4 + i, ink);
            image.setPixel(11 - i, 4 + i, ink);
            image.setPixel(std::max(4, 10 - i), 4 + i, ink);
        }
    } else {
        for (int x = 4; x <= 11; ++x) {
            image.setPixel(x, 10, ink);
            image.setPixel(x, 11, ink);
        }
    }
    return image;
}

}  // namespace veltro::art
