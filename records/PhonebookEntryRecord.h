#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace veltro {

// One contact of the local phonebook as stored in "vc.dat": 48 bytes, name then
// number, each a zero-terminated GBK field. Texts are held here as UTF-8.
struct PhonebookEntryRecord {
    static constexpr std::size_t kSize = 48;
    static constexpr std::size_t kNameWidth = 16;
    static constexpr std::size_t kNumberWidth = 32;
    static constexpr const char* kFileName = "vc.dat";

    std::string name;
    std::string number;

    std::array<char, kSize> Encode() const;
    static PhonebookEntryRecord Decode(std::span<const char, kSize> bytes);

    bool operator==(const PhonebookEntryRecord&) const = default;
};

}  // namespace veltro
