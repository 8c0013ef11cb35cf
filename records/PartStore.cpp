#include "records/PartStore.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "modem/AtomicFile.h"
#include "modem/HexPair.h"
#include "records/CurrentFolder.h"

namespace veltro {

namespace {

constexpr std::size_t kMaxFileBytes = 64u << 20;

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::optional<std::string> FromHex(std::string_view hex, std::size_t maxBytes) {
    if (hex.size() % 2 != 0 || hex.size() / 2 > maxBytes) {
        return std::nullopt;
    }
    return HexPair::DecodeUpper(hex);
}

std::optional<long long> Number(std::string_view text, long long low, long long high) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<PartStore::Part> DecodeLine(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (fields.size() < 8) {
        const std::size_t blank = line.find(' ', start);
        fields.push_back(
            line.substr(start, blank == std::string_view::npos ? blank : blank - start));
        if (blank == std::string_view::npos) {
            break;
        }
        start = blank + 1;
    }
    if (fields.size() != 6 && fields.size() != 7) {
        return std::nullopt;
    }
    const auto instance =
        fields.size() == 7 ? Number(fields[6], 0, PartStore::kMaxInstance) : std::optional(0LL);
    const auto number = FromHex(fields[0], PartStore::kMaxNumberBytes);
    const auto reference = Number(fields[1], 0, 65535);
    const auto total = Number(fields[2], 2, 255);
    const auto sequence = Number(fields[3], 1, 255);
    const auto arrived = Number(fields[4], 0, 1LL << 40);
    const auto text = FromHex(fields[5], PartStore::kMaxTextBytes);
    if (!number || !reference || !total || !sequence || !arrived || !text || !instance ||
        *sequence > *total) {
        return std::nullopt;
    }
    return PartStore::Part{*number,
                           static_cast<int>(*reference),
                           static_cast<int>(*total),
                           static_cast<int>(*sequence),
                           *arrived,
                           *text,
                           static_cast<int>(*instance)};
}

PartStore::Key KeyOf(const PartStore::Part& part) {
    return {part.number, part.reference, part.total, part.instance};
}

// Same sender, reference and part count, whatever the instance.
bool SameSender(const PartStore::Part& a, const PartStore::Part& b) {
    return a.number == b.number && a.reference == b.reference && a.total == b.total;
}

bool SameSlot(const PartStore::Part& a, const PartStore::Part& b) {
    return KeyOf(a) == KeyOf(b) && a.sequence == b.sequence;
}

}  // namespace

PartStore::PartStore(std::string path) : path_(std::move(path)) {}

std::string PartStore::Path() const {
    if (!path_.empty()) {
        return path_;
    }
    return CurrentFolder::File(kFileName);
}

bool PartStore::Valid(const Part& part) {
    return part.number.size() <= kMaxNumberBytes && part.text.size() <= kMaxTextBytes &&
           part.reference >= 0 && part.reference <= 65535 && part.total >= 2 && part.total <= 255 &&
           part.sequence >= 1 && part.sequence <= part.total && part.arrivedSeconds >= 0 &&
           part.instance >= 0 && part.instance <= kMaxInstance;
}

std::string PartStore::Encode(const std::vector<Part>& parts) {
    std::string text;
    for (const Part& part : parts) {
        text += Hex(part.number) + ' ' + std::to_string(part.reference) + ' ' +
                std::to_string(part.total) + ' ' + std::to_string(part.sequence) + ' ' +
                std::to_string(part.arrivedSeconds) + ' ' + Hex(part.text) +
                (part.instance == 0 ? std::string() : ' ' + std::to_string(part.instance)) + '\n';
    }
    return text;
}

std::vector<PartStore::Part> PartStore::Decode(std::string_view text) {
    std::vector<Part> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::optional<Part> part = DecodeLine(text.substr(start, end - start));
        if (part && std::none_of(parts.begin(), parts.end(),
                                 [&](const Part& held) { return SameSlot(held, *part); })) {
            parts.push_back(*part);
        }
        start = end + 1;
    }
    return parts;
}

