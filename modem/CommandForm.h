#pragma once

namespace veltro {

// How a command line is completed after its stem.
enum class CommandForm : int {
    Plain = 0,     // CR
    Assign = 1,    // "=" + argument + CR
    Append = 2,    // argument + CR
    Query = 3,     // "?" + CR
    TestForm = 4,  // "=?" + CR
};

}  // namespace veltro
