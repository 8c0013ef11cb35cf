#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>
#include <QtGlobal>

#include "ui/DibDecoder.h"

namespace veltro {

// One device-independent bitmap read from a .BMP file, with the palette of its colour
// table, drawn stretched or not through a QPainter. The main window keeps its skin in
// one of these.
//
// Loading reads the whole file and decodes it with DibDecoder (1, 4, 8, 16, 24 and 32
// bits per pixel, bottom-up or top-down rows). A load is all or nothing: a file that
// cannot be read or whose headers describe no image lying wholly inside the file is
// refused and the object keeps exactly what it held before (nothing before the first
// load: width and height 0, Draw draws nothing).
class DibImage {
public:
    DibImage() = default;

    // Reads the file at path. skipPalette keeps the palette held so far instead of
    // taking the new file's colour table.
    bool Load(const QString& path, bool skipPalette = false);

    // The number of palette entries the image brings (2, 16 or 256 for 1, 4 and 8 bits
    // per pixel); 0 without a palette. Colours are mapped when the pixels are decoded,
    // so a true-colour surface needs nothing more.
    int RealizePalette() const;

    // Draws the source rectangle (top-down rows: y 0 is the top row) into the
    // destination rectangle. A width or height of 0 or less is the image's full width
    // or height plus that value. The composition mode is the raster operation; Source
    // is a plain copy. Returns the number of source rows drawn, 0 when nothing was.
    int Draw(QPainter& painter, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc,
             int wSrc, int hSrc,
             QPainter::CompositionMode mode = QPainter::CompositionMode_Source) const;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    int BitCount() const { return bitCount_; }
    bool IsNull() const { return image_.isNull(); }
    const QImage& Image() const { return image_; }
    const QList<QRgb>& Palette() const { return palette_; }

    // Why the last Load failed (DibFault::None after a success or a missing file).
    DibFault LastFault() const { return lastFault_; }

private:
    QImage image_;
    QList<QRgb> palette_;
    int bitCount_ = 0;
    DibFault lastFault_ = DibFault::None;
};

}  // namespace veltro
