#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace veltro::test {

// Builds .BMP files in memory for the loader's tests: any supported depth, either row
// order, with a colour table for the indexed depths and 5-6-5 bit fields on request.
struct BmpSpec {
    int width = 4;
    int height = 3;
    int bits = 24;
    bool topDown = false;
    bool fields565 = false;              // 16 bits with masks 0xF800, 0x07E0, 0x001F
    std::vector<std::uint32_t> palette;  // 0xRRGGBB, for bits <= 8
    // The pixel at (x, y), y = 0 the top row: a palette index for bits <= 8, else
    // 0xRRGGBB (reduced to 5-5-5 or 5-6-5 at 16 bits).
    std::function<std::uint32_t(int, int)> pixel = [](int, int) { return 0u; };
};

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline void Set32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

inline std::vector<std::uint8_t> BuildBmp(const BmpSpec& spec) {
    const std::size_t stride = (static_cast<std::size_t>(spec.width) * spec.bits + 31) / 32 * 4;
    const std::size_t tableBytes = spec.bits <= 8 ? spec.palette.size() * 4 : 0;
    const std::size_t masksBytes = spec.fields565 ? 12 : 0;
    const std::size_t offset = 14 + 40 + masksBytes + tableBytes;
    const std::size_t size = offset + stride * spec.height;
    std::vector<std::uint8_t> out;
    out.reserve(size);
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<std::uint32_t>(size));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(offset));
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(spec.width));
    Put32(out, static_cast<std::uint32_t>(spec.topDown ? -spec.height : spec.height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(spec.bits));
    Put32(out, spec.fields565 ? 3 : 0);
    Put32(out, static_cast<std::uint32_t>(stride * spec.height));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, spec.bits <= 8 ? static_cast<std::uint32_t>(spec.palette.size()) : 0);
    Put32(out, 0);
    if (spec.fields565) {
        Put32(out, 0xF800);
        Put32(out, 0x07E0);
        Put32(out, 0x001F);
    }
    if (spec.bits <= 8) {
        for (const std::uint32_t rgb : spec.palette) {
            Put32(out, rgb & 0xFFFFFF);
        }
    }
    for (int stored = 0; stored < spec.height; ++stored) {
        const int y = spec.topDown ? stored : spec.height - 1 - stored;
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < spec.width; ++x) {
            const std::uint32_t v = spec.pixel(x, y);
            const std::uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            switch (spec.bits) {
                case 1:
                    row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<std::uint8_t>((v & 0xF) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    row[x] = static_cast<std::uint8_t>(v);
                    break;
                case 16: {
                    const std::uint32_t packed =
                        spec.fields565 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                       : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                    row[2 * x] = static_cast<std::uint8_t>(packed);
                    row[2 * x + 1] = static_cast<std::uint8_t>(packed >> 8);
                    break;
                }
                case 24:
                    row[3 * x] = static_cast<std::uint8_t>(b);
                    row[3 * x + 1] = static_cast<std::uint8_t>(g);
                    row[3 * x + 2] = static_cast<std::uint8_t>(r);
                    break;
                default:
                    row[4 * x] = static_cast<std::uint8_t>(b);
                    row[4 * x + 1] = static_cast<std::uint8_t>(g);
                    row[4 * x + 2] = static_cast<std::uint8_t>(r);
                    row[4 * x + 3] = 0x5A;  // not alpha: must be ignored
                    break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace veltro::test
