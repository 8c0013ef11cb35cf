// Writes the program's art into a folder: the skin DAT/BK.BMP, the icons and title-button
// bitmaps under DAT/, the ring sound Callring.wav, and the desktop's application icons
// icons/veltrogprs-<size>.png. Everything is drawn from code, so
// the same source gives the same files on every machine.
#include <QDir>
#include <QImage>

#include <cstdio>

#include "ArtFiles.h"
#include "Pictures.h"
#include "RingTone.h"

using namespace veltro::art;

namespace {

bool SavePng(const QImage& image, const QString& path) {
    return image.save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString dat = folder + QStringLiteral("/DAT");
    const QString icons = folder + QStringLiteral("/icons");
    if (!QDir().mkpath(dat) || !QDir().mkpath(icons)) {
        std::fprintf(stderr, "cannot create the folders in %s\n", qPrintable(folder));
        return 1;
    }
    bool ok = WriteBmp(dat + QStringLiteral("/BK.BMP"), PaintSkin());
    ok = SavePng(PaintAppIcon(32), dat + QStringLiteral("/app32.png")) && ok;
    ok = SavePng(PaintAppIcon(16), dat + QStringLiteral("/app16.png")) && ok;
    ok = SavePng(PaintAntenna(true), dat + QStringLiteral("/signal.png")) && ok;
    ok = SavePng(PaintAntenna(false), dat + QStringLiteral("/nosignal.png")) && ok;
    ok = SavePng(PaintEnvelope(), dat + QStringLiteral("/envelope.png")) && ok;
    ok = SavePng(PaintOperatorLogo(), dat + QStringLiteral("/operator.png")) && ok;
    ok = SavePng(PaintGprsBadge(), dat + QStringLiteral("/gprs.png")) && ok;
    ok = WriteBmp(dat + QStringLiteral("/minimise.bmp"), PaintTitleBitmap(false)) && ok;
    ok = WriteBmp(dat + QStringLiteral("/close.bmp"), PaintTitleBitmap(true)) && ok;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        ok = SavePng(PaintAppIcon(size), icons + QStringLiteral("/veltrogprs-%1.png").arg(size)) &&
             ok;
    }
    constexpr int kRate = 22050;
    ok = WriteWav(folder + QStringLiteral("/Callring.wav"), RingTone(kRate), kRate) && ok;
    if (!ok) {
        std::fprintf(stderr, "cannot write the art into %s\n", qPrintable(folder));
        return 1;
    }
    return 0;
}
