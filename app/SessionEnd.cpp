#include "app/SessionEnd.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace veltro {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The write end of the pipe of the one installed SessionEnd.
volatile std::sig_atomic_t signalPipe = -1;

}  // namespace

SessionEnd::SessionEnd(QObject* parent) : QObject(parent) {}

SessionEnd::~SessionEnd() {
    if (pipe_[1] < 0) {
        return;
    }
    for (int number : kSignals) {
        std::signal(number, SIG_DFL);
    }
    signalPipe = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

bool SessionEnd::Install() {
    if (pipe_[1] >= 0) {
        return true;
    }
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    signalPipe = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::ReadPending);
    struct sigaction action = {};
    action.sa_handler = &SessionEnd::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool installed = true;
    for (int number : kSignals) {
        installed = ::sigaction(number, &action, nullptr) == 0 && installed;
    }
    return installed;
}

void SessionEnd::OnSignal(int signalNumber) {
    const int saved = errno;
    const int fd = signalPipe;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

void SessionEnd::ReadPending() {
    unsigned char byte = 0;
    while (::read(pipe_[0], &byte, 1) == 1) {
        emit requested(byte);
    }
}

}  // namespace veltro
