#include "CardRules.h"

#include <algorithm>

namespace veltro::test {

std::vector<ScriptedLine::Rule> CardRules(const std::string& manufacturer, int registration,
                                          int signal) {
    const std::string ok = "\r\nOK\r\n";
    const std::string value = std::to_string(signal);
    return {
        {"AT+CGMI", "\r\n" + manufacturer + "\r\n" + ok},
        {"AT+IPR=115200", ok, 0, -1, 115200},
        {"AT&W", ok},
        {"AT+CGDCONT=*", ok},
        {"AT+CNMI=0,1,0,0,0", ok},
        {"AT+CMGF=0", ok},
        {"AT+CLIP=1", ok},
        {"ATS0=*", ok},
        {"AT$CSQ=*", ok},
        {"ATE0", ok},
        {"ATE1", ok},
        {"AT+CPIN?", "\r\n+CPIN: READY\r\n" + ok},
        {"AT+CGATT=1", ok},
        {"AT+CGREG?", "\r\n+CGREG: 0," + std::to_string(registration) + "\r\n" + ok},
        {"AT+CSQ", "\r\n$CSQ: " + value + ",99\r\n+CSQ: " + value + ",99\r\n" + ok},
    };
}

void IgnoreCommand(std::vector<ScriptedLine::Rule>& rules, const std::string& command) {
    std::erase_if(rules, [&](const ScriptedLine::Rule& r) { return r.command == command; });
}

}  // namespace veltro::test
