#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veltro {

// Why a file was refused. None means the layout describes an image that lies wholly
// inside the file.
enum class DibFault {
    None,
    Truncated,          // shorter than the file header and a 40-byte information header
    SizeBeyondFile,     // the recorded file size is larger than the file
    BadInfoHeader,      // information header size not 40..124 or not inside the file
    BadDimensions,      // width not positive, height 0, or larger than kMaxSide
    BadBitCount,        // not 1, 4, 8, 16, 24 or 32 bits per pixel
    BadCompression,     // run-length or other compressed data; bit fields only at 16/32
    PixelsOutsideFile,  // the pixel offset points into the headers or past the end
    PixelsTooShort,     // the pixel block holds fewer rows than the header describes
    TooLarge,           // a file or an image larger than a skin ever needs
};

// Where everything lies in one .BMP file, found by Inspect before any pixel is read.
struct DibLayout {
    DibFault fault = DibFault::None;
    std::int32_t width = 0;
    std::int32_t height = 0;  // always positive; topDown tells the row order
    bool topDown = false;     // a negative recorded height stores the top row first
    std::uint16_t bitCount = 0;
    std::size_t pixelOffset = 0;           // start of the pixel block; the block runs to the end
    std::size_t stride = 0;                // bytes per stored row, padded to 4
    std::size_t colourTable = 0;           // file offset of the colour table
    std::size_t tableEntries = 0;          // entries the pixel indices may use (bits <= 8)
    std::array<std::uint32_t, 3> masks{};  // red, green, blue masks at 16 and 32 bits
};

// Reads device-independent bitmaps from the bytes of a whole file, without Qt: the
// uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel forms, with bit-field masks at 16
// and 32 bits. Every read is checked against the span, so no header, however wrong,
// makes it read outside the file or outside the pixel block.
class DibDecoder {
public:
    static constexpr std::int32_t kMaxSide = 32767;
    // A skin is a few hundred pixels a side; these bounds keep a crafted file from
    // making the loader read or decode gigabytes (a 1-bit 32767 x 32767 image is a
    // 134 MB file that decodes to 4.3 GB).
    static constexpr std::size_t kMaxFileBytes = 32u << 20;
    static constexpr std::size_t kMaxPixels = 4096u * 4096u;

    static DibLayout Inspect(std::span<const std::uint8_t> file);

    // The palette of an image: 2, 16 or 256 entries (0xFFRRGGBB) for 1, 4 and 8 bits per
    // pixel, taken from the colour table (entries past the end of the file are black);
    // empty for 16, 24 and 32 bits.
    static std::vector<std::uint32_t> Palette(std::span<const std::uint8_t> file,
                                              const DibLayout& layout);

    // Writes layout.width x layout.height pixels as 0xFFRRGGBB, the top row first, each
    // row starting strideWords words after the previous one. The layout must come from
    // Inspect of the same bytes with no fault.
    static void Decode(std::span<const std::uint8_t> file, const DibLayout& layout,
                       std::uint32_t* out, std::size_t strideWords);
};

}  // namespace veltro
