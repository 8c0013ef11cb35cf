#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ui/ArtPaths.h"
#include "ui/DibImage.h"

using veltro::ArtImage;
using veltro::ArtPaths;

Q_DECLARE_METATYPE(ArtImage)

namespace {

const QRgb kDialogBlue = qRgb(0, 29, 143);
const QRgb kMagenta = qRgb(255, 0, 255);

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 Le(const QByteArray& bytes, int at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<quint8>(bytes[at + i]);
    }
    return value;
}

}  // namespace

// The art the build draws beside the executables: present, of the sizes the window
// places it at, and drawn the same way every time.
class ArtTest : public QObject {
    Q_OBJECT

private slots:
    void skinFitsTheWindowTemplate() {
        veltro::DibImage skin;
        QVERIFY2(skin.Load(ArtPaths::Skin()), qPrintable(ArtPaths::Skin()));
        QCOMPARE(skin.Width(), 510);
        QCOMPARE(skin.Height(), 390);
        QCOMPARE(skin.BitCount(), 24);
        // The page area, the dock of the command buttons and the footer under the notice
        // line are in the dialog colour, so that pages, buttons and texts painted on
        // that colour sit on the skin seamlessly.
        for (const QPoint at :
             {QPoint(41, 57), QPoint(200, 100), QPoint(458, 318), QPoint(270, 346),
              QPoint(490, 306), QPoint(14, 368), QPoint(189, 379), QPoint(300, 375)}) {
            QCOMPARE(skin.Image().pixel(at), kDialogBlue);
        }
    }

    void imagesHaveTheirSizes_data() {
        QTest::addColumn<ArtImage>("image");
        QTest::addColumn<QSize>("size");
        QTest::newRow("application icon") << ArtImage::AppIcon << QSize(32, 32);
        QTest::newRow("small application icon") << ArtImage::SmallAppIcon << QSize(16, 16);
        QTest::newRow("signal") << ArtImage::Signal << QSize(16, 16);
        QTest::newRow("no signal") << ArtImage::NoSignal << QSize(16, 16);
        QTest::newRow("new message") << ArtImage::NewMessage << QSize(16, 16);
        QTest::newRow("operator") << ArtImage::OperatorLogo << QSize(48, 12);
        QTest::newRow("GPRS") << ArtImage::Gprs << QSize(28, 12);
        QTest::newRow("minimise") << ArtImage::MinimiseButton << QSize(16, 16);
        QTest::newRow("close") << ArtImage::CloseButton << QSize(16, 16);
    }

    void imagesHaveTheirSizes() {
        QFETCH(ArtImage, image);
        QFETCH(QSize, size);
        const QImage picture = ArtPaths::Image(image);
        QVERIFY2(!picture.isNull(), qPrintable(ArtPaths::Path(image)));
        QCOMPARE(picture.size(), size);
        QVERIFY(!ArtPaths::Icon(image).isNull());
    }

    void titleBitmapsAreInkOnPureMagenta() {
        for (const ArtImage which : {ArtImage::MinimiseButton, ArtImage::CloseButton}) {
            const QImage bitmap = ArtPaths::Image(which).convertToFormat(QImage::Format_RGB32);
            int ink = 0;
            for (int y = 0; y < bitmap.height(); ++y) {
                for (int x = 0; x < bitmap.width(); ++x) {
                    const QRgb p = bitmap.pixel(x, y);
                    if (p == kMagenta) {
                        continue;
                    }
                    ++ink;
                    // A smoothed edge would leave purple pixels that the transparent
                    // copy keeps: every other pixel must be far from magenta.
                    QVERIFY(qRed(p) < 128 || qBlue(p) < 128 || qGreen(p) > 128);
                }
            }
            QVERIFY(ink >= 10);
            // The outer two pixels are magenta: the 14-pixel title buttons cut one.
            QCOMPARE(bitmap.pixel(1, 1), kMagenta);
            QCOMPARE(bitmap.pixel(14, 14), kMagenta);
        }
    }

    void ringIsAFewSecondsOfCleanPcm() {
        const QByteArray wav = ReadAll(ArtPaths::RingSound());
        QVERIFY(wav.size() > 44);
        QCOMPARE(wav.left(4), QByteArray("RIFF"));
        QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(Le(wav, 20, 2), 1u);   // PCM
        QCOMPARE(Le(wav, 22, 2), 1u);   // mono
        QCOMPARE(Le(wav, 34, 2), 16u);  // bits
        const quint32 rate = Le(wav, 24, 4);
        const quint32 data = Le(wav, 40, 4);
        QCOMPARE(static_cast<qsizetype>(data + 44), wav.size());
        const double seconds = data / 2.0 / rate;
        QVERIFY(seconds >= 2.0 && seconds <= 5.0);
        int peak = 0;
        for (quint32 at = 44; at < data + 44; at += 2) {
            peak = std::max(peak, std::abs(static_cast<qint16>(Le(wav, static_cast<int>(at), 2))));
        }
        QVERIFY(peak > 16000 && peak < 32767);  // loud enough, never clipped
        // The loop joins at silence: no click when the sound starts over.
        QVERIFY(std::abs(static_cast<qint16>(Le(wav, wav.size() - 2, 2))) < 64);
    }

    void generatorDrawsTheSameFilesEveryTime() {
        QTemporaryDir first;
        QTemporaryDir second;
        for (const QTemporaryDir* dir : {&first, &second}) {
            QCOMPARE(QProcess::execute(QStringLiteral(VELTRO_ARTGEN), {dir->path()}), 0);
        }
        int files = 0;
        QDirIterator it(first.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = QDir(first.path()).relativeFilePath(path);
            QCOMPARE(ReadAll(second.filePath(relative)), ReadAll(path));
            QCOMPARE(ReadAll(path), ReadAll(ArtPaths::Folder() + QLatin1Char('/') + relative));
            ++files;
        }
        QCOMPARE(files, 17);
    }

    // Built, the art is beside the executable; installed, in share/veltrogprs next to
    // bin/.
    void artFolderIsBesideTheProgramOrInstalledNextToIt() {
        QTemporaryDir tree;
        QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("build/bin/DAT")));
        QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("usr/bin")));
        QFile skin(tree.filePath(QStringLiteral("build/bin/DAT/BK.BMP")));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.close();
        QCOMPARE(ArtPaths::FolderFor(tree.filePath(QStringLiteral("build/bin"))),
                 tree.filePath(QStringLiteral("build/bin")));
        QCOMPARE(ArtPaths::FolderFor(tree.filePath(QStringLiteral("usr/bin"))),
                 tree.filePath(QStringLiteral("usr/share/veltrogprs")));
    }
};

QTEST_MAIN(ArtTest)
#include "test_art.moc"
