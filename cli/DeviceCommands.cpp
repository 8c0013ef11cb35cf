#include "cli/DeviceCommands.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/DevicePin.h"
#include "dialup/PppdCommandLine.h"
#include "modem/AtomicFile.h"
#include "modem/IniDocument.h"
#include "modem/ModemEngine.h"

extern char** environ;

namespace veltro::cli {

namespace {

namespace fs = std::filesystem;

// One instance: a line of plain output, or with --json an entry of the array.
void PrintInstance(CommandOutput& output, nlohmann::ordered_json& entries,
                   const std::string& instance, DeviceSource source, const ModemDevice& device) {
    const char* sourceName = ModemDeviceClass::SourceName(source);
    output.Line(instance + "  " + sourceName + "  " + device.attachedTo +
                std::string(device.attachedTo.size() < 8 ? 8 - device.attachedTo.size() : 0, ' ') +
                "  " + device.friendlyName);
    nlohmann::ordered_json entry = {
        {"source", sourceName}, {"port", device.attachedTo}, {"name", device.friendlyName}};
    if (instance != "----") {
        entry["instance"] = instance;
    }
    entries.push_back(std::move(entry));
}

// Reads the user's table. Nothing when it exists but cannot be read or is damaged, so
// that an edit never overwrites a table it did not understand.
std::optional<IniDocument> ReadUserTable(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        return ec ? std::nullopt : std::optional<IniDocument>(IniDocument());
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return IniDocument::Parse(text.str());
}

bool WriteUserTable(const std::string& path, const IniDocument& table) {
    std::error_code ec;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) {
        fs::create_directories(parent, ec);
    }
    return AtomicFile::Write(path, table.Text());
}

// The instance an argument names: "0003" or "3".
std::optional<int> InstanceIndex(const std::string& text) {
    for (int i = 0; i < ModemDeviceClass::kInstanceCount; ++i) {
        if (text == ModemDeviceClass::InstanceName(i) || text == std::to_string(i)) {
            return i;
        }
    }
    return std::nullopt;
}

int RunList(CliContext& context, const std::vector<std::string>&) {
    ListDevices(context.Output(), ModemDeviceClass::SystemRoots{});
    return kExitSuccess;
}

int RunAdd(CliContext& context, const std::vector<std::string>& arguments) {
    const std::string path = ModemDeviceClass::UserTablePath();
    if (path.empty()) {
        return context.Fail("no device table path: set HOME, XDG_CONFIG_HOME or VELTROGPRS_MODEMS");
    }
    std::string port = arguments[0];
    if (port.rfind("/dev/", 0) == 0) {
        port.erase(0, 5);
    }
    if (port.empty() || port.size() >= ModemEngine::kPortNameSize ||
        !IniDocument::IsSafeValue(port)) {
        return context.Fail("not a port name of at most 8 characters under /dev: " + arguments[0]);
    }
    const std::string name =
        arguments.size() > 1 ? arguments[1] : std::string(CliContext::kModemDeviceName);
    if (name.empty() || !IniDocument::IsSafeValue(name)) {
        return context.Fail("not a usable friendly name: " + name);
    }
    std::optional<IniDocument> table = ReadUserTable(path);
    if (!table) {
        return context.Fail("cannot read the device table " + path + "; mend or remove it first");
    }
    int free = -1;
    for (int i = ModemDeviceClass::kInstanceCount - 1; i >= 0; --i) {
        const IniDocument::Section* section = table->Find(ModemDeviceClass::InstanceName(i));
        if (section == nullptr) {
            free = i;
        } else if (IniDocument::Value(section->values, "AttachedTo") == port) {
            return context.Fail(port + " is already instance " + ModemDeviceClass::InstanceName(i) +
                                " in " + path);
        }
    }
    if (free < 0) {
        return context.Fail("the device table " + path + " has no free instance");
    }
    const std::string instance = ModemDeviceClass::InstanceName(free);
    table->Set(instance, {{"FriendlyName", name}, {"AttachedTo", port}});
    if (!WriteUserTable(path, *table)) {
        return context.Fail("cannot write the device table " + path);
    }
    CommandOutput& output = context.Output();
    output.Line("added " + instance + ' ' + port + ' ' + name + " to " + path);
    std::error_code ec;
    const bool exists = fs::exists("/dev/" + port, ec);
    if (!exists) {
        output.Line("note: /dev/" + port + " does not exist now");
    }
    output.Object().update({{"added", instance},
                            {"port", port},
                            {"name", name},
                            {"table", path},
                            {"port_exists", exists}});
    return kExitSuccess;
}

int RunRemove(CliContext& context, const std::vector<std::string>& arguments) {
    const std::string path = ModemDeviceClass::UserTablePath();
    const std::optional<int> index = InstanceIndex(arguments[0]);
    if (!index) {
        return context.Fail("not an instance 0000 to 0009: " + arguments[0]);
    }
    std::error_code ec;
    if (path.empty() || !fs::exists(path, ec)) {
        return context.Fail("there is no device table to edit" +
                            (path.empty() ? std::string() : " at " + path));
    }
    std::optional<IniDocument> table = ReadUserTable(path);
    if (!table) {
        return context.Fail("cannot read the device table " + path + "; mend or remove it first");
    }
    const std::string instance = ModemDeviceClass::InstanceName(*index);
    if (!table->Remove(instance)) {
        return context.Fail("instance " + instance + " is not in " + path);
    }
    if (!WriteUserTable(path, *table)) {
        return context.Fail("cannot write the device table " + path);
    }
    context.Output().Line("removed " + instance + " from " + path);
    context.Output().Object().update({{"removed", instance}, {"table", path}});
    return kExitSuccess;
}

// Runs a program with its arguments; true when it ran and exited 0.
bool RunProgram(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Gives the card at PORT the fixed name pppd dials (/dev/veltrogprs0) with a udev rule,
// for a card that 70-veltrogprs.rules does not list; udev applies it at once.
int RunPin(CliContext& context, const std::vector<std::string>& arguments) {
    std::string port = arguments[0];
    if (port.rfind("/dev/", 0) == 0) {
        port.erase(0, 5);
    }
    if (port.rfind("pts/", 0) == 0) {
        return context.Fail(port +
                            " is a pseudo-terminal (the virtual card): its dials go through the "
                            "stand-in dialer and need no fixed name");
    }
    if (::geteuid() != 0) {
        return context.Fail("writing a udev rule needs root: sudo veltrogprs-cli device pin " +
                            port);
    }
    std::string why;
    const auto rules = DevicePin::Rules(ModemDeviceClass::SystemRoots{}.ttyClassDir, port, why);
    if (!rules) {
        return context.Fail(why);
    }
    if (!AtomicFile::Write(DevicePin::kRulesPath, *rules, AtomicFile::kShared)) {
        return context.Fail(std::string("cannot write ") + DevicePin::kRulesPath +
                            " (udev keeps its local rules there: is udev installed?)");
    }
    CommandOutput& output = context.Output();
    output.Line(std::string("wrote ") + DevicePin::kRulesPath);
    output.Object()["rules"] = DevicePin::kRulesPath;
    const bool applied =
        RunProgram({"udevadm", "control", "--reload-rules"}) &&
        RunProgram({"udevadm", "trigger", "--action=add", "--subsystem-match=tty"}) &&
        RunProgram({"udevadm", "settle"});
    if (!applied) {
        return context.Fail(
            "udev did not take the rule; run: udevadm control --reload-rules && udevadm "
            "trigger --action=add --subsystem-match=tty, or plug the card in again");
    }
    std::error_code ec;
    const fs::path target = fs::canonical(PppdCommandLine::kCardDevice, ec);
    if (ec || target != fs::canonical("/dev/" + port, ec)) {
        return context.Fail(std::string(PppdCommandLine::kCardDevice) + " is " +
                            (target.empty() ? std::string("missing") : target.string()) +
                            ", not /dev/" + port + "; veltrogprs-cli doctor says more");
    }
    output.Line(std::string(PppdCommandLine::kCardDevice) + " -> " + port);
    output.Object().update({{"device", PppdCommandLine::kCardDevice}, {"port", port}});
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"device list", "", 0, 0, RunList},
    {"device pin", "PORT", 1, 1, RunPin},
    {"device add", "PORT [FRIENDLY-NAME]", 1, 2, RunAdd},
    {"device remove", "INSTANCE", 1, 1, RunRemove},
};

}  // namespace

