// The skin bitmap loader: the whole .BMP file in, a checked layout, then the palette
// and the pixels. The input lives in a block of exactly its length, so any read past
// the file's end is caught.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "FuzzCheck.h"
#include "ui/DibDecoder.h"

using veltro::DibDecoder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const veltro::DibLayout layout = DibDecoder::Inspect(file);
    const std::vector<std::uint32_t> palette = DibDecoder::Palette(file, layout);
    if (layout.fault != veltro::DibFault::None) {
        return 0;
    }
    FUZZ_CHECK(layout.width > 0 && layout.height > 0);
    FUZZ_CHECK(layout.pixelOffset <= size);
    const std::size_t pixels = static_cast<std::size_t>(layout.width) * layout.height;
    // Every accepted image has its rows in the file: at most 32 pixels per byte.
    FUZZ_CHECK(pixels <= 32 * size + 32);
    std::unique_ptr<std::uint32_t[]> out(new std::uint32_t[pixels]);
    DibDecoder::Decode(file, layout, out.get(), static_cast<std::size_t>(layout.width));
    FUZZ_CHECK(layout.bitCount > 8 ? palette.empty()
                                   : palette.size() == (std::size_t{1} << layout.bitCount));
    return 0;
}
