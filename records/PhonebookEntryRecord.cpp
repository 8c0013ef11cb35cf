#include "records/PhonebookEntryRecord.h"

#include "records/RecordField.h"

namespace veltro {

std::array<char, PhonebookEntryRecord::kSize> PhonebookEntryRecord::Encode() const {
    std::array<char, kSize> bytes{};
    const std::span<char> all(bytes);
    RecordField::Put(all.subspan(0, kNameWidth), name);
    RecordField::Put(all.subspan(kNameWidth, kNumberWidth), number);
    return bytes;
}

PhonebookEntryRecord PhonebookEntryRecord::Decode(std::span<const char, kSize> bytes) {
    return {RecordField::Get(bytes.subspan(0, kNameWidth)),
            RecordField::Get(bytes.subspan(kNameWidth, kNumberWidth))};
}

}  // namespace veltro
