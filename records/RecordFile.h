#pragma once

#include <unistd.h>

#include <climits>
#include <span>
#include <string>
#include <vector>

#include "modem/AtomicFile.h"
#include "modem/StoredFile.h"

namespace veltro {

// A data file: a plain sequence of fixed-size records with no header. Record is
// PhonebookEntryRecord or MessageRecord.
template <typename Record>
class RecordFile {
public:
    // The record's file in the process's current directory at the moment of the call,
    // or empty when the current directory cannot be read.
    static std::string CurrentDirectoryPath() {
        char directory[PATH_MAX];
        if (::getcwd(directory, sizeof(directory)) == nullptr) {
            return {};
        }
        return std::string(directory) + "/" + Record::kFileName;
    }

    // A file as loaded: its whole records in file order, how the read went, and whether
    // the file is damaged (its length is not a whole number of records).
    struct Loaded {
        std::vector<Record> records;
        StoredFile::State state = StoredFile::State::kMissing;
        std::string why;
        bool damaged = false;
    };

    static Loaded Load(const std::string& path) {
        Loaded loaded;
        StoredFile file = StoredFile::Read(path);
        loaded.state = file.state;
        loaded.why = std::move(file.why);
        loaded.damaged = file.bytes.size() % Record::kSize != 0;
        const std::size_t whole = file.bytes.size() / Record::kSize;
        loaded.records.reserve(whole);
        for (std::size_t i = 0; i < whole; ++i) {
            loaded.records.push_back(Record::Decode(std::span<const char, Record::kSize>(
                file.bytes.data() + i * Record::kSize, Record::kSize)));
        }
        return loaded;
    }

    // The whole records in file order; none when the file cannot be read.
    static std::vector<Record> Read(const std::string& path) { return Load(path).records; }

    // Replaces the file with these records, in this order. The new contents go to a
    // temporary file that is renamed over the old one, so a failed write keeps the
    // previous file whole instead of a cut one. The records are the user's messages and
    // contacts: a new file is private to the user.
    static bool Write(const std::string& path, const std::vector<Record>& records) {
        if (path.empty()) {
            return false;
        }
        return AtomicFile::Write(path, Encode(records), AtomicFile::kPrivate);
    }

    // The file's bytes for these records, in this order.
    static std::string Encode(const std::vector<Record>& records) {
        std::string bytes;
        bytes.reserve(records.size() * Record::kSize);
        for (const Record& record : records) {
            const auto encoded = record.Encode();
            bytes.append(encoded.data(), encoded.size());
        }
        return bytes;
    }
};

}  // namespace veltro
