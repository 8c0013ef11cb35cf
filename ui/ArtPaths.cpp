#include "ui/ArtPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace veltro {

QString ArtPaths::Folder() {
    return FolderFor(QCoreApplication::applicationDirPath());
}

QString ArtPaths::FolderFor(const QString& executableDir) {
    if (QFileInfo::exists(executableDir + QStringLiteral("/DAT/BK.BMP"))) {
        return executableDir;
    }
    // VELTRO_ART_FROM_BIN: the installed art folder relative to the installed bin/.
    return QDir::cleanPath(executableDir + QStringLiteral("/" VELTRO_ART_FROM_BIN));
}

QString ArtPaths::Skin() {
    return Folder() + QStringLiteral("/DAT/BK.BMP");
}

QString ArtPaths::RingSound() {
    return Folder() + QStringLiteral("/Callring.wav");
}

QString ArtPaths::FileName(ArtImage image) {
    switch (image) {
        case ArtImage::AppIcon:
            return QStringLiteral("app32.png");
        case ArtImage::SmallAppIcon:
            return QStringLiteral("app16.png");
        case ArtImage::Signal:
            return QStringLiteral("signal.png");
        case ArtImage::NoSignal:
            return QStringLiteral("nosignal.png");
        case ArtImage::NewMessage:
            return QStringLiteral("envelope.png");
        case ArtImage::OperatorLogo:
            return QStringLiteral("operator.png");
        case ArtImage::Gprs:
            return QStringLiteral("gprs.png");
        case ArtImage::MinimiseButton:
            return QStringLiteral("minimise.bmp");
        case ArtImage::CloseButton:
            return QStringLiteral("close.bmp");
    }
    return {};
}

QString ArtPaths::Path(ArtImage image) {
    return Folder() + QStringLiteral("/DAT/") + FileName(image);
}

QImage ArtPaths::Image(ArtImage image) {
    return QImage(Path(image));
}

QIcon ArtPaths::Icon(ArtImage image) {
    QIcon icon(Path(image));
    if (image == ArtImage::AppIcon) {
        icon.addFile(Path(ArtImage::SmallAppIcon));
    }
    return icon;
}

}  // namespace veltro
