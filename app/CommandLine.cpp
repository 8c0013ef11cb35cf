#include "app/CommandLine.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>

namespace veltro {

std::string CommandLine::UsageText() {
    return "usage: veltrogprs [--demo] [--data-home]\n"
           "       veltrogprs --help | --version\n"
           "The GSM/GPRS data card manager: dials GPRS, shows the traffic, places and answers\n"
           "calls, sends and fetches SMS and keeps a phonebook, in one window.\n"
           "  --demo       run on the virtual data card instead of a real card\n"
           "  --data-home  keep vc.dat and sms.dat in $XDG_DATA_HOME/veltrogprs (created when\n"
           "               missing) instead of the current folder\n"
           "  --help       show this text\n"
           "  --version    show the version\n";
}

std::string CommandLine::DataFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
        return std::string(data) + "/veltrogprs";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.local/share/veltrogprs";
    }
    return {};
}

std::optional<int> CommandLine::Handle(int argc, const char* const* argv, std::ostream& out,
                                       std::ostream& err) {
    bool dataHome = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            out << UsageText();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            out << "veltrogprs " << VELTRO_VERSION << '\n';
            return 0;
        }
        dataHome = dataHome || std::strcmp(argv[i], "--data-home") == 0;
    }
    if (!dataHome) {
        return std::nullopt;
    }
    // A folder made here is private: it holds the user's messages and contacts.
    const std::string folder = DataFolder();
    std::error_code ec;
    if (!folder.empty() && std::filesystem::create_directories(folder, ec)) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    }
    if (folder.empty() || ec || ::chdir(folder.c_str()) != 0) {
        err << "veltrogprs: --data-home: cannot use the folder "
            << (folder.empty() ? "(no HOME)" : folder) << '\n';
        return 1;
    }
    return std::nullopt;
}

}  // namespace veltro
