#include "records/RecordField.h"

#include <algorithm>

#include "modem/GbkText.h"

namespace veltro {

void RecordField::Put(std::span<char> field, std::string_view utf8) {
    std::fill(field.begin(), field.end(), '\0');
    if (field.empty()) {
        return;
    }
    // Text that is not valid UTF-8 cannot come from the lists; store it as empty.
    const std::string gbk = GbkText::FromUtf8(utf8).value_or(std::string());
    const std::string_view kept = GbkText::CutToFit(gbk, field.size() - 1);
    std::copy(kept.begin(), kept.end(), field.begin());
}

std::string RecordField::Get(std::span<const char> field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return GbkText::ToUtf8(
        std::string_view(field.data(), static_cast<std::size_t>(end - field.begin())));
}

}  // namespace veltro
