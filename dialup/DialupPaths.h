#pragma once

#include <string>

namespace veltro {

// Where the dial-up layer keeps its files.
class DialupPaths {
public:
    // The default phonebook: VELTROGPRS_PHONEBOOK, else
    // $XDG_CONFIG_HOME/veltrogprs/phonebook.ini (~/.config when unset).
    static std::string DefaultPhonebook();
    // The devices' default line speeds: $XDG_STATE_HOME/veltrogprs/devices.ini
    // (~/.local/state when unset).
    static std::string DeviceDefaults();
    // The dialer's output of the last dial that failed before connecting:
    // $XDG_STATE_HOME/veltrogprs/failed-dial.log (~/.local/state when unset).
    static std::string FailedDialLog();
    // The month-by-month byte totals: $XDG_STATE_HOME/veltrogprs/data-usage.
    static std::string DataUsage();
    // The window's profile, which holds the monthly cap among its settings:
    // $XDG_CONFIG_HOME/veltrogprs.INI (~/.config when unset).
    static std::string Profile();
    // Records of active connections, shared by every process of the user:
    // VELTROGPRS_RUNTIME_DIR, else $XDG_RUNTIME_DIR/veltrogprs, else /tmp/veltrogprs-<uid>. Created
    // (mode 0700) when missing; empty when it cannot be made, is not the user's own or is
    // open to others (DialStartCheck::RuntimeDir says which).
    static std::string RuntimeDir();
    // The folder RuntimeDir uses, whether it is usable or not.
    static std::string RuntimeDirPath();
    // Creates the folders of path's parent; true when it exists afterwards.
    static bool MakeParent(const std::string& path);
    // MakeParent, and the parent itself (the program's own folder) closed to others:
    // created 0700, or changed to 0700 when it is the user's own.
    static bool MakePrivateParent(const std::string& path);
};

}  // namespace veltro
