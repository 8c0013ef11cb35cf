#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace veltro {

// The program's pictures, made by the art generator (tools/), in the art folder:
//   DAT/BK.BMP        the main window's skin (read with DibImage)
//   DAT/*.png, *.bmp  the icons and the two title-button bitmaps
//   Callring.wav      the ring of an incoming call
// The art folder is the executable's folder in the build tree (build/bin), and
// share/veltrogprs beside the installed bin/ folder.
enum class ArtImage {
    AppIcon,         // blue letter G, 32 x 32 (Icon() adds the 16 x 16 one)
    SmallAppIcon,    // blue letter G, 16 x 16: small window icon and tray icon
    Signal,          // antenna with signal bars, 16 x 16
    NoSignal,        // antenna without bars, 16 x 16
    NewMessage,      // envelope, 16 x 16
    OperatorLogo,    // the operator's name as lettering, 48 x 12
    Gprs,            // the letters "GPRS", 28 x 12
    MinimiseButton,  // 16 x 16 bitmap, magenta is transparent
    CloseButton,     // 16 x 16 bitmap, magenta is transparent
};

class ArtPaths {
public:
    // The art folder of the running executable.
    static QString Folder();
    // The art folder for an executable in executableDir: that folder when it holds the
    // skin, else the installed share folder next to it (which need not exist).
    static QString FolderFor(const QString& executableDir);

    static QString Skin();
    static QString RingSound();
    static QString FileName(ArtImage image);  // file name inside DAT/
    static QString Path(ArtImage image);
    static QImage Image(ArtImage image);  // null when the file is missing
    static QIcon Icon(ArtImage image);
};

}  // namespace veltro
