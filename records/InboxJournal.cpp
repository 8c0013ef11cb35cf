#include "records/InboxJournal.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "modem/AtomicFile.h"
#include "records/CurrentFolder.h"

namespace veltro {

namespace {

constexpr std::size_t kMaxFileBytes = 64 * 1024;

bool IsIndex(std::string_view word) {
    return !word.empty() && word.size() <= 9 &&
           std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The words of a line after its name, or none when the line is not name's or a word is
// not an index.
std::optional<std::vector<std::string>> Words(std::string_view line, std::string_view name) {
    if (line.substr(0, name.size()) != name ||
        (line.size() > name.size() && line[name.size()] != ' ')) {
        return std::nullopt;
    }
    std::vector<std::string> words;
    std::size_t start = name.size();
    while (start < line.size()) {
        const std::size_t from = start + 1;
        std::size_t end = line.find(' ', from);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        words.emplace_back(line.substr(from, end - from));
        start = end;
    }
    return words;
}

bool AllIndices(const std::vector<std::string>& words) {
    return words.size() <= InboxJournal::kMaxIndices &&
           std::all_of(words.begin(), words.end(), IsIndex);
}

std::string Line(const char* name, const std::vector<std::string>& indices) {
    std::string line = name;
    for (const std::string& index : indices) {
        line += ' ' + index;
    }
    return line + '\n';
}

bool Contains(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

}  // namespace

InboxJournal::InboxJournal(std::string path) : path_(std::move(path)) {}

std::string InboxJournal::Path() const {
    if (!path_.empty()) {
        return path_;
    }
    return CurrentFolder::File(kFileName);
}

std::string InboxJournal::Encode(const State& state) {
    return std::string("listing ") + (state.listing ? "1" : "0") + '\n' + Line("kept", state.kept) +
           Line("taken", state.taken);
}

std::optional<InboxJournal::State> InboxJournal::Decode(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size() && lines.size() <= 3) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            return std::nullopt;  // cut short
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() != 3 || start != text.size()) {
        return std::nullopt;
    }
    const auto listing = Words(lines[0], "listing");
    auto kept = Words(lines[1], "kept");
    auto taken = Words(lines[2], "taken");
    if (!listing || listing->size() != 1 || ((*listing)[0] != "0" && (*listing)[0] != "1") ||
        !kept || !AllIndices(*kept) || !taken || !AllIndices(*taken)) {
        return std::nullopt;
    }
    return State{(*listing)[0] == "1", std::move(*kept), std::move(*taken)};
}

std::optional<InboxJournal::State> InboxJournal::Load() const {
    std::ifstream in(Path(), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(kMaxFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxFileBytes) {
        return std::nullopt;
    }
    return Decode(text);
}

bool InboxJournal::Save(const State& state) const {
    const std::string path = Path();
    return !path.empty() && AtomicFile::Write(path, Encode(state), AtomicFile::kPrivate);
}

std::vector<std::string> InboxJournal::Taken(const std::optional<State>& journal,
                                             const std::vector<std::string>& read) {
    std::vector<std::string> taken;
    if (!journal) {
        return taken;
    }
    for (const std::string& index : read) {
        // A listing under way named nothing yet: every read message the user did not
        // keep may be one it marked read.
        if (Contains(journal->taken, index) ||
            (journal->listing && !Contains(journal->kept, index))) {
            taken.push_back(index);
        }
    }
    return taken;
}

}  // namespace veltro
