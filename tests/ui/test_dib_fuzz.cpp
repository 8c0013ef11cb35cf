// Bounded random-input test of the bitmap decoder, built with AddressSanitizer and
// UndefinedBehaviorSanitizer: every input lives in a heap block of exactly its length,
// so a read one byte past the file's end, or a write past the decoded image, aborts.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "BmpBuilder.h"
#include "ui/DibDecoder.h"

namespace veltro {
namespace {

using test::BmpSpec;
using test::BuildBmp;

std::vector<std::vector<std::uint8_t>> Seeds() {
    std::vector<std::vector<std::uint8_t>> seeds;
    const auto pattern = [](int x, int y) {
        return static_cast<std::uint32_t>(x * 7919 + y * 104729);
    };
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        for (const bool topDown : {false, true}) {
            BmpSpec spec;
            spec.bits = bits;
            spec.width = 7;
            spec.height = 5;
            spec.topDown = topDown;
            spec.fields565 = bits == 16 && topDown;
            if (bits <= 8) {
                spec.palette.assign(std::size_t{1} << bits, 0x123456);
            }
            spec.pixel = pattern;
            seeds.push_back(BuildBmp(spec));
        }
    }
    return seeds;
}

// Values that sit on the edges of the header checks.
constexpr std::uint32_t kEdgeValues[] = {
    0,   1,      2,      3,      4,          12,         40,         54,         124,
    125, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x00010000};

std::vector<std::uint8_t> Mutate(std::vector<std::uint8_t> file, std::mt19937& random) {
    const int mutations = 1 + static_cast<int>(random() % 6);
    for (int m = 0; m < mutations; ++m) {
        switch (random() % 5) {
            case 0:  // flip a byte anywhere
                if (!file.empty()) {
                    file[random() % file.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
                }
                break;
            case 1: {  // an edge value into a header field
                static constexpr std::size_t kFields[] = {2,  10, 14, 18, 22, 26, 28,
                                                          30, 34, 46, 54, 58, 62};
                const std::size_t at = kFields[random() % std::size(kFields)];
                if (at + 4 <= file.size()) {
                    test::Set32(file, at, kEdgeValues[random() % std::size(kEdgeValues)]);
                }
                break;
            }
            case 2:  // cut the file short
                file.resize(random() % (file.size() + 1));
                break;
            case 3:  // append noise
                for (int i = static_cast<int>(random() % 16); i > 0; --i) {
                    file.push_back(static_cast<std::uint8_t>(random()));
                }
                break;
            default:  // the recorded size matches the cut file, as a careful writer's would
                if (file.size() >= 6) {
                    test::Set32(file, 2, static_cast<std::uint32_t>(file.size()));
                }
                break;
        }
    }
    return file;
}

void DecodeExactly(const std::vector<std::uint8_t>& bytes, int& accepted) {
    // An exact-size block: no slack after the last byte for a stray read to land in.
    const std::size_t size = bytes.size();
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[size == 0 ? 1 : size]);
    std::copy(bytes.begin(), bytes.end(), block.get());
    const std::span<const std::uint8_t> file(block.get(), size);
    const DibLayout layout = DibDecoder::Inspect(file);
    const std::vector<std::uint32_t> palette = DibDecoder::Palette(file, layout);
    if (layout.fault != DibFault::None) {
        return;
    }
    ++accepted;
    ASSERT_GT(layout.width, 0);
    ASSERT_GT(layout.height, 0);
    ASSERT_LE(layout.pixelOffset, size);
    // Decoding never needs more output than 32 pixels per input byte.
    const std::size_t pixels = static_cast<std::size_t>(layout.width) * layout.height;
    ASSERT_LE(pixels, 32 * size + 32);
    std::unique_ptr<std::uint32_t[]> out(new std::uint32_t[pixels]);
    DibDecoder::Decode(file, layout, out.get(), static_cast<std::size_t>(layout.width));
    if (layout.bitCount <= 8) {
        ASSERT_EQ(palette.size(), std::size_t{1} << layout.bitCount);
    } else {
        ASSERT_TRUE(palette.empty());
    }
}

TEST(DibFuzzTest, MutatedFilesNeverReadOutsideTheirBytes) {
    const auto seeds = Seeds();
    std::mt19937 random(20240611);
    int accepted = 0;
    constexpr int kRounds = 40000;
    for (int round = 0; round < kRounds; ++round) {
        DecodeExactly(Mutate(seeds[random() % seeds.size()], random), accepted);
        if (HasFatalFailure()) {
            FAIL() << "round " << round;
        }
    }
    // The mutations keep a fair share of files decodable, so decoding is exercised too.
    EXPECT_GT(accepted, kRounds / 20);
}

TEST(DibFuzzTest, RandomBytesAndEveryCutOfAValidFile) {
    std::mt19937 random(7);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        std::vector<std::uint8_t> noise(random() % 200);
        for (auto& byte : noise) {
            byte = static_cast<std::uint8_t>(random());
        }
        DecodeExactly(noise, accepted);
    }
    for (const auto& seed : Seeds()) {
        for (std::size_t length = 0; length <= seed.size(); ++length) {
            std::vector<std::uint8_t> cut(seed.begin(), seed.begin() + static_cast<long>(length));
            DecodeExactly(cut, accepted);
        }
    }
    EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace veltro
