#include "records/MessageRecord.h"

#include "records/RecordField.h"

namespace veltro {

namespace {
constexpr std::size_t kTimeOffset = MessageRecord::kNumberWidth;
constexpr std::size_t kContentOffset = kTimeOffset + MessageRecord::kTimeWidth;
static_assert(kContentOffset + MessageRecord::kContentWidth == MessageRecord::kSize);
}  // namespace

std::array<char, MessageRecord::kSize> MessageRecord::Encode() const {
    std::array<char, kSize> bytes{};
    const std::span<char> all(bytes);
    RecordField::Put(all.subspan(0, kNumberWidth), number);
    RecordField::Put(all.subspan(kTimeOffset, kTimeWidth), time);
    RecordField::Put(all.subspan(kContentOffset, kContentWidth), content);
    return bytes;
}

MessageRecord MessageRecord::Decode(std::span<const char, kSize> bytes) {
    return {RecordField::Get(bytes.subspan(0, kNumberWidth)),
            RecordField::Get(bytes.subspan(kTimeOffset, kTimeWidth)),
            RecordField::Get(bytes.subspan(kContentOffset, kContentWidth))};
}

}  // namespace veltro
