#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/PhonebookEntryRecord.h"

namespace veltro::cli {

// The contacts of "vc.dat" as the contacts commands change them, in file order: the
// order in which they were added (the window shows the last one on top).
//
// Nothing is cut to fit: an entry whose name or number the file's GBK fields cannot
// hold whole is refused with the reason. A file that cannot be read whole is never
// written back with less.
class ContactBook {
public:
    // Room in the record fields, less their terminators.
    static constexpr std::size_t kNameBytes = PhonebookEntryRecord::kNameWidth - 1;
    static constexpr std::size_t kNumberBytes = PhonebookEntryRecord::kNumberWidth - 1;

    // The file's contacts; a missing file has none. Nothing, with why, when the file
    // exists but cannot be read or is not a whole number of entries.
    static std::optional<ContactBook> Load(const std::string& path, std::string* why);
    // Replaces the file as a whole (a new one private to the user).
    bool Save(const std::string& path) const;

    const std::vector<PhonebookEntryRecord>& Entries() const { return entries_; }

    // Why the entry cannot be stored whole, or empty when it can.
    static std::string Misfit(const PhonebookEntryRecord& entry);
    // Whether the text holds control characters (which a vCard cannot carry and the
    // window's fields do not take).
    static bool HasControl(std::string_view text);
    // The number without the blanks, dashes, dots and brackets people write in it.
    static std::string PlainNumber(std::string_view number);

    // Whether an entry of this name and number is held (numbers compared plain).
    bool Contains(const PhonebookEntryRecord& entry) const;
    // Appends the entry (it shows on top in the window). Call Misfit first.
    void Add(const PhonebookEntryRecord& entry);
    // Removes every entry of this name and, when given, number (compared plain);
    // returns them.
    std::vector<PhonebookEntryRecord> Remove(const std::string& name,
                                             const std::optional<std::string>& number);

private:
    std::vector<PhonebookEntryRecord> entries_;
};

}  // namespace veltro::cli
