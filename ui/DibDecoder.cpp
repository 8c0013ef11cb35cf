#include "ui/DibDecoder.h"

#include <bit>

namespace veltro {
namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kMinInfoHeader = 40;
constexpr std::size_t kMaxInfoHeader = 124;  // the largest header revision in use
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint16_t U16(std::span<const std::uint8_t> file, std::size_t at) {
    return static_cast<std::uint16_t>(file[at] | (file[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> file, std::size_t at) {
    return static_cast<std::uint32_t>(file[at]) | (static_cast<std::uint32_t>(file[at + 1]) << 8) |
           (static_cast<std::uint32_t>(file[at + 2]) << 16) |
           (static_cast<std::uint32_t>(file[at + 3]) << 24);
}

bool ValidBitCount(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Entry i of the colour table, or black when the table entry lies past the file's end.
std::uint32_t TableEntry(std::span<const std::uint8_t> file, std::size_t table, std::size_t i) {
    const std::size_t at = table + 4 * i;
    if (at + 3 > file.size()) {
        return kOpaque;
    }
    return kOpaque | (static_cast<std::uint32_t>(file[at + 2]) << 16) |
           (static_cast<std::uint32_t>(file[at + 1]) << 8) | file[at];
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : mask_(mask),
          shift_(mask == 0 ? 0 : std::countr_zero(mask)),
          max_(mask == 0 ? 0 : (mask >> shift_)) {}

    std::uint32_t Value(std::uint32_t pixel) const {
        if (max_ == 0) {
            return 0;
        }
        const std::uint64_t raw = (pixel & mask_) >> shift_;
        return static_cast<std::uint32_t>((raw * 255 + max_ / 2) / max_);
    }

private:
    std::uint32_t mask_;
    int shift_;
    std::uint32_t max_;
};

}  // namespace

DibLayout DibDecoder::Inspect(std::span<const std::uint8_t> file) {
    DibLayout layout;
    const std::size_t size = file.size();
    if (size < kFileHeader + kMinInfoHeader) {
        layout.fault = DibFault::Truncated;
        return layout;
    }
    if (size > kMaxFileBytes) {
        layout.fault = DibFault::TooLarge;
        return layout;
    }
    // A recorded size of 0 is common and means "not given".
    if (U32(file, 2) > size) {
        layout.fault = DibFault::SizeBeyondFile;
        return layout;
    }
    const std::uint32_t infoSize = U32(file, 14);
    if (infoSize < kMinInfoHeader || infoSize > kMaxInfoHeader || kFileHeader + infoSize > size) {
        layout.fault = DibFault::BadInfoHeader;
        return layout;
    }
    const auto width = static_cast<std::int32_t>(U32(file, 18));
    const auto height = static_cast<std::int32_t>(U32(file, 22));
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide) {
        layout.fault = DibFault::BadDimensions;
        return layout;
    }
    layout.width = width;
    layout.height = height < 0 ? -height : height;
    layout.topDown = height < 0;
    if (static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height) >
        kMaxPixels) {
        layout.fault = DibFault::TooLarge;
        return layout;
    }

    layout.bitCount = U16(file, 28);
    if (!ValidBitCount(layout.bitCount)) {
        layout.fault = DibFault::BadBitCount;
        return layout;
    }
    const std::uint32_t compression = U32(file, 30);
    const bool fields = compression == kBitFields;
    if (compression != kRgb && !(fields && (layout.bitCount == 16 || layout.bitCount == 32))) {
        layout.fault = DibFault::BadCompression;
        return layout;
    }
    // The three masks follow a 40-byte header and sit inside every later revision, so
    // they are at the same file offset either way.
    const std::size_t masksAt = kFileHeader + kMinInfoHeader;
    if (fields) {
        if (masksAt + 12 > size) {
            layout.fault = DibFault::BadInfoHeader;
            return layout;
        }
        layout.masks = {U32(file, masksAt), U32(file, masksAt + 4), U32(file, masksAt + 8)};
    } else if (layout.bitCount == 16) {
        layout.masks = {0x7C00u, 0x03E0u, 0x001Fu};
    } else if (layout.bitCount == 32) {
        layout.masks = {0xFF0000u, 0x00FF00u, 0x0000FFu};
    }
    layout.colourTable = kFileHeader + infoSize + (fields && infoSize == kMinInfoHeader ? 12u : 0u);
    if (layout.bitCount <= 8) {
        const std::size_t most = std::size_t{1} << layout.bitCount;
        const std::uint32_t used = U32(file, 46);
        layout.tableEntries = used == 0 || used > most ? most : used;
    }

    layout.pixelOffset = U32(file, 10);
    if (layout.pixelOffset < kFileHeader + infoSize || layout.pixelOffset > size) {
        layout.fault = DibFault::PixelsOutsideFile;
        return layout;
    }
    const std::size_t bitsPerRow = static_cast<std::size_t>(width) * layout.bitCount;
    layout.stride = (bitsPerRow + 31) / 32 * 4;
    // The last row needs no padding: some writers leave it out.
    const std::size_t needed =
        layout.stride * static_cast<std::size_t>(layout.height - 1) + (bitsPerRow + 7) / 8;
    if (size - layout.pixelOffset < needed) {
        layout.fault = DibFault::PixelsTooShort;
        return layout;
    }
    return layout;
}

std::vector<std::uint32_t> DibDecoder::Palette(std::span<const std::uint8_t> file,
                                               const DibLayout& layout) {
    std::vector<std::uint32_t> palette;
    if (layout.bitCount == 0 || layout.bitCount > 8) {
        return palette;
    }
    const std::size_t count = std::size_t{1} << layout.bitCount;
    palette.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        palette.push_back(TableEntry(file, layout.colourTable, i));
    }
    return palette;
}

void DibDecoder::Decode(std::span<const std::uint8_t> file, const DibLayout& layout,
                        std::uint32_t* out, std::size_t strideWords) {
    if (layout.fault != DibFault::None || layout.width <= 0 || layout.height <= 0) {
        return;
    }
    std::array<std::uint32_t, 256> table;
    table.fill(kOpaque);
    for (std::size_t i = 0; i < layout.tableEntries && i < table.size(); ++i) {
        table[i] = TableEntry(file, layout.colourTable, i);
    }
    const Channel red(layout.masks[0]);
    const Channel green(layout.masks[1]);
    const Channel blue(layout.masks[2]);
    const bool plain32 = layout.masks == std::array<std::uint32_t, 3>{0xFF0000u, 0xFF00u, 0xFFu};
    const auto width = static_cast<std::size_t>(layout.width);
    const auto height = static_cast<std::size_t>(layout.height);

    for (std::size_t row = 0; row < height; ++row) {
        const std::size_t stored = layout.topDown ? row : height - 1 - row;
        const std::uint8_t* src = file.data() + layout.pixelOffset + stored * layout.stride;
        std::uint32_t* dst = out + row * strideWords;
        switch (layout.bitCount) {
            case 1:
                for (std::size_t x = 0; x < width; ++x) {
                    dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
                }
                break;
            case 4:
                for (std::size_t x = 0; x < width; ++x) {
                    dst[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
                }
                break;
            case 8:
                for (std::size_t x = 0; x < width; ++x) {
                    dst[x] = table[src[x]];
                }
                break;
            case 16:
                for (std::size_t x = 0; x < width; ++x) {
                    const std::uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
                    dst[x] = kOpaque | (red.Value(v) << 16) | (green.Value(v) << 8) | blue.Value(v);
                }
                break;
            case 24:
                for (std::size_t x = 0; x < width; ++x) {
                    const std::uint8_t* p = src + 3 * x;
                    dst[x] = kOpaque | (static_cast<std::uint32_t>(p[2]) << 16) |
                             (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
                }
                break;
            default:  // 32
                for (std::size_t x = 0; x < width; ++x) {
                    const std::uint8_t* p = src + 4 * x;
                    const std::uint32_t v = static_cast<std::uint32_t>(p[0]) |
                                            (static_cast<std::uint32_t>(p[1]) << 8) |
                                            (static_cast<std::uint32_t>(p[2]) << 16) |
                                            (static_cast<std::uint32_t>(p[3]) << 24);
                    // The fourth byte is not alpha unless a mask says so: drawn opaque.
                    dst[x] = plain32 ? (kOpaque | (v & 0xFFFFFFu))
                                     : (kOpaque | (red.Value(v) << 16) | (green.Value(v) << 8) |
                                        blue.Value(v));
                }
                break;
        }
    }
}

}  // namespace veltro
