#include "cli/ContactBook.h"

#include <algorithm>
#include <cstring>

#include "modem/GbkText.h"
#include "records/RecordFile.h"

namespace veltro::cli {

namespace {

using PhonebookFile = RecordFile<PhonebookEntryRecord>;

// Why text does not fit a field of maxBytes GBK bytes, or empty when it does.
std::string FieldMisfit(const char* what, std::string_view text, std::size_t maxBytes) {
    if (ContactBook::HasControl(text)) {
        return std::string("the ") + what + " holds control characters";
    }
    const std::optional<std::string> gbk = GbkText::FromUtf8(text);
    if (!gbk) {
        return std::string("the ") + what + " is not UTF-8";
    }
    if (GbkText::ToUtf8(*gbk) != text) {
        return std::string("the ") + what + " has characters GBK cannot hold";
    }
    if (gbk->size() > maxBytes) {
        return std::string("the ") + what + " takes " + std::to_string(gbk->size()) +
               " bytes in GBK; " + std::to_string(maxBytes) + " fit";
    }
    return {};
}

}  // namespace

std::optional<ContactBook> ContactBook::Load(const std::string& path, std::string* why) {
    PhonebookFile::Loaded loaded = PhonebookFile::Load(path);
    if (loaded.state == StoredFile::State::kFailed) {
        *why = "cannot read " + path + ": " + loaded.why + "; it is left as it is";
        return std::nullopt;
    }
    if (loaded.damaged) {
        *why = path + " is not a whole number of " + std::to_string(PhonebookEntryRecord::kSize) +
               "-byte entries; it is left as it is";
        return std::nullopt;
    }
    ContactBook book;
    book.entries_ = std::move(loaded.records);
    return book;
}

bool ContactBook::Save(const std::string& path) const {
    return PhonebookFile::Write(path, entries_);
}

std::string ContactBook::Misfit(const PhonebookEntryRecord& entry) {
    if (entry.number.empty()) {
        return "no number";
    }
    std::string why = FieldMisfit("name", entry.name, kNameBytes);
    return why.empty() ? FieldMisfit("number", entry.number, kNumberBytes) : why;
}

bool ContactBook::HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::string ContactBook::PlainNumber(std::string_view number) {
    std::string plain;
    for (const char c : number) {
        if (std::strchr(" -.()", c) == nullptr) {
            plain += c;
        }
    }
    return plain;
}

bool ContactBook::Contains(const PhonebookEntryRecord& entry) const {
    const std::string number = PlainNumber(entry.number);
    return std::any_of(entries_.begin(), entries_.end(), [&](const PhonebookEntryRecord& held) {
        return held.name == entry.name && PlainNumber(held.number) == number;
    });
}

void ContactBook::Add(const PhonebookEntryRecord& entry) {
    entries_.push_back(entry);
}

std::vector<PhonebookEntryRecord> ContactBook::Remove(const std::string& name,
                                                      const std::optional<std::string>& number) {
    std::vector<PhonebookEntryRecord> removed;
    std::vector<PhonebookEntryRecord> kept;
    for (const PhonebookEntryRecord& entry : entries_) {
        const bool match =
            entry.name == name && (!number || PlainNumber(entry.number) == PlainNumber(*number));
        (match ? removed : kept).push_back(entry);
    }
    entries_ = std::move(kept);
    return removed;
}

}  // namespace veltro::cli
