#pragma once

#include <functional>
#include <string>

#include "dialup/DialupEntry.h"

namespace veltro {

// A phonebook: an INI file with one section per entry, named after the entry. Entry
// names compare without regard to ASCII case. Every call reads the file anew, so other
// processes' changes are seen; writes replace the file atomically under a lock.
//
// A damaged file holds no entries; the first write moves it aside to <path>.damaged
// instead of losing it. An entry with a missing or unreadable field does not exist.
class Phonebook {
public:
    static constexpr std::size_t kMaxEntryName = 256;

    explicit Phonebook(std::string path);

    const std::string& Path() const { return path_; }

    // kAlreadyExists when the entry exists, kInvalidName for a name no entry can have,
    // else 0 (the name is free).
    int Validate(const std::string& entryName) const;
    // 0, or kCannotFindPhonebookEntry.
    int Read(const std::string& entryName, DialupEntry& entry) const;
    // Creates or replaces the entry: 0, kInvalidName, kInvalidParameter (a text too long
    // or with control characters) or kCannotWritePhonebook.
    int Write(const std::string& entryName, const DialupEntry& entry);
    // 0, kCannotFindPhonebookEntry or kCannotWritePhonebook.
    int Delete(const std::string& entryName);
    // Reads the entry, lets change alter it and writes it back, all under the lock, so
    // that two processes changing the same entry do not undo each other's change.
    // 0, kCannotFindPhonebookEntry, or a result of Write.
    int Modify(const std::string& entryName, const std::function<void(DialupEntry&)>& change);

private:
    std::string path_;
};

}  // namespace veltro
