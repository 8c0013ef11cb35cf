// Loads a skin of about 1 MB (24 bits per pixel, 600 x 580) with DibImage, as the main
// window does once at start-up, and reports the time of one load: the median of 25.
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "tests/ui/BmpBuilder.h"
#include "ui/DibImage.h"

int main() {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_dib_load: no temporary folder\n");
        return 1;
    }
    veltro::test::BmpSpec spec;
    spec.width = 600;
    spec.height = 580;
    spec.bits = 24;
    spec.pixel = [](int x, int y) {
        return static_cast<std::uint32_t>((x * 3) & 0xFF) << 16 |
               static_cast<std::uint32_t>((y * 5) & 0xFF) << 8 |
               static_cast<std::uint32_t>((x + y) & 0xFF);
    };
    const std::vector<std::uint8_t> bytes = veltro::test::BuildBmp(spec);
    const QString path = dir.filePath(QStringLiteral("BK.BMP"));
    {
        std::ofstream out(path.toStdString(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<double> times;
    for (int round = 0; round < 25; ++round) {
        veltro::DibImage image;
        const auto start = std::chrono::steady_clock::now();
        const bool loaded = image.Load(path);
        const auto end = std::chrono::steady_clock::now();
        if (!loaded || image.Width() != spec.width) {
            std::fprintf(stderr, "bench_dib_load: the skin did not load\n");
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "bench_dib_load: loading a %.2f MB skin (%d x %d, 24 bits) takes %.2f ms "
        "(median of %zu; fastest %.2f ms, slowest %.2f ms; limit 20 ms)\n",
        bytes.size() / 1048576.0, spec.width, spec.height, times[times.size() / 2], times.size(),
        times.front(), times.back());
    return 0;
}
