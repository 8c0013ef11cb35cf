#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>

namespace veltro {

// The bytes of every connection added up per calendar month (local time), for users on
// capped plans. The totals live in a small text file, one line a month:
//   "2026-12 <received> <sent> <warned percent>"
// written at the end of each connection and once a minute while connected, so a kill
// loses at most the last minute.
class MonthlyDataCounter {
public:
    using Now = std::function<std::time_t()>;

    struct Totals {
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
        int warnedPercent = 0;  // the highest cap warning given this month (0, 90, 100)
        std::uint64_t Bytes() const { return received + sent; }
    };

    MonthlyDataCounter(std::string path, Now now);

    // Reads the file. A missing file is an empty history. A file that cannot be read is
    // left alone: the counter still counts but never writes it (false, with the reason in
    // Problem()). A damaged file is moved aside ("<path>.damaged-<date>-<time>") and
    // counting starts anew (false, with Problem() saying so).
    bool Load();
    const std::string& Problem() const { return problem_; }

    // A new connection: its statistics count from zero.
    void BeginConnection();
    // The connection's byte totals so far; what is new since the last call is added to
    // the current month. Totals that went backwards (a new link under the same
    // connection) count again from zero.
    void Update(std::uint64_t received, std::uint64_t sent);
    // Writes the file atomically; false when it may not or could not be written.
    bool Save();

    Totals ThisMonth() const;
    // The warning level (90 or 100 percent of capBytes) this month has just reached, once
    // each a month; 0 when there is nothing new to warn about or no cap.
    int TakeWarning(std::uint64_t capBytes);

private:
    std::string MonthKey() const;

    std::string path_;
    Now now_;
    std::map<std::string, Totals> months_;
    std::uint64_t lastReceived_ = 0;
    std::uint64_t lastSent_ = 0;
    bool writable_ = true;
    std::string problem_;
};

}  // namespace veltro
