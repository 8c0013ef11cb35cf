// Awaits a pattern that never comes for 2 s on a real pty and reports the processor
// time the wait used. A loop that spins on the port would use a whole core.
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "modem/ModemEngine.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"

namespace {
double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main() {
    int master = -1;
    int slave = -1;
    char path[64] = {};
    if (::openpty(&master, &slave, path, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    ::close(slave);
    auto& clock = veltro::SystemClock::Instance();
    veltro::ModemEngine engine(clock, veltro::SerialPort::Factory(clock));
    engine.Reset();
    if (!engine.OpenPort(std::string(path).substr(5).c_str())) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = clock.NowMs();
    const int position = engine.AwaitCode(veltro::ResultCodeId::Ok, 2000);
    const double wall = (clock.NowMs() - wallBefore) / 1000.0;
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf(
        "bench_await: waited %.3f s for a pattern that never came (found %d), "
        "CPU %.4f s = %.2f%% of one core\n",
        wall, position, cpu, 100.0 * cpu / wall);
    ::close(master);
    return 0;
}
