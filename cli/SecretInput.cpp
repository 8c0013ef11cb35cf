#include "cli/SecretInput.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace veltro::cli {

namespace {

// The terminal's settings while its echo is off, for a signal that ends the program.
termios savedTerminal{};

// Ctrl-C at the prompt: the terminal gets its echo back before the program ends.
void RestoreAndEnd(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

std::optional<std::string> SecretInput::Read(const std::string& prompt) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    const bool quiet = terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        std::cerr << prompt << std::flush;
    }
    if (quiet) {
        savedTerminal = saved;
        ::signal(SIGINT, RestoreAndEnd);
        ::signal(SIGTERM, RestoreAndEnd);
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (quiet) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
    }
    if (terminal) {
        std::cerr << '\n';
    }
    if (!read) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace veltro::cli
