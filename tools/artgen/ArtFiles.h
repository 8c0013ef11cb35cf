#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace veltro::art {

// A 24-bit bottom-up .BMP with a 40-byte information header: the form every bitmap
// reader knows. Returns false when the file cannot be written.
bool WriteBmp(const QString& path, const QImage& image);

// A 16-bit mono PCM .WAV file.
bool WriteWav(const QString& path, const std::vector<std::int16_t>& samples, int rate);

}  // namespace veltro::art
