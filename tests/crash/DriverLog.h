#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// What the log of veltrogprs-crash-window says about the run that wrote it: the data
// files' contents it loaded and announced, and what it was doing when it stopped.
struct DriverLog {
    std::string loadedVc;
    std::string loadedSms;
    bool ready = false;
    // The phonebook content known to be saved: the last one followed by "vc-done", or
    // the loaded one.
    std::string savedVc;
    // Phonebook contents announced after that; the last may have been half-way saved.
    std::vector<std::string> pendingVc;
    // Every inbox content announced, and the loaded one.
    std::set<std::string> smsContents;
    bool inCycle = false;
    int cycles = 0;
    int contactSaves = 0;

    static DriverLog Parse(std::string_view text);
};

}  // namespace veltro
