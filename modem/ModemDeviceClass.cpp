#include "modem/ModemDeviceClass.h"

#include "modem/IniDocument.h"
#include "modem/TrimBlanks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

std::string ModemDeviceClass::TablePath() {
    if (const char* env = std::getenv("VELTROGPRS_MODEMS"); env != nullptr && *env != '\0') {
        return env;
    }
    std::string configHome;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        configHome = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        configHome = std::string(home) + "/.config";
    }
    std::error_code ec;
    if (!configHome.empty()) {
        const std::string user = configHome + "/veltrogprs/modems.ini";
        if (fs::exists(user, ec)) {
            return user;
        }
    }
    if (fs::exists("/etc/veltrogprs/modems.ini", ec)) {
        return "/etc/veltrogprs/modems.ini";
    }
    return {};
}

ModemDeviceClass ModemDeviceClass::Load() {
    const std::string path = TablePath();
    if (path.empty()) {
        return FromSysfs();
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

ModemDeviceClass ModemDeviceClass::FromSysfs(const std::string& ttyClassDir) {
    ModemDeviceClass table;
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(ttyClassDir, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    int index = 0;
    for (const std::string& name : names) {
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
