#include "modem/ModemGate.h"

#include "modem/MessagePump.h"

namespace veltro {

bool ModemGate::TryTakeLocked() {
    if (held_) {
        return false;
    }
    held_ = true;
    owner_ = std::this_thread::get_id();
    return true;
}

bool ModemGate::Acquire(Wait how) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (TryTakeLocked()) {
        return true;
    }
    if (how == Wait::Skip || owner_ == std::this_thread::get_id()) {
        return false;
    }
    if (how == Wait::Blocking) {
        released_.wait(lock, [this] { return !held_; });
        return TryTakeLocked();
    }
    // Pumping: keep the window alive while another thread finishes its dialogue.
    for (;;) {
        lock.unlock();
        PumpOneMessage();
        clock_.SleepMs(kPumpSliceMs);
        lock.lock();
        if (TryTakeLocked()) {
            return true;
        }
        if (owner_ == std::this_thread::get_id()) {
            // A handler run by the pump took the gate and still holds it.
            return false;
        }
    }
}

void ModemGate::Release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
        owner_ = std::thread::id();
    }
    released_.notify_all();
}

bool ModemGate::HeldByCallingThread() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return held_ && owner_ == std::this_thread::get_id();
}

}  // namespace veltro
