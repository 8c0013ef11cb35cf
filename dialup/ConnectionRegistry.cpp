#include "dialup/ConnectionRegistry.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "modem/AtomicFile.h"
#include "modem/IniDocument.h"

namespace veltro {

namespace {

namespace fs = std::filesystem;

template <typename T>
std::optional<T> Number(const IniDocument::Pairs& values, const char* key) {
    const auto text = IniDocument::Value(values, key);
    T value{};
    if (!text || text->empty() ||
        std::from_chars(text->data(), text->data() + text->size(), value).ptr !=
            text->data() + text->size()) {
        return std::nullopt;
    }
    return value;
}

// The largest process id this system hands out.
std::int64_t PidMax() {
    std::ifstream in("/proc/sys/kernel/pid_max");
    std::int64_t value = 0;
    return in >> value && value > 1 ? value : 4194304;
}

// A record names processes to be signalled: only ids a process can have, never 0 or 1
// (or a negative one, which would reach a whole process group).
bool PlausiblePid(std::int64_t pid) {
    return pid >= 2 && pid <= PidMax();
}

std::optional<ConnectionRecord> ReadRecord(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const auto document = IniDocument::Parse(text.str());
    const IniDocument::Section* section = document ? document->Find("connection") : nullptr;
    if (section == nullptr) {
        return std::nullopt;
    }
    const auto& v = section->values;
    ConnectionRecord record;
    const auto handle = Number<ConnectionHandle>(v, "Pid");
    const auto start = Number<std::uint64_t>(v, "PidStart");
    const auto owner = Number<std::int64_t>(v, "Owner");
    const auto ownerStart = Number<std::uint64_t>(v, "OwnerStart");
    if (!handle || !start || !owner || !ownerStart || !PlausiblePid(*handle) ||
        !PlausiblePid(*owner)) {
        return std::nullopt;
    }
    record.handle = *handle;
    record.processStart = *start;
    record.ownerPid = *owner;
    record.ownerStart = *ownerStart;
    record.entryName = IniDocument::Value(v, "Entry").value_or("");
    record.deviceType = IniDocument::Value(v, "DeviceType").value_or("");
    record.deviceName = IniDocument::Value(v, "DeviceName").value_or("");
    record.logPath = IniDocument::Value(v, "Log").value_or("");
    record.optionsPath = IniDocument::Value(v, "Options").value_or("");
    return record;
}

}  // namespace

ConnectionRegistry::ConnectionRegistry(std::string dir) : dir_(std::move(dir)) {}

std::string ConnectionRegistry::PathOf(ConnectionHandle handle) const {
    return dir_ + "/" + std::to_string(handle) + ".conn";
}

bool ConnectionRegistry::Add(const ConnectionRecord& record) {
    for (const std::string* text : {&record.entryName, &record.deviceType, &record.deviceName,
                                    &record.logPath, &record.optionsPath}) {
        if (!IniDocument::IsSafeValue(*text)) {
            return false;
        }
    }
    IniDocument document;
    document.Set("connection", {{"Pid", std::to_string(record.handle)},
                                {"PidStart", std::to_string(record.processStart)},
                                {"Owner", std::to_string(record.ownerPid)},
                                {"OwnerStart", std::to_string(record.ownerStart)},
                                {"Entry", record.entryName},
                                {"DeviceType", record.deviceType},
                                {"DeviceName", record.deviceName},
                                {"Log", record.logPath},
                                {"Options", record.optionsPath}});
    return AtomicFile::Write(PathOf(record.handle), document.Text());
}

std::optional<ConnectionRecord> ConnectionRegistry::Find(ConnectionHandle handle) const {
    if (!PlausiblePid(handle)) {
        return std::nullopt;
    }
    auto record = ReadRecord(PathOf(handle));
    if (record && record->handle != handle) {
        return std::nullopt;
    }
    return record;
}

std::vector<ConnectionRecord> ConnectionRegistry::List() const {
    std::vector<ConnectionRecord> records;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(dir_, ec)) {
        if (item.path().extension() == ".conn") {
            // A record is only valid under its own name; Remove goes by that name.
            auto record = ReadRecord(item.path().string());
            if (record && item.path().stem() == std::to_string(record->handle)) {
                records.push_back(std::move(*record));
            }
        }
    }
    std::sort(
        records.begin(), records.end(),
        [](const ConnectionRecord& a, const ConnectionRecord& b) { return a.handle < b.handle; });
    return records;
}

bool ConnectionRegistry::Inside(const std::string& path) const {
    const fs::path file = fs::path(path).lexically_normal();
    return !path.empty() && file.parent_path() == fs::path(dir_).lexically_normal() &&
           file.filename().string().rfind("dial-", 0) == 0;
}

void ConnectionRegistry::Remove(const ConnectionRecord& record) {
    ::unlink(PathOf(record.handle).c_str());
    // The paths come from a file: only the dial's own files in this folder go.
    for (const std::string* path : {&record.logPath, &record.optionsPath}) {
        if (Inside(*path)) {
            ::unlink(path->c_str());
        }
    }
}

std::optional<std::uint64_t> ConnectionRegistry::ProcessStart(pid_t pid, bool countEnded) {
    if (pid <= 0) {
        return std::nullopt;
    }
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!in || !std::getline(in, text)) {
        return std::nullopt;
    }
    // The command name may hold blanks and parentheses: fields follow the last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    std::uint64_t start = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 3 && !countEnded && (field == "Z" || field == "X")) {
            return std::nullopt;
        }
        if (i == 22) {
            std::from_chars(field.data(), field.data() + field.size(), start);
        }
    }
    return start != 0 ? std::optional<std::uint64_t>(start) : std::nullopt;
}

bool ConnectionRegistry::IsRunning(ConnectionHandle pid, std::uint64_t start) {
    const auto now = ProcessStart(static_cast<pid_t>(pid));
    return now && *now == start;
}

}  // namespace veltro
