#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "modem/StoredFile.h"
#include "records/MessageRecord.h"

namespace veltro {

// The whole texts that "sms.dat" cannot hold. A record keeps 255 GBK bytes of a text,
// with '?' for each character GBK lacks; "sms.dat" stays in that format for older
// copies and other readers, and this file beside it keeps, in UTF-8, the whole text of
// every message whose record cut or changed it.
//
// Each entry names its record by number, time and the text the record holds, not by
// position, so it still finds its record after the user deleted others. Entries that
// share all three are matched in file order.
//
// The file "smstext.dat" starts with the line "smstext 1"; then one entry a line:
// number, time, record text and whole text, separated by tabs, with backslash, tab,
// line feed and carriage return written as \\, \t, \n and \r.
class WholeTextFile {
public:
    static constexpr const char* kFileName = "smstext.dat";

    struct Entry {
        std::string number;
        std::string time;
        std::string recordText;
        std::string text;
        bool operator==(const Entry&) const = default;
    };

    struct Loaded {
        std::vector<Entry> entries;
        StoredFile::State state = StoredFile::State::kMissing;
        std::string why;
        bool damaged = false;
    };

    // The entries for messages whose texts (UTF-8, in messages) their records cannot
    // hold, in the order given.
    static std::vector<Entry> For(const std::vector<MessageRecord>& messages);
    // Gives each record read from "sms.dat" the whole text of the entry that names it.
    static void Restore(std::vector<MessageRecord>& records, const std::vector<Entry>& entries);

    // Reads the file: the entries up to the first one that does not read back.
    static Loaded Load(const std::string& path);
    static bool Write(const std::string& path, const std::vector<Entry>& entries);

    static std::string Encode(const std::vector<Entry>& entries);
    // damaged, when given, tells whether anything did not read back.
    static std::vector<Entry> Decode(std::string_view text, bool* damaged = nullptr);
};

}  // namespace veltro
