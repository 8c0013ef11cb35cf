#pragma once

#include <unistd.h>

#include <climits>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "modem/AtomicFile.h"

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

    // The records in file order. A missing or unreadable file has none; a shorter rest
    // at the end is ignored.
    static std::vector<Record> Read(const std::string& path) {
        std::vector<Record> records;
        std::ifstream in(path, std::ios::binary);
        char bytes[Record::kSize];
        while (in.read(bytes, sizeof(bytes))) {
            records.push_back(Record::Decode(std::span<const char, Record::kSize>(bytes)));
        }
        return records;
    }

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
