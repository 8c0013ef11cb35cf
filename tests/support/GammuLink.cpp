#include "GammuLink.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace veltro::test {

namespace {

std::string RunPipe(const std::string& command) {
    std::string all;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
            all.append(buffer, n);
        }
        if (::pclose(pipe) != 0) {
            return {};
        }
    }
    return all;
}

}  // namespace

bool GammuAvailable() {
    return RunPipe("/usr/bin/python3 -c 'import gammu; print(1)' 2>/dev/null") == "1\n";
}

std::optional<GammuLinked> LinkWithGammu(const std::vector<std::string>& pdus) {
    char path[] = "/tmp/veltro-pdus-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        return std::nullopt;
    }
    ::close(fd);
    {
        std::ofstream out(path);
        for (const std::string& pdu : pdus) {
            out << pdu << "\n";
        }
    }
    const std::string output =
        RunPipe("PYTHONIOENCODING=utf-8 /usr/bin/python3 " VELTRO_TEST_DATA "/link_pdus.py < " +
                std::string(path) + " 2>/dev/null");
    std::remove(path);
    std::istringstream in(output);
    GammuLinked linked;
    std::string parts;
    if (!std::getline(in, parts) || !std::getline(in, linked.number) ||
        !std::getline(in, linked.text)) {
        return std::nullopt;
    }
    linked.parts = std::atoi(parts.c_str());
    return linked;
}

}  // namespace veltro::test
