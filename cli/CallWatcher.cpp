#include "cli/CallWatcher.h"

#include <ostream>
#include <string>

namespace veltro::cli {

void CallWatcher::Poll() {
    std::uint32_t count = 0;
    if (engine_.DrainInput(&count) == 0) {
        return;
    }
    // A ring still waiting from an earlier poll gets no caller line any more.
    bool olderRing = ringPending_;
    auto flushRing = [&] {
        if (ringPending_) {
            out_ << "ring\n";
        }
        ringPending_ = false;
        olderRing = false;
    };
    for (const CallEvent& event : engine_.TakeCallEvents()) {
        switch (event.kind) {
            case CallEvent::Kind::Ring:
                flushRing();
                ringPending_ = true;
                break;
            case CallEvent::Kind::Caller:
                out_ << "ring\n";
                if (event.number) {
                    out_ << "caller: " << *event.number << '\n';
                }
                ringPending_ = false;
                olderRing = false;
                break;
            case CallEvent::Kind::NoCarrier:
                flushRing();
                out_ << "no-carrier\n";
                break;
        }
    }
    if (olderRing) {
        flushRing();
    }
    out_.flush();
}

}  // namespace veltro::cli
