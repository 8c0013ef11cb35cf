#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "modem/Clock.h"

namespace veltro {

// Lets one caller at a time own the modem for a whole multi-command operation.
//
// The single read and write locks of the port keep bytes intact but not dialogues:
// an inbox fetch on a worker and a poll tick on the user-interface thread would
// otherwise interleave their commands. Each operation that talks to the modem holds a
// ModemClaim for its whole dialogue.
class ModemGate {
public:
    enum class Wait {
        Skip,     // give up at once when busy (a periodic poll tick)
        Pumping,  // wait while processing this thread's events (a button on the UI thread)
        Blocking  // wait on the lock (a worker thread)
    };

    explicit ModemGate(Clock& clock) : clock_(clock) {}

    // Takes the gate. Fails when it is busy and how is Skip, and always fails when the
    // calling thread already holds it: a handler entered from the pump of a waiting
    // operation must not start a second dialogue on the wire, and waiting there for
    // the outer operation would never end.
    bool Acquire(Wait how);
    void Release();
    bool HeldByCallingThread() const;

private:
    bool TryTakeLocked();

    static constexpr std::uint32_t kPumpSliceMs = 10;

    Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
    std::thread::id owner_;
};

// Holds a ModemGate for its lifetime, if it could take it.
class ModemClaim {
public:
    ModemClaim(ModemGate& gate, ModemGate::Wait how) : gate_(gate), held_(gate.Acquire(how)) {}
    ~ModemClaim() {
        if (held_) {
            gate_.Release();
        }
    }
    ModemClaim(const ModemClaim&) = delete;
    ModemClaim& operator=(const ModemClaim&) = delete;

    explicit operator bool() const { return held_; }

private:
    ModemGate& gate_;
    bool held_;
};

}  // namespace veltro
