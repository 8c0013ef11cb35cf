#include "modem/ModemDeviceClass.h"

#include "modem/IniDocument.h"
#include "modem/TrimBlanks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace veltro {

namespace {

namespace fs = std::filesystem;

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

std::optional<std::string> ReadSmallFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ReadAttribute(const fs::path& path) {
    auto text = ReadSmallFile(path);
    return text ? std::string(TrimBlanks(std::string_view(*text).substr(0, text->find('\n')))) : "";
}

}  // namespace

std::string ModemDeviceClass::InstanceName(int index) {
    char name[8];
    std::snprintf(name, sizeof(name), "%04d", index);
    return name;
}

namespace {

std::string ConfigHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        return xdg;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.config";
    }
    return {};
}

const char* NamedTable() {
    const char* env = std::getenv("VELTROGPRS_MODEMS");
    return env != nullptr && *env != '\0' ? env : nullptr;
}

}  // namespace

std::string ModemDeviceClass::TablePath() {
    if (const char* named = NamedTable()) {
        return named;
    }
    std::error_code ec;
    if (const std::string home = ConfigHome(); !home.empty()) {
        const std::string user = home + "/veltrogprs/modems.ini";
        if (fs::exists(user, ec)) {
            return user;
        }
    }
    if (fs::exists("/etc/veltrogprs/modems.ini", ec)) {
        return "/etc/veltrogprs/modems.ini";
    }
    return {};
}

std::string ModemDeviceClass::UserTablePath() {
    if (const char* named = NamedTable()) {
        return named;
    }
    const std::string home = ConfigHome();
    return home.empty() ? std::string() : home + "/veltrogprs/modems.ini";
}

ModemDeviceClass ModemDeviceClass::Load() {
    return Load(SystemRoots{});
}

ModemDeviceClass ModemDeviceClass::Load(const SystemRoots& roots) {
    const std::string path = TablePath();
    if (path.empty()) {
        ModemDeviceClass marked = FromUdev(roots);
        return marked.Instance(0) ? marked : FromSysfs(roots.ttyClassDir);
    }
    // A named table that cannot be read has no instances; it never falls through to
    // another source, so what the user configured is what is used.
    return FromTableText(ReadSmallFile(path).value_or(std::string()));
}

ModemDeviceClass ModemDeviceClass::FromTableText(std::string_view iniText) {
    // Hand-edited tables are read as far as they make sense: a broken line costs at
    // most the instance it belongs to.
    const IniDocument document = IniDocument::ParseLenient(iniText);
    ModemDeviceClass table;
    for (int i = 0; i < kInstanceCount; ++i) {
        const IniDocument::Section* section = document.Find(InstanceName(i));
        if (section == nullptr) {
            continue;
        }
        const auto name = IniDocument::Value(section->values, "FriendlyName");
        const auto port = IniDocument::Value(section->values, "AttachedTo");
        if (!name || !port) {
            continue;
        }
        table.instances_[i] = ModemDevice{Unquote(*name), Unquote(*port)};
    }
    return table;
}

bool ModemDeviceClass::TtyNameBefore(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& name) {
        std::size_t digits = name.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) {
            --digits;
        }
        // Long digit runs compare as text; they name no tty the kernel makes.
        const std::string number = name.substr(digits);
        const unsigned long value = number.empty() || number.size() > 9 ? 0 : std::stoul(number);
        return std::make_tuple(name.substr(0, digits), value, name);
    };
    return split(a) < split(b);
}

std::vector<std::string> ModemDeviceClass::TtyNames(const std::string& ttyClassDir) {
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(ttyClassDir, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), TtyNameBefore);
    return names;
}

std::map<std::string, std::string> ModemDeviceClass::UdevProperties(const SystemRoots& roots,
                                                                    const std::string& tty) {
    // udev keeps a character device's record under "c<major>:<minor>"; its property
    // lines read "E:KEY=value".
    std::map<std::string, std::string> properties;
    const std::string number = ReadAttribute(fs::path(roots.ttyClassDir) / tty / "dev");
    if (number.empty() || number.find('/') != std::string::npos) {
        return properties;
    }
    const auto record = ReadSmallFile(fs::path(roots.udevDataDir) / ("c" + number));
    if (!record) {
        return properties;
    }
    std::istringstream lines(*record);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.find('=');
        if (line.rfind("E:", 0) == 0 && equals != std::string::npos && equals > 2) {
            properties[line.substr(2, equals - 2)] = line.substr(equals + 1);
        }
    }
    return properties;
}

ModemDeviceClass ModemDeviceClass::FromUdev(const SystemRoots& roots) {
    ModemDeviceClass marked;
    marked.source_ = DeviceSource::Udev;
    int index = 0;
    for (const std::string& name : TtyNames(roots.ttyClassDir)) {
        if (index >= kInstanceCount) {
            break;
        }
        const auto properties = UdevProperties(roots, name);
        const auto friendly = properties.find(kFriendlyNameProperty);
        if (friendly != properties.end() && !friendly->second.empty()) {
            marked.instances_[index++] = ModemDevice{friendly->second, name};
        }
    }
    return marked;
}

ModemDeviceClass ModemDeviceClass::FromSysfs(const std::string& ttyClassDir) {
    ModemDeviceClass table;
    table.source_ = DeviceSource::Sysfs;
    std::error_code ec;
    int index = 0;
    for (const std::string& name : TtyNames(ttyClassDir)) {
        if (index >= kInstanceCount) {
            break;
        }
        const fs::path device = fs::canonical(fs::path(ttyClassDir) / name / "device", ec);
        if (ec || device.string().find("/usb") == std::string::npos) {
            ec.clear();
            continue;
        }
        // The USB device, which carries the strings, is an ancestor of the interface.
        std::string manufacturer;
        std::string product;
        for (fs::path dir = device; !dir.empty() && dir != dir.root_path();
             dir = dir.parent_path()) {
            if (fs::exists(dir / "idVendor", ec)) {
                manufacturer = ReadAttribute(dir / "manufacturer");
                product = ReadAttribute(dir / "product");
                break;
            }
        }
        std::string friendly = manufacturer;
        if (!product.empty()) {
            friendly += friendly.empty() ? product : " " + product;
        }
        if (friendly.empty()) {
            friendly = name;
        }
        table.instances_[index++] = ModemDevice{friendly, name};
    }
    return table;
}

std::optional<ModemDevice> ModemDeviceClass::Instance(int index) const {
    if (index < 0 || index >= kInstanceCount) {
        return std::nullopt;
    }
    return instances_[index];
}

const char* ModemDeviceClass::SourceName(DeviceSource source) {
    switch (source) {
        case DeviceSource::Table:
            return "table";
        case DeviceSource::Udev:
            return "udev";
        case DeviceSource::Sysfs:
            return "sysfs";
    }
    return "";
}

std::string ModemDeviceClass::TableText(const std::vector<ModemDevice>& devices) {
    std::string text;
    for (std::size_t i = 0; i < devices.size() && i < kInstanceCount; ++i) {
        text += "[" + InstanceName(static_cast<int>(i)) + "]\n";
        text += "FriendlyName=" + devices[i].friendlyName + "\n";
        text += "AttachedTo=" + devices[i].attachedTo + "\n\n";
    }
    return text;
}

}  // namespace veltro
