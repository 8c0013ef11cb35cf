#include "dialup/DeviceDefaults.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "dialup/DialupPaths.h"
#include "modem/IniDocument.h"
#include "modem/AtomicFile.h"

namespace veltro {

namespace {

IniDocument Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    // An unreadable state file holds no defaults; the next write starts it afresh.
    return IniDocument::Parse(text.str()).value_or(IniDocument{});
}

}  // namespace

DeviceDefaults::DeviceDefaults(std::string path) : path_(std::move(path)) {}

std::optional<std::uint32_t> DeviceDefaults::BaudRate(const std::string& deviceName) const {
    const IniDocument document = Load(path_);
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
    IniDocument document = Load(path_);
    document.Set(deviceName, {{"BaudRate", std::to_string(baudRate)}});
    return AtomicFile::Write(path_, document.Text());
}

}  // namespace veltro
