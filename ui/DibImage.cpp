#include "ui/DibImage.h"

#include <QFile>
#include <QRect>

namespace veltro {

bool DibImage::Load(const QString& path, bool skipPalette) {
    lastFault_ = DibFault::None;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // Checked before reading, so a huge file is never read into memory.
    if (file.size() > static_cast<qint64>(DibDecoder::kMaxFileBytes)) {
        lastFault_ = DibFault::TooLarge;
        return false;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(DibDecoder::kMaxFileBytes) + 1);
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             static_cast<std::size_t>(bytes.size()));
    const DibLayout layout = DibDecoder::Inspect(data);
    if (layout.fault != DibFault::None) {
        lastFault_ = layout.fault;
        return false;
    }
    QImage image(layout.width, layout.height, QImage::Format_RGB32);
    if (image.isNull()) {
        lastFault_ = DibFault::BadDimensions;
        return false;
    }
    DibDecoder::Decode(data, layout, reinterpret_cast<std::uint32_t*>(image.bits()),
                       static_cast<std::size_t>(image.bytesPerLine()) / 4);
    image_ = std::move(image);
    bitCount_ = layout.bitCount;
    if (!skipPalette) {
        const std::vector<std::uint32_t> palette = DibDecoder::Palette(data, layout);
        palette_ = QList<QRgb>(palette.begin(), palette.end());
    }
    return true;
}

int DibImage::RealizePalette() const {
    return static_cast<int>(palette_.size());
}

int DibImage::Draw(QPainter& painter, int xDest, int yDest, int wDest, int hDest, int xSrc,
                   int ySrc, int wSrc, int hSrc, QPainter::CompositionMode mode) const {
    if (image_.isNull()) {
        return 0;
    }
    const int width = image_.width();
    const int height = image_.height();
    if (wDest <= 0) {
        wDest += width;
    }
    if (hDest <= 0) {
        hDest += height;
    }
    if (wSrc <= 0) {
        wSrc += width;
    }
    if (hSrc <= 0) {
        hSrc += height;
    }
    if (wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0) {
        return 0;
    }
    // Only the part of the source inside the image is drawn, into the matching part of
    // the destination, so no pixel outside the image is ever read.
    const QRect source(xSrc, ySrc, wSrc, hSrc);
    const QRect inside = source.intersected(image_.rect());
    if (inside.isEmpty()) {
        return 0;
    }
    const double sx = static_cast<double>(wDest) / wSrc;
    const double sy = static_cast<double>(hDest) / hSrc;
    const QRectF target(xDest + (inside.x() - xSrc) * sx, yDest + (inside.y() - ySrc) * sy,
                        inside.width() * sx, inside.height() * sy);
    const QPainter::CompositionMode before = painter.compositionMode();
    painter.setCompositionMode(mode);
    painter.drawImage(target, image_, QRectF(inside));
    painter.setCompositionMode(before);
    return inside.height();
}

}  // namespace veltro
