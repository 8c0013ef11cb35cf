#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <optional>
#include <utility>

#include "modem/ModemSession.h"

namespace veltro {

class ModemEngine;

// Runs work as a job of the modem session and hands its result to done on context's
// thread, through that thread's event queue: done gets nothing when the job was
// cancelled (the line was let go, or there is no card). Results for a context that has
// gone are dropped with its events; the session's owner ends the session before any
// context that can receive results.
template <typename Result>
void RunModemJob(ModemSession& session, ModemSession::Priority priority, QObject* context,
                 std::function<Result(ModemEngine&)> work,
                 std::function<void(std::optional<Result>)> done) {
    auto deliver = [context, done = std::move(done)](std::optional<Result> result) {
        QMetaObject::invokeMethod(
            context, [done, result = std::move(result)] { done(result); }, Qt::QueuedConnection);
    };
    session.Submit(
        priority, [work = std::move(work), deliver](ModemEngine& engine) { deliver(work(engine)); },
        [deliver] { deliver(std::nullopt); });
}

}  // namespace veltro
