#pragma once

#include <memory>
#include <string>

#include "vcard/VirtualCard.h"

namespace veltro::vcard {

// The card behind --demo: a virtual card that calls itself a BenQ modem, entered in a
// device table of its own as "VeltroGSM无线调制解调器" on its pty, with VELTROGPRS_MODEMS
// pointing at that table, so that discovery finds it the way it finds a real card. It
// comes with two unread messages on the SIM and paces its network like a real one: the
// far end picks up a voice call after 3 s, a message takes 1.5 s to send, and calls to
// "10000" find the line busy.
class DemoCard {
public:
    static constexpr const char* kFriendlyName = "VeltroGSM无线调制解调器";

    DemoCard() = default;
    ~DemoCard() { Stop(); }
    DemoCard(const DemoCard&) = delete;
    DemoCard& operator=(const DemoCard&) = delete;

    // Starts the card and writes the table into tableDir (a fresh folder under the
    // runtime or temporary directory when empty). False if either fails.
    bool Start(const std::string& tableDir = {});
    void Stop();

    VirtualCard* Card() { return card_.get(); }
    const std::string& TablePath() const { return tablePath_; }

    static CardOptions Options();

private:
    std::unique_ptr<VirtualCard> card_;
    std::string tablePath_;
    std::string createdDir_;
};

}  // namespace veltro::vcard
