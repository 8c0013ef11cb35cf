#pragma once

#include <optional>
#include <string>

namespace veltro::cli {

// Reads a secret (a PIN) for the command line: from the terminal with its echo off,
// the prompt on standard error; or, when standard input is not a terminal, one line of
// it without a prompt. Never from the command line, so that it is not in the process
// list or the shell's history.
class SecretInput {
public:
    // The line without its line end; nothing at the end of input.
    static std::optional<std::string> Read(const std::string& prompt);
};

}  // namespace veltro::cli
