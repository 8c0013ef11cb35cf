#pragma once

#include <string>
#include <vector>

#include "ScriptedLine.h"

namespace veltro::test {

// The answers of a scripted card that does everything right: it names manufacturer,
// switches to 115200 on request, has a ready SIM, is registered with registration and
// reports signal.
std::vector<ScriptedLine::Rule> CardRules(const std::string& manufacturer, int registration = 1,
                                          int signal = 20);

// Drops the rules for one command, as a card that ignores it.
void IgnoreCommand(std::vector<ScriptedLine::Rule>& rules, const std::string& command);

}  // namespace veltro::test
