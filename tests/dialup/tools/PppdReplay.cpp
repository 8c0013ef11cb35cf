// veltro-pppd-replay: plays a recorded pppd session in place of pppd, for tests.
//
// The session file (VELTRO_REPLAY_SESSION) holds lines "+<ms> <text>": after <ms>
// milliseconds the text is written to standard output, as pppd writes its log with
// nodetach. A line "@up" marks where the link is up: the replay waits there until
// SIGTERM, SIGINT or SIGHUP, then plays the rest with "<signal>" in a text replaced by
// the signal number. "@exit <status>" ends the replay with that status. Without "@up" a
// signal ends the replay at once with status 5. The command line is written, one
// argument a line, to the file VELTRO_REPLAY_ARGS when that is set.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

volatile sig_atomic_t receivedSignal = 0;

void OnSignal(int signal) {
    receivedSignal = signal;
}

void Say(const std::string& text) {
    const std::string line = text + "\n";
    if (::write(1, line.data(), line.size()) < 0) {
        std::_Exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::signal(signal, OnSignal);
    }
    if (const char* argsFile = std::getenv("VELTRO_REPLAY_ARGS")) {
        std::ofstream out(argsFile);
        for (int i = 0; i < argc; ++i) {
            out << argv[i] << '\n';
        }
    }
    const char* sessionFile = std::getenv("VELTRO_REPLAY_SESSION");
    std::ifstream session(sessionFile != nullptr ? sessionFile : "");
    if (!session) {
        Say("veltro-pppd-replay: no session to replay");
        return 1;
    }
    bool sawUp = false;
    std::string line;
    while (std::getline(session, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line == "@up") {
            sawUp = true;
            while (receivedSignal == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            continue;
        }
        if (line.rfind("@exit ", 0) == 0) {
            return std::atoi(line.c_str() + 6);
        }
        if (!sawUp && receivedSignal != 0) {
            return 5;
        }
        const auto space = line.find(' ');
        const int delay = std::atoi(line.c_str() + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        std::string text = space == std::string::npos ? "" : line.substr(space + 1);
        const auto mark = text.find("<signal>");
        if (mark != std::string::npos) {
            text.replace(mark, 8, std::to_string(receivedSignal));
        }
        Say(text);
    }
    return 0;
}
