#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace veltro {

// What the window program does with its command line before any window exists, so that
// --help and --version work without a display.
//   --help, -h     the usage text on standard output; the program ends
//   --version      the version on standard output; the program ends
//   --data-home    run in $XDG_DATA_HOME/veltrogprs (~/.local/share/veltrogprs), created
//                  when missing, so "vc.dat" and "sms.dat" are the same files however
//                  the program was started (the desktop entry uses it)
//   --demo         run on the virtual data card (read later by Application)
class CommandLine {
public:
    // The exit status when the command line is handled here, or nothing when the
    // program goes on; errors go to err.
    static std::optional<int> Handle(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err);

    static std::string UsageText();
    // $XDG_DATA_HOME/veltrogprs, or ~/.local/share/veltrogprs; empty without HOME.
    static std::string DataFolder();
};

}  // namespace veltro
