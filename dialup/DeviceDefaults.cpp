#include "dialup/DeviceDefaults.h"

#include <charconv>
#include <ctime>
#include <optional>

#include "dialup/DialupPaths.h"
#include "modem/AtomicFile.h"
#include "modem/IniDocument.h"
#include "modem/StoredFile.h"

namespace veltro {

namespace {

// The defaults, or nothing when the file exists but cannot be read: it is then never
// replaced. A damaged file is moved aside first, so the next write starts afresh.
std::optional<IniDocument> Load(const std::string& path, bool forWriting) {
    const StoredFile file = StoredFile::Read(path);
    if (file.state == StoredFile::State::kFailed) {
        return std::nullopt;
    }
    std::optional<IniDocument> document = IniDocument::Parse(file.bytes);
    if (!document && forWriting && StoredFile::MoveAside(path, std::time(nullptr)).empty()) {
        return std::nullopt;
    }
    return document.value_or(IniDocument{});
}

}  // namespace

DeviceDefaults::DeviceDefaults(std::string path) : path_(std::move(path)) {}

std::optional<std::uint32_t> DeviceDefaults::BaudRate(const std::string& deviceName) const {
    const IniDocument document = Load(path_, false).value_or(IniDocument{});
    const IniDocument::Section* section = document.Find(deviceName);
    if (section == nullptr) {
        return std::nullopt;
    }
    const auto value = IniDocument::Value(section->values, "BaudRate");
    std::uint32_t rate = 0;
    if (!value || value->empty() ||
        std::from_chars(value->data(), value->data() + value->size(), rate).ptr !=
            value->data() + value->size() ||
        rate == 0) {
        return std::nullopt;
    }
    return rate;
}

bool DeviceDefaults::SetBaudRate(const std::string& deviceName, std::uint32_t baudRate) {
    if (!IniDocument::IsSafeName(deviceName) || baudRate == 0 || !DialupPaths::MakeParent(path_)) {
        return false;
    }
    std::optional<IniDocument> document = Load(path_, true);
    if (!document) {
        return false;
    }
    document->Set(deviceName, {{"BaudRate", std::to_string(baudRate)}});
    return AtomicFile::Write(path_, document->Text());
}

}  // namespace veltro
