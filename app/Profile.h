#pragma once

#include <QString>

#include <cstdint>

namespace veltro {

// The application's profile: an INI file named after the executable, with the
// extension ".INI", in $XDG_CONFIG_HOME. The program reads the look of its menus and
// the choice of the port scan from it.
class Profile {
public:
    struct MenuLook {
        int selection = 1;
        int shade = 1;
    };

    // $XDG_CONFIG_HOME/<applicationName>.INI
    static QString PathFor(const QString& applicationName);
    // Section "MenuLook", keys "Selection" and "Shade"; 1 for a key or file that is
    // missing or not an integer.
    static MenuLook ReadMenuLook(const QString& path);
    // Section "Modem", key "PortScan": 1 makes discovery probe the fixed port list
    // instead of the modem device table. Off for any other value or a missing key.
    static bool ReadPortScan(const QString& path);
    // Section "Ussd", key "BalanceCode": the USSD code of "查询余额"; "*100#" when the
    // key is missing or not a string of digits, '*' and '#'.
    static QString ReadBalanceCode(const QString& path);
    // Section "Traffic", key "MonthlyCapMB": the month's cap in bytes; 0 (no cap) for a
    // missing key or one that is not a positive integer.
    static std::uint64_t ReadMonthlyCap(const QString& path);
};

}  // namespace veltro
