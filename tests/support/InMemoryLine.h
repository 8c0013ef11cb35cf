#pragma once

#include "modem/SerialLine.h"

namespace veltro::test {

// A serial line that exists only in this process: a scripted modem, the virtual card's
// modem, fuzz input. Line settings, DTR and timed writes mean nothing to it, so every
// control call succeeds while the line is Present(); subclasses say what is read and
// written, and override the calls they want to watch.
class InMemoryLine : public SerialLine {
public:
    int OpenDevice() override { return 0; }
    int Open() override { return 0; }
    void Close() override {}
    int Reopen(std::uint32_t) override { return Result(); }
    int Configure(const LineSettings& settings) override { return SetState(settings); }
    int SetState(const LineSettings&) override { return Result(); }
    int ApplyDefaultSettings() override { return Result(); }
    int GetSettings(LineSettings&) override { return Result(); }
    void SetTimedWrites(bool) override {}
    int RaiseDtr() override { return Result(); }
    int LowerDtr() override { return Result(); }
    bool PurgeAll() override { return PurgeInput(); }
    bool Gone() const override { return !Present(); }

protected:
    // False once the line is gone (a pulled-out card): control calls then fail.
    virtual bool Present() const { return true; }

private:
    int Result() const { return Present() ? 1 : 0; }
};

}  // namespace veltro::test
