#include "ui/MenuShadow.h"

#include <algorithm>

namespace veltro {

int MenuShadow::RightDarkening(int k, int i, int length) {
    const int step = std::min({std::max(i - 3, 0), 5, length - i});
    return 6 * k * std::max(step, 0);
}

int MenuShadow::BottomDarkening(int k, int i) {
    return 6 * k * std::min(std::max(i - 3, 0), 5);
}

QRgb MenuShadow::Darken(QRgb colour, int d) {
    const auto scale = [d](int channel) { return (channel * (255 - d) + 127) / 255; };
    return qRgb(scale(qRed(colour)), scale(qGreen(colour)), scale(qBlue(colour)));
}

void MenuShadow::Paint(QPainter& painter, QSize window, const QImage& backdrop, QRgb fallback,
                       bool darken) {
    const int width = window.width();
    const int height = window.height();
    if (width <= kWidth || height <= kWidth) {
        return;
    }
    const QImage beneath = backdrop.convertToFormat(QImage::Format_RGB32);
    const auto under = [&](int x, int y) {
        return beneath.valid(x, y) ? beneath.pixel(x, y) : fallback;
    };
    QImage strip(kWidth, height, QImage::Format_RGB32);
    for (int k = 1; k <= kWidth; ++k) {
        const int x = width - k;
        for (int y = 0; y < height; ++y) {
            const int d = darken ? RightDarkening(k, y, height) : 0;
            strip.setPixel(kWidth - k, y, Darken(under(x, y), d));
        }
    }
    painter.drawImage(QPoint(width - kWidth, 0), strip);

    QImage bottom(width - kWidth, kWidth, QImage::Format_RGB32);
    for (int k = 1; k <= kWidth; ++k) {
        const int y = height - k;
        for (int x = 0; x < width - kWidth; ++x) {
            const int d = darken ? BottomDarkening(k, x) : 0;
            bottom.setPixel(x, kWidth - k, Darken(under(x, y), d));
        }
    }
    painter.drawImage(QPoint(0, height - kWidth), bottom);
}

}  // namespace veltro
