#pragma once

#include <QImage>

namespace veltro::art {

// The geometry the skin is drawn for: the main window's controls at their places in
// pixels (dialog units at 1.5 pixels each, the base units of a 9-point Song face).
constexpr int kSkinWidth = 510;
constexpr int kSkinHeight = 390;

QImage PaintSkin();
QImage PaintAppIcon(int size);
QImage PaintAntenna(bool withBars);
QImage PaintEnvelope();
QImage PaintOperatorLogo();
QImage PaintGprsBadge();
QImage PaintTitleBitmap(bool close);  // minimise (false) or close (true), magenta ground

}  // namespace veltro::art
