#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace veltro::vcard {

// A service-centre time stamp (3GPP TS 23.040 9.2.3.11): local time and the zone in
// quarter hours.
struct SmsTimeStamp {
    int year = 2000;  // four digits
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int zoneQuarters = 0;  // east of UTC positive

    static SmsTimeStamp At(std::time_t when);
    // "yy/MM/dd,hh:mm:ss+zz", the text-mode <scts> of 3GPP TS 27.005.
    std::string Text() const;
    // Seven swapped semi-octet octets.
    std::vector<std::uint8_t> Octets() const;
};

}  // namespace veltro::vcard