void PartStore::Load() {
    parts_.clear();
    std::ifstream in(Path(), std::ios::binary);
    if (!in) {
        return;
    }
    // As much as the file holds, up to the limit.
    std::string text;
    char piece[16384];
    while (text.size() < kMaxFileBytes) {
        in.read(piece, sizeof(piece));
        if (in.gcount() <= 0) {
            break;
        }
        text.append(piece, static_cast<std::size_t>(in.gcount()));
    }
    text.resize(std::min(text.size(), kMaxFileBytes));
    parts_ = Decode(text);
}

bool PartStore::Save(const std::vector<Part>& parts) const {
    const std::string path = Path();
    return !path.empty() && AtomicFile::Write(path, Encode(parts), AtomicFile::kPrivate);
}

int PartStore::InstanceFor(const Part& part, bool* held) const {
    *held = false;
    std::vector<int> instances;  // of this sender's key, oldest first
    std::vector<int> holding;    // those that hold this part number
    for (const Part& kept : parts_) {
        if (!SameSender(kept, part)) {
            continue;
        }
        if (kept.sequence == part.sequence) {
            if (kept.text == part.text) {
                *held = true;
                return kept.instance;
            }
            holding.push_back(kept.instance);
        }
        if (std::find(instances.begin(), instances.end(), kept.instance) == instances.end()) {
            instances.push_back(kept.instance);
        }
    }
    for (const int instance : instances) {
        if (std::find(holding.begin(), holding.end(), instance) == holding.end()) {
            return instance;
        }
    }
    int next = 0;
    while (std::find(instances.begin(), instances.end(), next) != instances.end()) {
        ++next;
    }
    return next;
}

bool PartStore::Add(const Part& part, Key* key) {
    if (!Valid(part)) {
        return false;
    }
    bool held = false;
    Part placed = part;
    placed.instance = InstanceFor(part, &held);
    if (held || placed.instance > kMaxInstance) {
        if (held && key != nullptr) {
            *key = KeyOf(placed);
        }
        return held;
    }
    std::vector<Part> next = parts_;
    next.push_back(placed);
    if (!Save(next)) {
        return false;
    }
    parts_ = std::move(next);
    if (key != nullptr) {
        *key = KeyOf(placed);
    }
    return true;
}

std::vector<PartStore::Joined> PartStore::Ready(long long nowSeconds, long long waitSeconds) const {
    struct Group {
        Key key;
        long long firstArrival = 0;
        std::map<int, std::string> texts;
    };
    std::vector<Group> groups;
    for (const Part& part : parts_) {
        const Key key = KeyOf(part);
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const Group& g) { return g.key == key; });
        if (group == groups.end()) {
            groups.push_back({key, part.arrivedSeconds, {}});
            group = std::prev(groups.end());
        }
        group->firstArrival = std::min(group->firstArrival, part.arrivedSeconds);
        group->texts.emplace(part.sequence, part.text);
    }
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return a.firstArrival < b.firstArrival;
    });
    std::vector<Joined> ready;
    for (const Group& group : groups) {
        const bool complete = static_cast<int>(group.texts.size()) == group.key.total;
        if (!complete && nowSeconds - group.firstArrival < waitSeconds) {
            continue;
        }
        Joined joined{group.key, {}, complete};
        for (int sequence = 1; sequence <= group.key.total; ++sequence) {
            const auto text = group.texts.find(sequence);
            if (text != group.texts.end()) {
                joined.text += text->second;
                continue;
            }
            char mark[64];
            std::snprintf(mark, sizeof(mark), kMissingMark, sequence, group.key.total);
            joined.text += mark;
        }
        ready.push_back(std::move(joined));
    }
    return ready;
}

bool PartStore::Remove(const std::vector<Key>& keys) {
    std::vector<Part> next;
    for (const Part& part : parts_) {
        if (std::find(keys.begin(), keys.end(), KeyOf(part)) == keys.end()) {
            next.push_back(part);
        }
    }
    if (next.size() == parts_.size()) {
        return true;
    }
    const bool saved = Save(next);
    // Even when the file keeps them, this run does not show these messages again.
    parts_ = std::move(next);
    return saved;
}

}  // namespace veltro
