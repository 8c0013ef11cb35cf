#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace veltro::cli {

// What a command prints, as plain lines or, with --json, as one JSON object on
// standard output (one object a line for the events of watch).
//
// Plain output escapes the strings it is given (TerminalText). A failure is one line on
// standard error, or with --json the object {"error": REASON, "code": STATUS} on
// standard output instead of the command's object.
//
// Commands that print for themselves write to Plain(). With --json that text is kept
// and Finish turns it into keys: each "key: value" line a key (dashes become
// underscores, digits a number), every other line an entry of "lines".
class CommandOutput {
public:
    CommandOutput(std::ostream& out, std::ostream& err, bool json);

    CommandOutput(const CommandOutput&) = delete;
    CommandOutput& operator=(const CommandOutput&) = delete;

    bool Json() const { return json_; }

    // One value: plain output prints "key: value" now (true and false as 1 and 0);
    // JSON output sets the key.
    void Field(const std::string& key, const nlohmann::ordered_json& value);
    // One line of plain output, escaped; JSON output leaves it out.
    void Line(std::string_view text);
    // One line of plain output: the cells escaped, a tab between them; JSON output
    // leaves it out.
    void Row(const std::vector<std::string>& cells);
    // One line on standard error, escaped, with either output: what the user should
    // know that is not part of the result.
    void Note(std::string_view text);
    // The JSON object, for lists and nested values.
    nlohmann::ordered_json& Object() { return object_; }
    // The stream of commands that print for themselves.
    std::ostream& Plain();

    // One event, printed at once: the object as one line, or plainText (already safe
    // to print) as it is. Finish prints no object after events.
    void Event(const nlohmann::ordered_json& event, std::string_view plainText);

    // The command prints events only: Finish prints no object, also when none came.
    void EventsOnly() { streamed_ = true; }

    // Reports a failure; returns code.
    int Fail(const std::string& reason, int code);
    // Prints the object, unless a failure or events were printed.
    void Finish();

    // Prints {"error": reason, "code": code} as one line.
    static void PrintError(std::ostream& out, const std::string& reason, int code);
    // The value as one line of JSON; bytes that are not UTF-8 become U+FFFD.
    static std::string Dump(const nlohmann::ordered_json& value);

private:
    void TakePlainLines();

    std::ostream& out_;
    std::ostream& err_;
    bool json_;
    bool failed_ = false;
    bool streamed_ = false;
    nlohmann::ordered_json object_ = nlohmann::ordered_json::object();
    std::ostringstream kept_;
};

}  // namespace veltro::cli
