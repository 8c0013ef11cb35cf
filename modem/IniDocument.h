#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltro {

// A small INI file as the program's stores keep them (the dial-up phonebook, device
// defaults, the modem device table): named sections of key=value lines, in file order.
// Comments and blank lines are not kept.
class IniDocument {
public:
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    struct Section {
        std::string name;
        Pairs values;
    };

    // Nothing when the text is damaged: a NUL byte, or a line that is neither blank, a
    // comment, a section header nor a key=value line inside a section.
    static std::optional<IniDocument> Parse(std::string_view text);
    // Reads what it can: damaged lines, and values outside any section, are skipped.
    static IniDocument ParseLenient(std::string_view text);

    std::string Text() const;

    // Section names compare without regard to ASCII case.
    const Section* Find(std::string_view name) const;
    // Replaces the section's values, or appends the section.
    void Set(std::string_view name, Pairs values);
    bool Remove(std::string_view name);
    const std::vector<Section>& Sections() const { return sections_; }

    // The value of key in a section's values, if present.
    static std::optional<std::string> Value(const Pairs& values, std::string_view key);

    // True when text can stand in a section name or a value: no control characters, and
    // for names no brackets and no surrounding blanks.
    static bool IsSafeValue(std::string_view text);
    static bool IsSafeName(std::string_view text);

private:
    // Reads text; with strict set, the first damaged line fails the whole document.
    static std::optional<IniDocument> Read(std::string_view text, bool strict);

    std::vector<Section> sections_;
};

}  // namespace veltro
