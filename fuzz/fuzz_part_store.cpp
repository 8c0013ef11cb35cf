// The store of the parts of long messages, "smsparts.dat", as the inbox uses it: read
// from disk, joined into messages, the joined ones removed and the file written back.
// The input is one byte for the clock (in steps of 8192 s), then the file's text.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "records/PartStore.h"

using veltro::PartStore;

namespace {

constexpr long long kWaitSeconds = 24 * 60 * 60;

const std::string& Path() {
    static const std::string path = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/fuzz-parts-XXXXXX";
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        return pattern + "/" + PartStore::kFileName;
    }();
    return path;
}

bool SameKey(const PartStore::Part& part, const PartStore::Key& key) {
    return part.number == key.number && part.reference == key.reference &&
           part.total == key.total && part.instance == key.instance;
}

// The message the parts of one key make: each part in its place, each missing one marked.
std::string Expected(const std::vector<PartStore::Part>& parts, const PartStore::Key& key,
                     int* present, long long* firstArrival) {
    std::string text;
    *present = 0;
    for (int sequence = 1; sequence <= key.total; ++sequence) {
        const auto part = std::find_if(parts.begin(), parts.end(), [&](const auto& p) {
            return SameKey(p, key) && p.sequence == sequence;
        });
        if (part == parts.end()) {
            char mark[64];
            std::snprintf(mark, sizeof(mark), PartStore::kMissingMark, sequence, key.total);
            text += mark;
            continue;
        }
        text += part->text;
        ++*present;
    }
    *firstArrival = -1;
    for (const auto& p : parts) {
        if (SameKey(p, key) && (*firstArrival < 0 || p.arrivedSeconds < *firstArrival)) {
            *firstArrival = p.arrivedSeconds;
        }
    }
    return text;
}

void CheckReady(const std::vector<PartStore::Part>& parts,
                const std::vector<PartStore::Joined>& ready, long long now) {
    long long previousArrival = -1;
    for (std::size_t i = 0; i < ready.size(); ++i) {
        const PartStore::Joined& joined = ready[i];
        for (std::size_t j = 0; j < i; ++j) {
            FUZZ_CHECK(!(ready[j].key == joined.key));
        }
        int present = 0;
        long long firstArrival = 0;
        FUZZ_CHECK(joined.text == Expected(parts, joined.key, &present, &firstArrival));
        FUZZ_CHECK(present > 0);
        FUZZ_CHECK(joined.complete == (present == joined.key.total));
        FUZZ_CHECK(joined.complete || now - firstArrival >= kWaitSeconds);
        FUZZ_CHECK(firstArrival >= previousArrival);
        previousArrival = firstArrival;
    }
    // Every message that is whole or has waited long enough is there.
    for (const auto& part : parts) {
        const PartStore::Key key{part.number, part.reference, part.total, part.instance};
        int present = 0;
        long long firstArrival = 0;
        Expected(parts, key, &present, &firstArrival);
        const bool due = present == key.total || now - firstArrival >= kWaitSeconds;
        const bool listed = std::any_of(ready.begin(), ready.end(),
                                        [&](const PartStore::Joined& j) { return j.key == key; });
        FUZZ_CHECK(due == listed);
    }
}

std::vector<PartStore::Part> Reloaded() {
    PartStore store(Path());
    store.Load();
    return store.Parts();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const long long now = static_cast<long long>(data[0]) * 8192;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    {
        std::ofstream out(Path(), std::ios::binary | std::ios::trunc);
        out << text;
    }
    PartStore store(Path());
    store.Load();
    const std::vector<PartStore::Part> parts = store.Parts();
    FUZZ_CHECK(parts == PartStore::Decode(text));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        FUZZ_CHECK(PartStore::Valid(parts[i]));
        for (std::size_t j = 0; j < i; ++j) {
            FUZZ_CHECK(
                !(parts[j].number == parts[i].number && parts[j].reference == parts[i].reference &&
                  parts[j].total == parts[i].total && parts[j].sequence == parts[i].sequence &&
                  parts[j].instance == parts[i].instance));
        }
    }
    FUZZ_CHECK(PartStore::Decode(PartStore::Encode(parts)) == parts);

    const auto ready = store.Ready(now, kWaitSeconds);
    CheckReady(parts, ready, now);

    // The shown messages leave the store and the file; the others stay, in order.
    std::vector<PartStore::Key> keys;
    for (const auto& joined : ready) {
        keys.push_back(joined.key);
    }
    FUZZ_CHECK(store.Remove(keys));
    std::vector<PartStore::Part> kept;
    for (const auto& part : parts) {
        if (std::none_of(keys.begin(), keys.end(),
                         [&](const PartStore::Key& key) { return SameKey(part, key); })) {
            kept.push_back(part);
        }
    }
    FUZZ_CHECK(store.Parts() == kept);
    if (kept.size() != parts.size()) {
        FUZZ_CHECK(Reloaded() == kept);
    }

    // A part that comes again (same sender, key, part number and text, whatever the
    // instance) is kept once; one that is new is appended, in some instance, and written.
    if (!parts.empty()) {
        PartStore::Part again = parts.back();
        const bool held = std::any_of(kept.begin(), kept.end(), [&](const PartStore::Part& p) {
            return p.number == again.number && p.reference == again.reference &&
                   p.total == again.total && p.sequence == again.sequence && p.text == again.text;
        });
        PartStore::Key key;
        FUZZ_CHECK(store.Add(again, &key));
        if (!held) {
            again.instance = key.instance;
            kept.push_back(again);
        }
        FUZZ_CHECK(store.Parts() == kept);
        FUZZ_CHECK(Reloaded() == kept);
    }
    return 0;
}
