#pragma once

#include <functional>

namespace veltro {

// Keeps a window responsive while the modem layer waits. The user-interface thread
// installs a hook that processes its pending events; other threads have none, so
// PumpOneMessage does nothing there.

// Installs the hook for the calling thread (an empty function removes it).
void SetMessagePump(std::function<void()> hook);

// True when the calling thread has a pump hook installed.
bool HasMessagePump();

// Runs the calling thread's hook once, if it has one. Never blocks.
void PumpOneMessage();

}  // namespace veltro
