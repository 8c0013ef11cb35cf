#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veltro::test {

// The id of a process that has ended: a child that has exited and been reaped.
inline pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

}  // namespace veltro::test
