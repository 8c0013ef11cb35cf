#include "cli/CallWatcher.h"

#include <ostream>
#include <string>

namespace veltro::cli {

void CallWatcher::Poll() {
    std::uint32_t count = 0;
    engine_.DrainInput(&count);
    // Reading the caller number clears the buffer, so the end of a call is noted first.
    const bool ended = engine_.FindCode(ResultCodeId::NoCarrier) >= 0;
    if (engine_.IsRinging()) {
        std::string number;
        if (engine_.GetCallerNumber(&number)) {
            out_ << "ring\ncaller: " << number << '\n';
            ringPending_ = false;
        } else if (ringPending_ || ended) {
            out_ << "ring\n";
            engine_.ClearResponse();
            ringPending_ = false;
        } else {
            ringPending_ = true;
        }
    }
    if (ended) {
        out_ << "no-carrier\n";
        engine_.ClearResponse();
        ringPending_ = false;
    }
    out_.flush();
}

}  // namespace veltro::cli
