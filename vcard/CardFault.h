#pragma once

namespace veltro::vcard {

// How the card misbehaves on a command line chosen by the test.
enum class CardFault {
    NoAnswer,  // the line is taken in (and echoed) but never answered
    Error,     // the line is answered with ERROR
};

}  // namespace veltro::vcard
