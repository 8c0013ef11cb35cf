#pragma once

#include <string_view>

namespace veltro::cli {

// The one line of --help on what each command does, as the man page says it.
class CommandHelp {
public:
    // The line for the command of this name, or nullptr when it has none.
    static const char* Summary(std::string_view name);
    // The options before the command, one line each.
    static const char* Options();
};

}  // namespace veltro::cli
