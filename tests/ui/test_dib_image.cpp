#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "BmpBuilder.h"
#include "ui/DibImage.h"

using veltro::DibFault;
using veltro::DibImage;
using veltro::test::BmpSpec;
using veltro::test::BuildBmp;

Q_DECLARE_METATYPE(DibFault)
Q_DECLARE_METATYPE(BmpSpec)

namespace {

// A colour that differs in every pixel, so that a wrong row or column shows.
std::uint32_t Pattern(int x, int y) {
    return static_cast<std::uint32_t>(((x * 37 + 11) & 0xFF) << 16 | ((y * 53 + 7) & 0xFF) << 8 |
                                      ((x * 5 + y * 17) & 0xFF));
}

std::vector<std::uint32_t> Greys(int count) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t v = static_cast<std::uint32_t>(i * 255 / (count - 1));
        palette.push_back(v << 16 | (255 - v) << 8 | (v / 2));
    }
    return palette;
}

std::uint32_t Scale5(std::uint32_t channel) {
    const std::uint32_t five = channel >> 3;
    return (five * 255 + 15) / 31;
}

std::uint32_t Scale6(std::uint32_t channel) {
    const std::uint32_t six = channel >> 2;
    return (six * 255 + 31) / 63;
}

QImage Canvas(int width, int height) {
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    return canvas;
}

}  // namespace

class DibImageTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int files_ = 0;

    QString Write(const std::vector<std::uint8_t>& bytes) {
        const QString path = dir_.filePath(QStringLiteral("f%1.bmp").arg(files_++));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            qFatal("cannot write a test file");
        }
        return path;
    }

    QString Write(const BmpSpec& spec) { return Write(BuildBmp(spec)); }

