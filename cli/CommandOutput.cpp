#include "cli/CommandOutput.h"

#include <algorithm>
#include <ostream>

#include "cli/TerminalText.h"

namespace veltro::cli {

namespace {

// "connected", "device-name": lower-case words joined by dashes.
bool IsKey(std::string_view key) {
    return !key.empty() && key.front() >= 'a' && key.front() <= 'z' &&
           std::all_of(key.begin(), key.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
           });
}

// Decimal digits without a leading zero, small enough for any JSON reader.
bool IsCount(std::string_view text) {
    return !text.empty() && text.size() <= 15 && (text == "0" || text.front() != '0') &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

CommandOutput::CommandOutput(std::ostream& out, std::ostream& err, bool json)
    : out_(out), err_(err), json_(json) {}

void CommandOutput::Field(const std::string& key, const nlohmann::ordered_json& value) {
    if (json_) {
        object_[key] = value;
        return;
    }
    out_ << key << ": ";
    if (value.is_string()) {
        out_ << TerminalText::Escape(value.get_ref<const std::string&>());
    } else if (value.is_boolean()) {
        out_ << (value.get<bool>() ? 1 : 0);
    } else {
        out_ << Dump(value);
    }
    out_ << '\n';
}

void CommandOutput::Line(std::string_view text) {
    if (!json_) {
        out_ << TerminalText::Escape(text) << '\n';
    }
}

void CommandOutput::Row(const std::vector<std::string>& cells) {
    if (json_) {
        return;
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        out_ << (i > 0 ? "\t" : "") << TerminalText::Escape(cells[i]);
    }
    out_ << '\n';
}

void CommandOutput::Note(std::string_view text) {
    err_ << "veltrogprs-cli: " << TerminalText::Escape(text) << '\n';
    err_.flush();
}

std::ostream& CommandOutput::Plain() {
    return json_ ? static_cast<std::ostream&>(kept_) : out_;
}

void CommandOutput::Event(const nlohmann::ordered_json& event, std::string_view plainText) {
    streamed_ = true;
    if (json_) {
        out_ << Dump(event) << '\n';
    } else {
        out_ << plainText;
    }
    out_.flush();
}

int CommandOutput::Fail(const std::string& reason, int code) {
    failed_ = true;
    if (json_) {
        PrintError(out_, reason, code);
        out_.flush();
    } else {
        err_ << "veltrogprs-cli: " << TerminalText::Escape(reason) << '\n';
        err_.flush();
    }
    return code;
}

void CommandOutput::TakePlainLines() {
    std::istringstream lines(kept_.str());
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(": ");
        const std::string key = colon == std::string::npos ? "" : line.substr(0, colon);
        if (IsKey(key)) {
            std::string name = key;
            std::replace(name.begin(), name.end(), '-', '_');
            if (!object_.contains(name)) {
                const std::string value = line.substr(colon + 2);
                object_[name] = IsCount(value) ? nlohmann::ordered_json(std::stoll(value))
                                               : nlohmann::ordered_json(value);
                continue;
            }
        }
        object_["lines"].push_back(line);
    }
}

void CommandOutput::Finish() {
    if (!json_ || failed_ || streamed_) {
        out_.flush();
        return;
    }
    TakePlainLines();
    out_ << Dump(object_) << '\n';
    out_.flush();
}

void CommandOutput::PrintError(std::ostream& out, const std::string& reason, int code) {
    out << Dump({{"error", reason}, {"code", code}}) << '\n';
}

std::string CommandOutput::Dump(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace veltro::cli
