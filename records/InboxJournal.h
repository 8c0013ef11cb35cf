#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// What the inbox has taken from the SIM and not yet deleted, on disk beside the part
// store, so that the run after a crash takes back only that. A listing or a read marks
// a message read on the SIM; read messages the user kept there look the same, so the
// journal names both: the indices of read messages that are the user's, the indices
// this program listed or read and has not deleted, and whether a listing of unread
// messages was under way (such a listing marks messages read before it names them).
//
// The file "smsjournal.dat" holds three lines: "listing 0" or "listing 1", "kept"
// and "taken", each followed by its indices separated by blanks. It is replaced as a
// whole (AtomicFile) and private to the user.
class InboxJournal {
public:
    static constexpr const char* kFileName = "smsjournal.dat";
    static constexpr std::size_t kMaxIndices = 1000;

    struct State {
        bool listing = false;
        std::vector<std::string> kept;
        std::vector<std::string> taken;
        bool operator==(const State&) const = default;
    };

    // path: the journal's file; empty for kFileName in the current directory.
    explicit InboxJournal(std::string path = {});

    // The file's state; none when the file is missing or does not read back.
    std::optional<State> Load() const;
    bool Save(const State& state) const;

    // Which of the read messages on the SIM (read: the indices a listing of read
    // messages names) the run that left journal took and did not delete. Without a
    // journal every read message is the user's.
    static std::vector<std::string> Taken(const std::optional<State>& journal,
                                          const std::vector<std::string>& read);

    static std::string Encode(const State& state);
    static std::optional<State> Decode(std::string_view text);

private:
    std::string Path() const;

    std::string path_;
};

}  // namespace veltro
