#include "dialup/DialupConnection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "dialup/DeviceDefaults.h"
#include "dialup/DialupError.h"
#include "dialup/DialupPlatform.h"
#include "dialup/Phonebook.h"

namespace veltro {

ConnectionHandle CurrentConnection = 0;

namespace {

// Marks a text that the window shows in the user's language: the translation tool reads
// the mark, the program keeps the text as it is.
#define VELTRO_TRANSLATABLE(context, text) text

struct StateRow {
    int state;
    const char* text;
    int result;
    int connected;
};

constexpr StateRow kStateRows[] = {
    {kStateOpenPort, VELTRO_TRANSLATABLE("DialupConnection", "正在打开通讯端口..."), 0, 0},
    {kStatePortOpened, VELTRO_TRANSLATABLE("DialupConnection", "通讯端口打开成功."), 0, 0},
    {kStateConnectDevice, VELTRO_TRANSLATABLE("DialupConnection", "正在进行设备连接..."), 0, 0},
    {kStateDeviceConnected, VELTRO_TRANSLATABLE("DialupConnection", "设备连接成功."), 0, 0},
    {kStateAllDevicesConnected,
     VELTRO_TRANSLATABLE("DialupConnection", "设备链中的所有设备均连接成功."), 0, 0},
    {kStateAuthenticate, VELTRO_TRANSLATABLE("DialupConnection", "正在校验用户名和密码..."), 0, 0},
    {kStateAuthNotify, VELTRO_TRANSLATABLE("DialupConnection", "进行鉴权."), 0, 0},
    {kStateAuthRetry, "Requested another validation attempt with a new user.", 0, 0},
    {kStateAuthCallback, VELTRO_TRANSLATABLE("DialupConnection", "服务器需要回呼号码."), 0, 0},
    {kStateAuthChangePassword, VELTRO_TRANSLATABLE("DialupConnection", "客户要求改变密码."), 0, 0},
    {kStateAuthProject, VELTRO_TRANSLATABLE("DialupConnection", "正在网络上注册您的计算机..."), 0,
     0},
    {kStateAuthLinkSpeed, VELTRO_TRANSLATABLE("DialupConnection", "开始计算连接速度."), 0, 0},
    {kStateAuthAck, VELTRO_TRANSLATABLE("DialupConnection", "鉴权请求在确认中."), 0, 0},
    {kStateReAuthenticate, VELTRO_TRANSLATABLE("DialupConnection", "开始重新鉴权."), 0, 0},
    {kStateAuthenticated, VELTRO_TRANSLATABLE("DialupConnection", "客户已成功完成鉴权."), 0, 0},
    {kStatePrepareForCallback, "The line is about to disconnect for callback.", 0, 0},
    {kStateWaitForModemReset, "Delaying to give the modem time to reset for callback.", 0, 0},
    {kStateWaitForCallback, "Waiting for an incoming call from server.", 0, 0},
    {kStateProjected, "Projection result information is available.", 0, 0},
    {kStateStartAuthentication, "User authentication is being initiated or retried.", 0, 0},
    {kStateCallbackComplete, "Client has been called back and is about to resume authentication.",
     0, 0},
    {kStateLogonNetwork, VELTRO_TRANSLATABLE("DialupConnection", "正在登录网络..."), 0, 0},
    {kStateSubEntryConnected, "Subentry has been connected", 0, 0},
    {kStateSubEntryDisconnected, "Subentry has been disconnected", 0, 0},
    {kStateInteractive, "Terminal state supported by RASPHONE.EXE.", 0, 0},
    {kStateRetryAuthentication, "Retry authentication state supported by RASPHONE.EXE.", 0, 0},
    {kStateCallbackSetByCaller, "Callback state supported by RASPHONE.EXE.", 0, 0},
    {kStatePasswordExpired, "Change password state supported by RASPHONE.EXE.", 0, 0},
    {kStateConnected, VELTRO_TRANSLATABLE("DialupConnection", "联接远端服务器成功.\n"), 1, 1},
    {kStateDisconnected, VELTRO_TRANSLATABLE("DialupConnection", "已断开."), 1, 0},
};

// Copies at most 99 bytes, never splitting a UTF-8 character.
void CopyField(char (&field)[DialupConnection::kFieldSize], std::string_view text) {
    std::size_t length = std::min(text.size(), DialupConnection::kFieldSize - 1);
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::vector<std::string> ModemNames(const std::vector<DialupDevice>& devices) {
    std::vector<std::string> names;
    for (const DialupDevice& device : devices) {
        if (EqualsIgnoringCase(device.deviceType, "MODEM")) {
            names.push_back(device.deviceName);
        }
    }
    return names;
}

Phonebook PhonebookAt(const std::string& path) {
    return Phonebook(path.empty() ? DialupPlatform::Current().DefaultPhonebookPath() : path);
}

// The modem device an entry names: the device of that name, else the first whose name
// contains it (entries hold the searched name, which may be part of the device's).
std::optional<DialupDevice> EntryDevice(const DialupEntry& entry) {
    const auto devices = DialupPlatform::Current().Devices();
    if (!devices || entry.deviceName.empty()) {
        return std::nullopt;
    }
    std::optional<DialupDevice> partial;
    for (const DialupDevice& device : *devices) {
        if (!EqualsIgnoringCase(device.deviceType, "MODEM")) {
            continue;
        }
        if (device.deviceName == entry.deviceName) {
            return device;
        }
        if (!partial && device.deviceName.find(entry.deviceName) != std::string::npos) {
            partial = device;
        }
    }
    return partial;
}

}  // namespace

DialupConnection::DialupConnection() {
    CurrentConnection = 0;
}

int DialupConnection::CountModems() {
    const auto devices = DialupPlatform::Current().Devices();
    if (!devices || devices->empty()) {
        return -1;
    }
    return static_cast<int>(ModemNames(*devices).size());
}

bool DialupConnection::ListModems(std::vector<std::string>& names, int slots) {
    const auto devices = DialupPlatform::Current().Devices();
    if (!devices || devices->empty()) {
        return false;
    }
    std::vector<std::string> modems = ModemNames(*devices);
    // A device added since the caller counted must not overrun its slots.
    if (static_cast<int>(modems.size()) > slots) {
        modems.resize(static_cast<std::size_t>(std::max(slots, 0)));
    }
    names = std::move(modems);
    return true;
}

bool DialupConnection::FindDevice(const std::string& name) {
    const int count = CountModems();
    if (count <= 0) {
        return false;
    }
    std::vector<std::string> names;
    if (!ListModems(names, count)) {
        return false;
    }
    for (const std::string& device : names) {
        if (device.find(name) != std::string::npos) {
            CopyField(DeviceName, name);
            return true;
        }
    }
    return false;
}

int DialupConnection::CreateEntry(const std::string& entryName, const std::string& deviceName) {
    CopyField(PhoneNumber, kDialString);
    if (!FindDevice(deviceName)) {
        return -1;
    }
    CopyField(EntryName, entryName);
    const int written =
        WriteEntry(entryName, kDeviceTypeModem, DeviceName, DialupEntry::kNetProtocolIp,
                   DialupEntry::kFramingPpp, PhoneNumber, "");
    if (written == DialupError::kAlreadyExists) {
        return DialupError::kAlreadyExists;
    }
    if (SetEntryOptions(entryName, kNewEntryOptions, 1, "") != 0) {
        return -1;
    }
    const auto& p = kPrimaryDns;
    if (SetEntryAddress(entryName, 2, p[0], p[1], p[2], p[3], "") != 0) {
        return -1;
    }
    const auto& s = kSecondaryDns;
    if (SetEntryAddress(entryName, 3, s[0], s[1], s[2], s[3], "") != 0) {
        return -1;
    }
    return SetEntryProtocols(entryName, DialupEntry::kNetProtocolIp, "") != 0 ? -1 : 1;
}

int DialupConnection::WriteEntry(const std::string& entryName, const std::string& deviceType,
                                 const std::string& deviceName, std::uint32_t netProtocols,
                                 std::uint32_t framingProtocol, const std::string& phoneNumber,
                                 const std::string& phonebook) {
    Phonebook book = PhonebookAt(phonebook);
    if (book.Validate(entryName) == DialupError::kAlreadyExists) {
        // Replacing the entry in one write keeps it whole if the write fails.
        book.Modify(entryName, [&](DialupEntry& entry) {
            entry.deviceType = deviceType;
            entry.deviceName = deviceName;
        });
        return DialupError::kAlreadyExists;
    }
    DialupEntry entry;
    entry.localPhoneNumber = phoneNumber;
    entry.netProtocols = netProtocols;
    entry.framingProtocol = framingProtocol;
    entry.deviceType = deviceType;
    entry.deviceName = deviceName;
    return book.Write(entryName, entry);
}

int DialupConnection::GetEntryProperties(const std::string& entryName, DialupEntry& entry,
                                         const std::string& phonebook) {
    const Phonebook book = PhonebookAt(phonebook);
    if (book.Validate(entryName) != DialupError::kAlreadyExists) {
        return DialupError::kEntryNotFound;
    }
    DialupEntry read;
    const int result = book.Read(entryName, read);
    if (result == 0) {
        entry = std::move(read);
    }
    return result;
}

namespace {

// Read, change and write back under the phonebook's lock.
int AdjustEntry(DialupConnection&, const std::string& entryName, const std::string& phonebook,
                const std::function<void(DialupEntry&)>& change) {
    Phonebook book = PhonebookAt(phonebook);
    if (book.Validate(entryName) != DialupError::kAlreadyExists) {
        return DialupError::kEntryNotFound;
    }
    const int result = book.Modify(entryName, change);
    return result == DialupError::kCannotFindPhonebookEntry ? DialupError::kEntryNotFound : result;
}

}  // namespace

int DialupConnection::SetEntryOptions(const std::string& entryName, std::uint32_t mask, int set,
                                      const std::string& phonebook) {
    return AdjustEntry(*this, entryName, phonebook, [&](DialupEntry& entry) {
        entry.options = set != 0 ? (entry.options | mask) : (entry.options & ~mask);
    });
}

int DialupConnection::SetEntryProtocols(const std::string& entryName, std::uint32_t netProtocols,
                                        const std::string& phonebook) {
    return AdjustEntry(*this, entryName, phonebook,
                       [&](DialupEntry& entry) { entry.netProtocols = netProtocols; });
}

int DialupConnection::SetEntryAddress(const std::string& entryName, int slot, std::uint8_t a,
                                      std::uint8_t b, std::uint8_t c, std::uint8_t d,
                                      const std::string& phonebook) {
    return AdjustEntry(*this, entryName, phonebook, [&](DialupEntry& entry) {
        const DialupEntry::Address address{a, b, c, d};
        DialupEntry::Address* target = nullptr;
        std::uint32_t option = DialupEntry::kOptionSpecificNameServers;
        switch (slot) {
            case 1:
                target = &entry.ipaddr;
                option = DialupEntry::kOptionSpecificIpAddr;
                break;
            case 2:
                target = &entry.ipaddrDns;
                break;
            case 3:
                target = &entry.ipaddrDnsAlt;
                break;
            case 4:
                target = &entry.ipaddrWins;
                break;
            case 5:
                target = &entry.ipaddrWinsAlt;
                break;
            default:
                return;
        }
        *target = address;
        entry.options |= option;
    });
}

int DialupConnection::Dial(const DialNotifier& notifier, const std::string& phoneNumber,
                           const std::string& userName, const std::string& password) {
    return DialEntry(EntryName, notifier, phoneNumber, userName, password, "", "");
}

int DialupConnection::DialEntry(const std::string& entryName, const DialNotifier& notifier,
                                const std::string& phoneNumber, const std::string& userName,
                                const std::string& password, const std::string& domain,
                                const std::string& phonebook) {
    CurrentConnection = 0;
    if (entryName.size() > kMaxDialEntryName || phoneNumber.size() > kMaxDialPhoneNumber ||
        userName.size() > kMaxDialUserName || password.size() > kMaxDialPassword ||
        domain.size() > kMaxDialDomain) {
        return DialupError::kInvalidParameter;
    }
    DialRequest request;
    request.entryName = entryName;
    if (PhonebookAt(phonebook).Read(entryName, request.entry) != 0) {
        return DialupError::kCannotFindPhonebookEntry;
    }
    const auto device = EntryDevice(request.entry);
    if (!device) {
        return DialupError::kDeviceDoesNotExist;
    }
    request.device = *device;
    const DeviceDefaults defaults(DialupPlatform::Current().DeviceDefaultsPath());
    request.lineSpeed =
        defaults.BaudRate(request.entry.deviceName)
            .value_or(defaults.BaudRate(device->port).value_or(DeviceDefaults::kFallbackBaudRate));
    request.phoneNumber = phoneNumber.empty() ? request.entry.localPhoneNumber : phoneNumber;
    request.userName = userName;
    request.password = password;
    request.notifier = notifier;
    ConnectionHandle handle = 0;
    const int result = DialupPlatform::Current().Dialer().Dial(request, handle);
    CurrentConnection = handle;
    return result;
}

int DialupConnection::GetDialStatus(std::string& text, int& connected) {
    connected = 0;
    ConnectionStatus status = Status;
    if (DialupPlatform::Current().Dialer().GetConnectStatus(CurrentConnection, status) == 0) {
        Status = status;
    }
    for (const StateRow& row : kStateRows) {
        if (row.state == Status.state) {
            text = row.text;
            connected = row.connected;
            return row.result;
        }
    }
    return 0;
}

int DialupConnection::HangUpEntry(const std::string& entryName) {
    DialService& dialer = DialupPlatform::Current().Dialer();
    if (CurrentConnection != 0) {
        return dialer.HangUp(CurrentConnection) == 0 ? 1 : 0;
    }
    ConnectionHandle handle = 0;
    if (!IsConnected(entryName, handle)) {
        return 0;
    }
    return dialer.HangUp(handle) == 0 ? 1 : 0;
}

int DialupConnection::HangUp() {
    return HangUpEntry(EntryName);
}

bool DialupConnection::IsConnected(const std::string& entryName, ConnectionHandle& handle) {
    const auto connections = DialupPlatform::Current().Dialer().EnumConnections();
    if (!connections) {
        return false;
    }
    bool found = false;
    for (const ActiveConnection& connection : *connections) {
        if (EqualsIgnoringCase(connection.entryName, entryName)) {
            handle = connection.handle;
            found = true;
        }
    }
    return found;
}

int DeleteEntry(const std::string& entryName, const std::string& phonebook) {
    return PhonebookAt(phonebook).Delete(entryName);
}

bool SetDefaultBaudRate(const std::string& deviceName, std::uint32_t baudRate) {
    DialupPlatform& platform = DialupPlatform::Current();
    bool known = false;
    if (const auto devices = platform.Devices()) {
        known = std::any_of(devices->begin(), devices->end(), [&](const DialupDevice& device) {
            return device.deviceName == deviceName || device.port == deviceName;
        });
    }
    struct stat info {};
    if (!known && deviceName.find("..") == std::string::npos &&
        ::stat(("/dev/" + deviceName).c_str(), &info) == 0) {
        known = S_ISCHR(info.st_mode);
    }
    // An unknown device has no configuration to read, so nothing is written.
    if (!known) {
        return false;
    }
    return DeviceDefaults(platform.DeviceDefaultsPath()).SetBaudRate(deviceName, baudRate);
}

}  // namespace veltro
