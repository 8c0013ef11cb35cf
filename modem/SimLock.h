#pragma once

#include <string_view>

namespace veltro {

// What the SIM asks for before it serves, from "+CPIN: <code>" (3GPP TS 27.007 8.3),
// and how many tries the card says are left. Pure functions over received text.
class SimLock {
public:
    enum class State {
        Ready,    // "READY"
        Pin,      // "SIM PIN"
        Puk,      // "SIM PUK"
        Other,    // another code (PH-SIM PIN, SIM PIN2, ...): not one this program enters
        Unknown,  // no +CPIN line: no SIM, an error, or no answer
    };

    // Tries left as the card reports them; -1 where it says nothing.
    struct Retries {
        int pin = -1;
        int puk = -1;
    };

    static constexpr std::size_t kMinPin = 4;
    static constexpr std::size_t kMaxPin = 8;
    static constexpr std::size_t kPukLength = 8;

    // The state of the first "+CPIN:" line of an answer; the code may be quoted.
    static State StateOf(std::string_view answer);
    // The tries left from "+CPINR: SIM PIN,3[,3]" / "+CPINR: SIM PUK,10[,10]" lines
    // (3GPP TS 27.007 8.65), or from "+CPINC: <pin1>,<pin2>,<puk1>,<puk2>" that some
    // cards answer instead.
    static Retries RetriesOf(std::string_view answer);
    // 4 to 8 digits and nothing else.
    static bool ValidPin(std::string_view pin);
    // 8 digits and nothing else.
    static bool ValidPuk(std::string_view puk);
};

}  // namespace veltro
