#include "app/SignalToolTip.h"

#include <QCoreApplication>

namespace veltro {

QString SignalToolTip::For(int rssi) {
    // 0..31 stand for -113 dBm and up in steps of 2 dBm.
    if (rssi < 0 || rssi > 31) {
        return QCoreApplication::translate("SignalToolTip", "信号强度：未知");
    }
    // The rssi at which each bar lights.
    static constexpr int kBarFloor[] = {2, 8, 13, 18, 23};
    int bars = 0;
    for (const int floor : kBarFloor) {
        bars += rssi >= floor ? 1 : 0;
    }
    return QCoreApplication::translate("SignalToolTip", "信号强度：%1 dBm（%2/5格）")
        .arg(2 * rssi - 113)
        .arg(bars);
}

}  // namespace veltro
