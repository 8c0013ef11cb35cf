// veltrogprs-dialer: the stand-in for pppd on the virtual data card. Takes pppd's
// command line; see dialup/VirtualDialer.h.
#include <string>
#include <vector>

#include "dialup/VirtualDialer.h"

int main(int argc, char** argv) {
    return veltro::VirtualDialer::Run(std::vector<std::string>(argv + 1, argv + argc),
                                      veltro::VirtualDialer::Timing{});
}