private slots:
    void decodesEveryDepth_data() {
        QTest::addColumn<BmpSpec>("spec");
        QTest::addColumn<int>("paletteSize");
        const auto indexed = [](int bits, int colours, int width) {
            BmpSpec spec;
            spec.bits = bits;
            spec.width = width;
            spec.height = 5;
            spec.palette = Greys(colours);
            spec.pixel = [colours](int x, int y) {
                return static_cast<std::uint32_t>((x + 3 * y) % colours);
            };
            return spec;
        };
        const auto direct = [](int bits, int width) {
            BmpSpec spec;
            spec.bits = bits;
            spec.width = width;
            spec.height = 5;
            spec.pixel = Pattern;
            return spec;
        };
        // Odd widths leave padding at the end of every row.
        QTest::newRow("1 bit, 13 wide") << indexed(1, 2, 13) << 2;
        QTest::newRow("4 bits, 7 wide") << indexed(4, 16, 7) << 16;
        QTest::newRow("8 bits, 5 wide") << indexed(8, 256, 5) << 256;
        QTest::newRow("8 bits, short colour table") << indexed(8, 6, 9) << 256;
        QTest::newRow("16 bits 5-5-5, 3 wide") << direct(16, 3) << 0;
        BmpSpec fields = direct(16, 3);
        fields.fields565 = true;
        QTest::newRow("16 bits 5-6-5 fields") << fields << 0;
        QTest::newRow("24 bits, 5 wide") << direct(24, 5) << 0;
        QTest::newRow("32 bits, fourth byte ignored") << direct(32, 4) << 0;
        BmpSpec topDown = direct(24, 6);
        topDown.topDown = true;
        QTest::newRow("24 bits, top-down rows") << topDown << 0;
    }

    void decodesEveryDepth() {
        QFETCH(BmpSpec, spec);
        QFETCH(int, paletteSize);
        DibImage image;
        QVERIFY(image.Load(Write(spec)));
        QCOMPARE(image.Width(), spec.width);
        QCOMPARE(image.Height(), spec.height);
        QCOMPARE(image.BitCount(), spec.bits);
        QCOMPARE(image.RealizePalette(), paletteSize);
        for (int y = 0; y < spec.height; ++y) {
            for (int x = 0; x < spec.width; ++x) {
                std::uint32_t want = spec.pixel(x, y);
                if (spec.bits <= 8) {
                    want = spec.palette[want];
                } else if (spec.bits == 16) {
                    const std::uint32_t r = (want >> 16) & 0xFF, g = (want >> 8) & 0xFF,
                                        b = want & 0xFF;
                    want =
                        Scale5(r) << 16 | (spec.fields565 ? Scale6(g) : Scale5(g)) << 8 | Scale5(b);
                }
                const QRgb got = image.Image().pixel(x, y);
                if ((got & 0xFFFFFF) != want) {
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(got & 0xFFFFFF, 6, 16)
                                         .arg(want, 6, 16)));
                }
            }
        }
        if (paletteSize > 0) {
            QCOMPARE(image.Palette().front(),
                     qRgb(qRed(spec.palette[0] | 0xFF000000u), qGreen(spec.palette[0]),
                          qBlue(spec.palette[0])));
        }
    }

    void refusesFilesThatDescribeNoImage_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<DibFault>("fault");
        const auto good = [] {
            BmpSpec spec;
            spec.width = 3;
            spec.height = 2;
            return BuildBmp(spec);
        };
        const auto bytes = [](const std::vector<std::uint8_t>& v) {
            return QByteArray(reinterpret_cast<const char*>(v.data()),
                              static_cast<qsizetype>(v.size()));
        };
        const auto changed = [&](std::size_t at, std::uint32_t value, int width = 4) {
            std::vector<std::uint8_t> file = good();
            for (int i = 0; i < width; ++i) {
                file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
            }
            return bytes(file);
        };
        // Rows of 9 pixel bytes padded to 12: without its padding the last row still
        // counts, one pixel byte less does not.
        std::vector<std::uint8_t> cut = good();
        cut.resize(cut.size() - 4);
        veltro::test::Set32(cut, 2, 0);
        QTest::newRow("file header only")
            << bytes({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) << DibFault::Truncated;
        QTest::newRow("recorded size beyond the file")
            << changed(2, static_cast<std::uint32_t>(good().size() + 1))
            << DibFault::SizeBeyondFile;
        QTest::newRow("core header of 12 bytes") << changed(14, 12) << DibFault::BadInfoHeader;
        QTest::newRow("header size larger than the file")
            << changed(14, 124) << DibFault::BadInfoHeader;
        QTest::newRow("width 0") << changed(18, 0) << DibFault::BadDimensions;
        QTest::newRow("negative width") << changed(18, 0xFFFFFFFD) << DibFault::BadDimensions;
        QTest::newRow("height 0") << changed(22, 0) << DibFault::BadDimensions;
        QTest::newRow("most negative height")
            << changed(22, 0x80000000u) << DibFault::BadDimensions;
        QTest::newRow("2 bits per pixel") << changed(28, 2, 2) << DibFault::BadBitCount;
        QTest::newRow("64 bits per pixel") << changed(28, 64, 2) << DibFault::BadBitCount;
        QTest::newRow("run-length data") << changed(30, 1) << DibFault::BadCompression;
        QTest::newRow("bit fields at 24 bits") << changed(30, 3) << DibFault::BadCompression;
        QTest::newRow("pixels past the end") << changed(10, 4096) << DibFault::PixelsOutsideFile;
        QTest::newRow("pixels inside the header") << changed(10, 20) << DibFault::PixelsOutsideFile;
        QTest::newRow("last row one byte short") << bytes(cut) << DibFault::PixelsTooShort;
        QTest::newRow("height beyond the pixels") << changed(22, 3) << DibFault::PixelsTooShort;
        // Sides within the format's limit whose pixels would take gigabytes decoded.
        std::vector<std::uint8_t> huge = good();
        veltro::test::Set32(huge, 18, 32767);
        veltro::test::Set32(huge, 22, 32767);
        huge[28] = 1;
        huge[29] = 0;
        QTest::newRow("1 bit, 32767 a side") << bytes(huge) << DibFault::TooLarge;
        QTest::newRow("one row past the pixel bound") << [&] {
            std::vector<std::uint8_t> file = good();
            veltro::test::Set32(file, 18, 4096);
            veltro::test::Set32(file, 22, 4097);
            return bytes(file);
        }() << DibFault::TooLarge;
    }

    // A file larger than any skin is refused before it is read.
    void refusesHugeFilesUnread() {
        const QString path = dir_.filePath(QStringLiteral("huge.bmp"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write("BM", 2), 2);
        QVERIFY(file.resize(static_cast<qint64>(veltro::DibDecoder::kMaxFileBytes) + 1));
        file.close();
        DibImage image;
        QVERIFY(!image.Load(path));
        QCOMPARE(image.LastFault(), DibFault::TooLarge);
        QVERIFY(image.IsNull());
    }

    void refusesFilesThatDescribeNoImage() {
        QFETCH(QByteArray, bytes);
        QFETCH(DibFault, fault);
        DibImage image;
        QVERIFY(!image.Load(Write(std::vector<std::uint8_t>(bytes.begin(), bytes.end()))));
        QCOMPARE(image.LastFault(), fault);
        QVERIFY(image.IsNull());
        QCOMPARE(image.Width(), 0);
        QImage canvas = Canvas(4, 4);
        QPainter painter(&canvas);
        QCOMPARE(image.Draw(painter, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    }

    void acceptsRecordedSizeZeroAndUnpaddedLastRow() {
        BmpSpec spec;
        spec.width = 3;  // 9 bytes of pixels in a 12-byte row
        spec.height = 2;
        spec.pixel = Pattern;
        std::vector<std::uint8_t> file = BuildBmp(spec);
        file.resize(file.size() - 3);
        veltro::test::Set32(file, 2, 0);
        DibImage image;
        QVERIFY(image.Load(Write(file)));
        QCOMPARE(image.Image().pixel(2, 1) & 0xFFFFFF, Pattern(2, 1));
    }

    void missingFileFails() {
        DibImage image;
        QVERIFY(!image.Load(dir_.filePath(QStringLiteral("absent.bmp"))));
        QVERIFY(image.IsNull());
    }

    void drawTakesTopDownSourceRows() {
        BmpSpec spec;
        spec.width = 20;
        spec.height = 16;
        spec.pixel = Pattern;
        DibImage image;
        QVERIFY(image.Load(Write(spec)));

        QImage canvas = Canvas(10, 10);
        QPainter painter(&canvas);
        QCOMPARE(image.Draw(painter, 0, 0, 10, 10, 0, 0, 10, 10), 10);
        painter.end();
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                QCOMPARE(canvas.pixel(x, y) & 0xFFFFFF, Pattern(x, y));
            }
        }
    }

    void drawSizeRules() {
        BmpSpec spec;
        spec.width = 20;
        spec.height = 16;
        spec.pixel = Pattern;
        DibImage image;
        QVERIFY(image.Load(Write(spec)));

        // All zero: the whole image at its own size at the origin.
        QImage whole = Canvas(24, 24);
        QPainter painter(&whole);
        QCOMPARE(image.Draw(painter, 0, 0, 0, 0, 0, 0, 0, 0), 16);
        painter.end();
        QCOMPARE(whole.pixel(19, 15) & 0xFFFFFF, Pattern(19, 15));
        QCOMPARE(whole.pixel(20, 15), qRgb(0, 0, 0));
        QCOMPARE(whole.pixel(19, 16), qRgb(0, 0, 0));

        // Negative: the full size less that much; source offset (5, 4).
        QImage part = Canvas(24, 24);
        painter.begin(&part);
        QCOMPARE(image.Draw(painter, 1, 2, -5, -4, 5, 4, -5, -4), 12);
        painter.end();
        QCOMPARE(part.pixel(1, 2) & 0xFFFFFF, Pattern(5, 4));
        QCOMPARE(part.pixel(15, 13) & 0xFFFFFF, Pattern(19, 15));
        QCOMPARE(part.pixel(16, 13), qRgb(0, 0, 0));

        // A source reaching past the image draws only what lies inside it.
        QImage clipped = Canvas(24, 24);
        painter.begin(&clipped);
        QCOMPARE(image.Draw(painter, 0, 0, 10, 10, 15, 10, 10, 10), 6);
        painter.end();
        QCOMPARE(clipped.pixel(4, 5) & 0xFFFFFF, Pattern(19, 15));
        QCOMPARE(clipped.pixel(5, 5), qRgb(0, 0, 0));

        // Stretched twice as large.
        QImage big = Canvas(40, 32);
        painter.begin(&big);
        QCOMPARE(image.Draw(painter, 0, 0, 40, 32, 0, 0, 0, 0), 16);
        painter.end();
        QCOMPARE(big.pixel(39, 31) & 0xFFFFFF, Pattern(19, 15));
        QCOMPARE(big.pixel(2, 2) & 0xFFFFFF, Pattern(1, 1));
    }

    void secondLoadReplacesPixelsAndPalette() {
        BmpSpec eight;
        eight.bits = 8;
        eight.palette = Greys(256);
        eight.pixel = [](int x, int) { return static_cast<std::uint32_t>(x); };
        BmpSpec four;
        four.bits = 4;
        four.width = 7;
        four.palette = Greys(16);
        four.pixel = [](int, int y) { return static_cast<std::uint32_t>(15 - y); };
        BmpSpec truecolour;
        truecolour.pixel = Pattern;

        DibImage image;
        QVERIFY(image.Load(Write(eight)));
        QCOMPARE(image.RealizePalette(), 256);
        QVERIFY(image.Load(Write(four)));
        QCOMPARE(image.Width(), 7);
        QCOMPARE(image.RealizePalette(), 16);
        QCOMPARE(image.Image().pixel(0, 0) & 0xFFFFFF, four.palette[15]);
        QVERIFY(image.Load(Write(truecolour)));
        QCOMPARE(image.RealizePalette(), 0);
        QCOMPARE(image.Image().pixel(1, 2) & 0xFFFFFF, Pattern(1, 2));

        // Skipping the palette keeps the one held so far.
        QVERIFY(image.Load(Write(eight)));
        QVERIFY(image.Load(Write(four), true));
        QCOMPARE(image.RealizePalette(), 256);
    }

    void failedLoadKeepsTheEarlierImage() {
        BmpSpec eight;
        eight.bits = 8;
        eight.width = 6;
        eight.palette = Greys(256);
        eight.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 10 + y); };
        DibImage image;
        QVERIFY(image.Load(Write(eight)));
        const QImage before = image.Image();

        std::vector<std::uint8_t> bigger = BuildBmp(BmpSpec{});
        veltro::test::Set32(bigger, 2, static_cast<std::uint32_t>(bigger.size() + 100));
        QVERIFY(!image.Load(Write(bigger)));
        QCOMPARE(image.LastFault(), DibFault::SizeBeyondFile);
        QCOMPARE(image.Width(), 6);
        QCOMPARE(image.BitCount(), 8);
        QCOMPARE(image.RealizePalette(), 256);
        QCOMPARE(image.Image(), before);
        QImage canvas = Canvas(6, 3);
        QPainter painter(&canvas);
        QCOMPARE(image.Draw(painter, 0, 0, 0, 0, 0, 0, 0, 0), 3);
    }
};

QTEST_GUILESS_MAIN(DibImageTest)
#include "test_dib_image.moc"
