#include "modem/MessagePump.h"

#include <utility>

namespace veltro {

namespace {
thread_local std::function<void()> threadPump;
thread_local bool pumping = false;
}  // namespace

void SetMessagePump(std::function<void()> hook) {
    threadPump = std::move(hook);
}

bool HasMessagePump() {
    return static_cast<bool>(threadPump);
}

void PumpOneMessage() {
    // A handler that itself waits would pump again from inside the hook; one level is
    // enough to keep the window alive and keeps the stack bounded.
    if (!threadPump || pumping) {
        return;
    }
    pumping = true;
    threadPump();
    pumping = false;
}

}  // namespace veltro
