#include "DriverLog.h"

#include <sstream>

namespace veltro {

DriverLog DriverLog::Parse(std::string_view text) {
    DriverLog log;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string ms;
        std::string event;
        std::string first;
        std::string second;
        words >> ms >> event >> first >> second;
        if (event == "loaded") {
            log.loadedVc = first;
            log.loadedSms = second;
            log.savedVc = first;
            log.smsContents.insert(second);
        } else if (event == "ready") {
            log.ready = true;
        } else if (event == "vc-next") {
            log.pendingVc.push_back(first);
        } else if (event == "vc-done" && !log.pendingVc.empty()) {
            log.savedVc = log.pendingVc.back();
            log.pendingVc.clear();
            ++log.contactSaves;
        } else if (event == "sms-next") {
            log.smsContents.insert(first);
        } else if (event == "cycle-begin") {
            log.inCycle = true;
        } else if (event == "cycle-end") {
            log.inCycle = false;
            ++log.cycles;
        }
    }
    return log;
}

}  // namespace veltro
