#include "vcard/AtCommandLine.h"

#include <cctype>
#include <string>

namespace veltro::vcard {
namespace {

bool IsExtendedPrefix(char c) {
    return c == '+' || c == '$' || c == '%' || c == '^';
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '!' || c == '%' || c == '-' ||
           c == '.' || c == '/' || c == ':' || c == '_';
}

// Upper case and no spaces outside double quotes; quoted text stays as it came.
std::string Normalise(std::string_view body) {
    std::string out;
    bool quoted = false;
    for (char c : body) {
        if (c == '"') {
            quoted = !quoted;
        }
        if (quoted || c == '"') {
            out += c;
        } else if (c != ' ') {
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

std::string Digits(const std::string& text, std::size_t& i) {
    std::string digits;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
        digits += text[i++];
    }
    return digits;
}

}  // namespace

std::optional<std::vector<AtCommand>> AtCommandLine::Split(std::string_view body) {
    const std::string text = Normalise(body);
    std::vector<AtCommand> commands;
    std::size_t i = 0;
    while (i < text.size()) {
        AtCommand command;
        const char c = text[i];
        if (c == ';') {
            ++i;
            continue;
        }
        if (IsExtendedPrefix(c)) {
            command.name += text[i++];
            while (i < text.size() && IsNameChar(text[i])) {
                command.name += text[i++];
            }
            if (command.name.size() < 2) {
                return std::nullopt;
            }
            if (text.compare(i, 2, "=?") == 0) {
                command.form = AtCommand::Form::Test;
                i += 2;
            } else if (i < text.size() && text[i] == '?') {
                command.form = AtCommand::Form::Read;
                ++i;
            } else if (i < text.size() && text[i] == '=') {
                command.form = AtCommand::Form::Set;
                ++i;
                bool quoted = false;
                while (i < text.size() && (quoted || text[i] != ';')) {
                    if (text[i] == '"') {
                        quoted = !quoted;
                    }
                    command.argument += text[i++];
                }
            }
            if (i < text.size() && text[i] != ';') {
                return std::nullopt;
            }
        } else if (c == 'D') {
            command.name = "D";
            command.argument = text.substr(i + 1);
            i = text.size();
        } else if (c == 'S') {
            ++i;
            const std::string reg = Digits(text, i);
            if (reg.empty() || reg.size() > 3) {
                return std::nullopt;
            }
            command.name = "S" + std::to_string(std::stoi(reg));
            if (i < text.size() && text[i] == '?') {
                command.form = AtCommand::Form::Read;
                ++i;
            } else if (i < text.size() && text[i] == '=') {
                ++i;
                command.form = AtCommand::Form::Set;
                command.argument = Digits(text, i);
            } else {
                return std::nullopt;
            }
        } else if (c == '&' && i + 1 < text.size() &&
                   std::isalpha(static_cast<unsigned char>(text[i + 1])) != 0) {
            command.name = text.substr(i, 2);
            i += 2;
            command.argument = Digits(text, i);
        } else if (std::isalpha(static_cast<unsigned char>(c)) != 0) {
            command.name = std::string(1, c);
            ++i;
            command.argument = Digits(text, i);
        } else {
            return std::nullopt;
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

}  // namespace veltro::vcard
