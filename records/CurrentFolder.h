#pragma once

#include <string>

namespace veltro {

// The data files live in the program's current folder unless a path is given.
class CurrentFolder {
public:
    // The current folder's path + "/" + name; empty when the current folder has no path
    // that can be read (removed, or too long).
    static std::string File(const std::string& name);
};

}  // namespace veltro
