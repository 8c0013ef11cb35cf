#include "records/WholeTextFile.h"

#include <deque>
#include <optional>
#include <unordered_map>

#include "modem/AtomicFile.h"

namespace veltro {

namespace {

constexpr std::string_view kHeader = "smstext 1\n";
constexpr std::size_t kFields = 4;

std::string Escape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::optional<std::string> Unescape(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size()) {
            return std::nullopt;
        }
        switch (field[i]) {
            case '\\':
                text += '\\';
                break;
            case 't':
                text += '\t';
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return text;
}

bool ValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size() || (length == 2 && lead < 0xC2) ||
            (length == 4 && lead > 0xF4)) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::optional<WholeTextFile::Entry> DecodeLine(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() <= kFields) {
        const std::size_t tab = line.find('\t', start);
        const auto field =
            Unescape(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (!field || !ValidUtf8(*field)) {
            return std::nullopt;
        }
        fields.push_back(std::move(*field));
        if (tab == std::string_view::npos) {
            break;
        }
        start = tab + 1;
    }
    if (fields.size() != kFields) {
        return std::nullopt;
    }
    return WholeTextFile::Entry{fields[0], fields[1], fields[2], fields[3]};
}

}  // namespace

std::vector<WholeTextFile::Entry> WholeTextFile::For(const std::vector<MessageRecord>& messages) {
    std::vector<Entry> entries;
    for (const MessageRecord& message : messages) {
        const MessageRecord kept = MessageRecord::Decode(message.Encode());
        if (kept.content != message.content) {
            entries.push_back({kept.number, kept.time, kept.content, message.content});
        }
    }
    return entries;
}

void WholeTextFile::Restore(std::vector<MessageRecord>& records,
                            const std::vector<Entry>& entries) {
    // Entries by their record's fields, each list in file order: a load of many
    // records and entries stays linear.
    const auto key = [](const std::string& number, const std::string& time,
                        const std::string& text) {
        return std::to_string(number.size()) + ':' + number + std::to_string(time.size()) + ':' +
               time + text;
    };
    std::unordered_map<std::string, std::deque<const Entry*>> byRecord;
    for (const Entry& entry : entries) {
        byRecord[key(entry.number, entry.time, entry.recordText)].push_back(&entry);
    }
    for (MessageRecord& record : records) {
        const auto found = byRecord.find(key(record.number, record.time, record.content));
        if (found != byRecord.end() && !found->second.empty()) {
            record.content = found->second.front()->text;
            found->second.pop_front();
        }
    }
}

std::string WholeTextFile::Encode(const std::vector<Entry>& entries) {
    std::string text(kHeader);
    for (const Entry& entry : entries) {
        text += Escape(entry.number) + '\t' + Escape(entry.time) + '\t' + Escape(entry.recordText) +
                '\t' + Escape(entry.text) + '\n';
    }
    return text;
}

std::vector<WholeTextFile::Entry> WholeTextFile::Decode(std::string_view text, bool* damaged) {
    std::vector<Entry> entries;
    bool whole = text.substr(0, kHeader.size()) == kHeader;
    std::size_t start = whole ? kHeader.size() : text.size();
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::optional<Entry> entry = end == std::string_view::npos
                                               ? std::nullopt
                                               : DecodeLine(text.substr(start, end - start));
        if (!entry) {
            whole = false;
            break;
        }
        entries.push_back(std::move(*entry));
        start = end + 1;
    }
    if (damaged != nullptr) {
        *damaged = !whole;
    }
    return entries;
}

WholeTextFile::Loaded WholeTextFile::Load(const std::string& path) {
    StoredFile file = StoredFile::Read(path);
    Loaded loaded;
    loaded.state = file.state;
    loaded.why = std::move(file.why);
    if (file.state == StoredFile::State::kRead) {
        loaded.entries = Decode(file.bytes, &loaded.damaged);
    }
    return loaded;
}

bool WholeTextFile::Write(const std::string& path, const std::vector<Entry>& entries) {
    return !path.empty() && AtomicFile::Write(path, Encode(entries), AtomicFile::kPrivate);
}

}  // namespace veltro
