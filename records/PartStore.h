#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// The parts of concatenated messages that have left the SIM but cannot be shown yet:
// they wait here, on disk, until every part of their message has arrived, or until
// they have waited too long and the message is shown with what arrived.
//
// The file "smsparts.dat" in the current directory holds one part a line: number,
// reference, part count, part number, arrival time (seconds since 1970), text and,
// unless it is 0, the instance, separated by blanks, number and text as hexadecimal
// UTF-8. Every change replaces the file as a whole (AtomicFile); a line that does not
// read back is skipped.
//
// Senders reuse references: a part whose number, reference, count and part number
// match a held part's but whose text differs belongs to another message with the same
// key, told apart by its instance.
class PartStore {
public:
    static constexpr const char* kFileName = "smsparts.dat";
    static constexpr std::size_t kMaxNumberBytes = 64;
    static constexpr std::size_t kMaxTextBytes = 4000;
    static constexpr int kMaxInstance = 65535;
    // Shown in place of each part that never came.
    static constexpr const char* kMissingMark = "[缺第%d/%d部分]";

    struct Part {
        std::string number;  // UTF-8
        int reference = 0;   // 0..65535
        int total = 0;       // 2..255
        int sequence = 0;    // 1..total
        long long arrivedSeconds = 0;
        std::string text;  // UTF-8
        int instance = 0;  // 0..kMaxInstance: which message of this key
        bool operator==(const Part&) const = default;
    };

    // Which message a part belongs to: the sender, the reference, the part count and
    // the instance.
    struct Key {
        std::string number;
        int reference = 0;
        int total = 0;
        int instance = 0;
        bool operator==(const Key&) const = default;
    };

    struct Joined {
        Key key;
        std::string text;  // the parts in order, each missing one marked
        bool complete = false;
    };

    // path: the store's file; empty for kFileName in the current directory at each
    // load and save.
    explicit PartStore(std::string path = {});

    // Replaces what is held with the file's parts. A missing file holds none.
    void Load();
    // Keeps the part and writes the file. False, with nothing kept, when the file could
    // not be written or the part is not valid. A part already held (same key, part
    // number and text) is not added twice. The part's instance is ignored: it joins
    // the oldest message of its key that lacks its part number, or starts another.
    // key, when given, receives the key of the message it belongs to.
    bool Add(const Part& part, Key* key = nullptr);
    // The messages that are whole, and those whose first part came waitSeconds or
    // more before nowSeconds, oldest first.
    std::vector<Joined> Ready(long long nowSeconds, long long waitSeconds) const;
    // Drops the parts of these messages and writes the file.
    bool Remove(const std::vector<Key>& keys);

    const std::vector<Part>& Parts() const { return parts_; }

    static std::string Encode(const std::vector<Part>& parts);
    static std::vector<Part> Decode(std::string_view text);
    static bool Valid(const Part& part);

private:
    // The instance part joins; held tells that it holds the part already.
    int InstanceFor(const Part& part, bool* held) const;
    std::string Path() const;
    bool Save(const std::vector<Part>& parts) const;

    std::string path_;
    std::vector<Part> parts_;
};

}  // namespace veltro
