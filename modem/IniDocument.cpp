#include "modem/IniDocument.h"

#include "modem/TrimBlanks.h"

#include <algorithm>

namespace veltro {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

std::optional<IniDocument> IniDocument::Parse(std::string_view text) {
    return Read(text, true);
}

IniDocument IniDocument::ParseLenient(std::string_view text) {
    return *Read(text, false);
}

std::optional<IniDocument> IniDocument::Read(std::string_view text, bool strict) {
    if (strict && text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    IniDocument document;
    Section* current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = TrimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            // A header of blanks names nothing; kept, it would be written back as "[]".
            const std::string_view name =
                line.size() >= 2 ? TrimBlanks(line.substr(1, line.size() - 2)) : std::string_view();
            if (line.back() != ']' || name.empty()) {
                if (strict) {
                    return std::nullopt;
                }
                current = nullptr;
                continue;
            }
            document.sections_.push_back({std::string(name), {}});
            current = &document.sections_.back();
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || current == nullptr) {
            if (strict) {
                return std::nullopt;
            }
            continue;
        }
        current->values.emplace_back(std::string(TrimBlanks(line.substr(0, equals))),
                                     std::string(TrimBlanks(line.substr(equals + 1))));
    }
    return document;
}

std::string IniDocument::Text() const {
    std::string text;
    for (const Section& section : sections_) {
        if (!text.empty()) {
            text += '\n';
        }
        text += "[" + section.name + "]\n";
        for (const auto& [key, value] : section.values) {
            text += key + "=" + value + "\n";
        }
    }
    return text;
}

const IniDocument::Section* IniDocument::Find(std::string_view name) const {
    for (const Section& section : sections_) {
        if (SameName(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

void IniDocument::Set(std::string_view name, Pairs values) {
    for (Section& section : sections_) {
        if (SameName(section.name, name)) {
            section.name = std::string(name);
            section.values = std::move(values);
            return;
        }
    }
    sections_.push_back({std::string(name), std::move(values)});
}

bool IniDocument::Remove(std::string_view name) {
    const auto before = sections_.size();
    std::erase_if(sections_, [&](const Section& section) { return SameName(section.name, name); });
    return sections_.size() != before;
}

std::optional<std::string> IniDocument::Value(const Pairs& values, std::string_view key) {
    for (const auto& [k, v] : values) {
        if (k == key) {
            return v;
        }
    }
    return std::nullopt;
}

bool IniDocument::IsSafeValue(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

bool IniDocument::IsSafeName(std::string_view text) {
    return !text.empty() && IsSafeValue(text) && TrimBlanks(text) == text &&
           text.find_first_of("[]") == std::string_view::npos;
}

}  // namespace veltro
