#include "ArtFiles.h"

#include <QByteArray>
#include <QFile>

namespace veltro::art {
namespace {

void Put16(QByteArray& out, std::uint32_t value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

bool WriteBmp(const QString& path, const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const auto width = static_cast<std::uint32_t>(image.width());
    const auto height = static_cast<std::uint32_t>(image.height());
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = stride * height;
    constexpr std::uint32_t kHeaders = 14 + 40;

    QByteArray out;
    out.reserve(static_cast<qsizetype>(kHeaders + pixelBytes));
    out.append("BM");
    Put32(out, kHeaders + pixelBytes);
    Put32(out, 0);
    Put32(out, kHeaders);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits per pixel
    Put32(out, 0);   // uncompressed
    Put32(out, pixelBytes);
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            out.append(static_cast<char>(qBlue(line[x])));
            out.append(static_cast<char>(qGreen(line[x])));
            out.append(static_cast<char>(qRed(line[x])));
        }
        for (std::uint32_t pad = width * 3; pad < stride; ++pad) {
            out.append('\0');
        }
    }
    return WriteAll(path, out);
}

bool WriteWav(const QString& path, const std::vector<std::int16_t>& samples, int rate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    QByteArray out;
    out.append("RIFF");
    Put32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, static_cast<std::uint32_t>(rate));
    Put32(out, static_cast<std::uint32_t>(rate) * 2);
    Put16(out, 2);
    Put16(out, 16);
    out.append("data");
    Put32(out, dataBytes);
    for (const std::int16_t sample : samples) {
        Put16(out, static_cast<std::uint16_t>(sample));
    }
    return WriteAll(path, out);
}

}  // namespace veltro::art
