#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

#include "modem/ModemEngine.h"
#include "modem/ModemSession.h"

namespace veltro::test {

// Runs the session's jobs and hands their results to this thread until nothing is
// queued, running or on its way (results may queue further jobs). False on timeout.
inline bool Settle(ModemSession& session, int limitMs = 30000) {
    const QDeadlineTimer deadline(limitMs);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (session.Idle()) {
            QCoreApplication::processEvents();
            if (session.Idle()) {
                return true;
            }
        }
        QThread::usleep(200);
    }
    return false;
}

// Opens the session's engine on port and runs setUp on it, then waits for that.
inline bool OpenSession(ModemSession& session, const char* port,
                        std::function<void(ModemEngine&)> setUp = {}) {
    session.Open([port, setUp](ModemEngine& engine) {
        engine.Reset();
        engine.OpenPort(port);
        if (setUp) {
            setUp(engine);
        }
    });
    return Settle(session);
}

}  // namespace veltro::test
