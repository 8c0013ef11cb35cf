#include "vcard/SmsTimeStamp.h"

#include <cstdio>
#include <cstdlib>

namespace veltro::vcard {

SmsTimeStamp SmsTimeStamp::At(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    SmsTimeStamp stamp;
    stamp.year = local.tm_year + 1900;
    stamp.month = local.tm_mon + 1;
    stamp.day = local.tm_mday;
    stamp.hour = local.tm_hour;
    stamp.minute = local.tm_min;
    stamp.second = local.tm_sec;
    stamp.zoneQuarters = static_cast<int>(local.tm_gmtoff / (15 * 60));
    return stamp;
}

std::string SmsTimeStamp::Text() const {
    char text[32];
    std::snprintf(text, sizeof(text), "%02d/%02d/%02d,%02d:%02d:%02d%c%02d", year % 100, month, day,
                  hour, minute, second, zoneQuarters < 0 ? '-' : '+', std::abs(zoneQuarters) % 100);
    return text;
}

std::vector<std::uint8_t> SmsTimeStamp::Octets() const {
    auto swapped = [](int value) {
        value = std::abs(value) % 100;
        return static_cast<std::uint8_t>((value % 10) << 4 | (value / 10));
    };
    std::uint8_t zone = swapped(zoneQuarters);
    if (zoneQuarters < 0) {
        zone |= 0x08;  // sign bit: the zone lies west of UTC
    }
    return {swapped(year),   swapped(month),  swapped(day), swapped(hour),
            swapped(minute), swapped(second), zone};
}

}  // namespace veltro::vcard
