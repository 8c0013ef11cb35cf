#pragma once

#include <QEventLoop>
#include <QMetaObject>

#include <thread>

namespace veltro {

// Runs work on a helper thread while the calling (user-interface) thread keeps painting
// and running its timers; user input waits until the work is done. For modem exchanges
// started by a button, whose awaits would otherwise freeze the window. The caller holds
// the modem's gate, so a timer tick that wants the modem meanwhile finds it taken.
template <typename Work>
auto RunOffThread(Work work) {
    decltype(work()) result{};
    QEventLoop wait;
    std::thread helper([&] {
        result = work();
        QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
    });
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    helper.join();
    return result;
}

}  // namespace veltro
