#pragma once

#include <QString>

namespace veltro {

// The signal icons' tooltip for a reading of the card (3GPP TS 27.007 8.5 rssi): the
// level in dBm and in bars out of 5; "unknown" for 99 and anything beyond 0..31.
class SignalToolTip {
public:
    static QString For(int rssi);
};

}  // namespace veltro