void ListDevices(CommandOutput& output, const ModemDeviceClass::SystemRoots& roots) {
    const std::string tablePath = ModemDeviceClass::TablePath();
    const ModemDeviceClass devices = ModemDeviceClass::Load(roots);
    const char* source = ModemDeviceClass::SourceName(devices.Source());
    output.Line(std::string("source: ") + source + (tablePath.empty() ? "" : " " + tablePath));
    nlohmann::ordered_json& object = output.Object();
    object["source"] = source;
    if (!tablePath.empty()) {
        object["table"] = tablePath;
    }
    nlohmann::ordered_json& instances = object["devices"] = nlohmann::ordered_json::array();
    bool named = false;
    std::set<std::string> listed;
    for (int i = 0; i < ModemDeviceClass::kInstanceCount; ++i) {
        if (const auto device = devices.Instance(i)) {
            PrintInstance(output, instances, ModemDeviceClass::InstanceName(i), devices.Source(),
                          *device);
            named = named ||
                    device->friendlyName.find(CliContext::kModemDeviceName) != std::string::npos;
            listed.insert(device->attachedTo);
        }
    }
    // With a table, the ports the system offers are not instances; they are shown so
    // that one of them can be added.
    nlohmann::ordered_json& offers = object["offered"] = nlohmann::ordered_json::array();
    if (devices.Source() == DeviceSource::Table) {
        ModemDeviceClass offered = ModemDeviceClass::FromUdev(roots);
        if (!offered.Instance(0)) {
            offered = ModemDeviceClass::FromSysfs(roots.ttyClassDir);
        }
        for (int i = 0; i < ModemDeviceClass::kInstanceCount; ++i) {
            const auto device = offered.Instance(i);
            if (device && listed.count(device->attachedTo) == 0) {
                PrintInstance(output, offers, "----", offered.Source(), *device);
            }
        }
    }
    object["named"] = named;
    if (!named) {
        output.Line(std::string("no instance is named \"") + CliContext::kModemDeviceName +
                    "\"; add the card's AT port with: veltrogprs-cli device add PORT");
    }
}

std::span<const CliCommand> DeviceCommands() {
    return kCommands;
}

}  // namespace veltro::cli
