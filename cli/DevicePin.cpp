#include "cli/DevicePin.h"

#include <filesystem>
#include <fstream>

#include "cli/CliContext.h"
#include "modem/IniDocument.h"

namespace veltro::cli {

namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute; empty when missing or not a plain word.
std::string Attribute(const fs::path& dir, const char* name) {
    std::ifstream in(dir / name);
    std::string value;
    std::getline(in, value);
    for (char c : value) {
        const bool plain =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!plain) {
            return {};
        }
    }
    return value;
}

}  // namespace

std::optional<std::string> DevicePin::Rules(const std::string& ttyClassDir, const std::string& port,
                                            std::string& why) {
    std::error_code ec;
    const fs::path tty = fs::path(ttyClassDir) / port;
    if (port.empty() || port.find('/') != std::string::npos || !IniDocument::IsSafeValue(port) ||
        !fs::exists(tty, ec)) {
        why = port + " is not a tty the kernel knows (nothing in " + ttyClassDir + ")";
        return std::nullopt;
    }
    const std::string names = std::string("ENV{VELTROGPRS_FRIENDLY_NAME}=\"") +
                              CliContext::kModemDeviceName +
                              "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\", SYMLINK+=\"veltrogprs0\"\n";
    std::string text = "# Written by \"veltrogprs-cli device pin " + port +
                       "\": the card's AT port gets the names of a card that\n"
                       "# 70-veltrogprs.rules lists. Remove this file to undo it.\n"
                       "ACTION==\"remove\", GOTO=\"veltrogprs_pin_end\"\n"
                       "SUBSYSTEM!=\"tty\", GOTO=\"veltrogprs_pin_end\"\n";
    // The USB interface above the tty, and the USB device above that.
    fs::path interface = fs::canonical(tty / "device", ec);
    while (!ec && !interface.empty() && interface != interface.root_path() &&
           Attribute(interface, "bInterfaceNumber").empty()) {
        interface = interface.parent_path();
    }
    const std::string number = ec ? std::string() : Attribute(interface, "bInterfaceNumber");
    const std::string vendor = number.empty() ? "" : Attribute(interface.parent_path(), "idVendor");
    const std::string product =
        number.empty() ? "" : Attribute(interface.parent_path(), "idProduct");
    if (vendor.empty() || product.empty()) {
        return text + "KERNEL==\"" + port + "\", " + names + "LABEL=\"veltrogprs_pin_end\"\n";
    }
    const std::string card =
        "ATTRS{idVendor}==\"" + vendor + "\", ATTRS{idProduct}==\"" + product + "\", ";
    return text +
           "SUBSYSTEMS==\"usb\", ATTRS{bInterfaceNumber}==\"?*\", "
           "ENV{.VELTROGPRS_PIN_IFNUM}=\"$attr{bInterfaceNumber}\"\n" +
           card + "ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n" + card + "ENV{.VELTROGPRS_PIN_IFNUM}==\"" +
           number + "\", " + names + "LABEL=\"veltrogprs_pin_end\"\n";
}

}  // namespace veltro::cli
