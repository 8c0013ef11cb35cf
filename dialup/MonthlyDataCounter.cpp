#include "dialup/MonthlyDataCounter.h"

#include <cstdio>
#include <sstream>

#include "dialup/DialupPaths.h"
#include "modem/AtomicFile.h"
#include "modem/StoredFile.h"

namespace veltro {

namespace {

// A month a line: a file of more than this is not the counter's.
constexpr std::size_t kMaxFileBytes = 1 << 20;

// A month line's key: four digits, a dash, two digits.
bool IsMonthKey(const std::string& key) {
    if (key.size() != 7 || key[4] != '-') {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (i != 4 && (key[i] < '0' || key[i] > '9')) {
            return false;
        }
    }
    return true;
}

}  // namespace

MonthlyDataCounter::MonthlyDataCounter(std::string path, Now now)
    : path_(std::move(path)), now_(std::move(now)) {}

bool MonthlyDataCounter::Load() {
    months_.clear();
    problem_.clear();
    const StoredFile file = StoredFile::Read(path_, kMaxFileBytes);
    if (file.state == StoredFile::State::kFailed) {
        writable_ = false;
        problem_ = path_ + ": " + file.why;
        return false;
    }
    std::map<std::string, Totals> read;
    std::istringstream lines(file.bytes);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string key;
        Totals totals;
        std::string rest;
        if (!(fields >> key >> totals.received >> totals.sent >> totals.warnedPercent) ||
            (fields >> rest) || !IsMonthKey(key) || read.count(key) != 0) {
            const std::string aside = StoredFile::MoveAside(path_, now_());
            problem_ = path_ + " was damaged" +
                       (aside.empty() ? std::string(" and is left as it is")
                                      : " and was moved to " + aside);
            writable_ = !aside.empty();
            return false;
        }
        read[key] = totals;
    }
    months_ = std::move(read);
    return true;
}

void MonthlyDataCounter::BeginConnection() {
    lastReceived_ = 0;
    lastSent_ = 0;
}

void MonthlyDataCounter::Update(std::uint64_t received, std::uint64_t sent) {
    Totals& month = months_[MonthKey()];
    month.received += received >= lastReceived_ ? received - lastReceived_ : received;
    month.sent += sent >= lastSent_ ? sent - lastSent_ : sent;
    lastReceived_ = received;
    lastSent_ = sent;
}

bool MonthlyDataCounter::Save() {
    if (!writable_ || !DialupPaths::MakePrivateParent(path_)) {
        return false;
    }
    std::string text;
    for (const auto& [key, totals] : months_) {
        text += key + ' ' + std::to_string(totals.received) + ' ' + std::to_string(totals.sent) +
                ' ' + std::to_string(totals.warnedPercent) + '\n';
    }
    return AtomicFile::Write(path_, text, AtomicFile::kPrivate);
}

MonthlyDataCounter::Totals MonthlyDataCounter::ThisMonth() const {
    const auto found = months_.find(MonthKey());
    return found != months_.end() ? found->second : Totals{};
}

int MonthlyDataCounter::TakeWarning(std::uint64_t capBytes) {
    if (capBytes == 0) {
        return 0;
    }
    Totals& month = months_[MonthKey()];
    const std::uint64_t used = month.Bytes();
    const int level = used >= capBytes ? 100 : used * 10 >= capBytes * 9 ? 90 : 0;
    if (level <= month.warnedPercent) {
        return 0;
    }
    month.warnedPercent = level;
    return level;
}

std::string MonthlyDataCounter::MonthKey() const {
    const std::time_t now = now_();
    std::tm local{};
    ::localtime_r(&now, &local);
    char key[32];
    std::snprintf(key, sizeof key, "%04d-%02d", local.tm_year + 1900, local.tm_mon + 1);
    return key;
}

}  // namespace veltro
