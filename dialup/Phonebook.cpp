#include "dialup/Phonebook.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

#include "dialup/DialupError.h"
#include "dialup/DialupPaths.h"
#include "modem/AtomicFile.h"
#include "modem/IniDocument.h"
#include "modem/StoredFile.h"

namespace veltro {

namespace {

// The file as read: absent, unreadable, damaged, or a document. Only an absent file is
// an empty phonebook; one that cannot be read is never replaced.
struct Loaded {
    bool exists = false;
    bool unreadable = false;
    std::optional<IniDocument> document;
};

Loaded Load(const std::string& path) {
    const StoredFile file = StoredFile::Read(path);
    if (file.state == StoredFile::State::kMissing) {
        return {false, false, IniDocument{}};
    }
    if (file.state == StoredFile::State::kFailed) {
        return {true, true, std::nullopt};
    }
    return {true, false, IniDocument::Parse(file.bytes)};
}

std::string FormatAddress(const DialupEntry::Address& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::optional<DialupEntry::Address> ParseAddress(std::string_view text) {
    DialupEntry::Address address{};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        unsigned value = 0;
        auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || next == p || value > 255) {
            return std::nullopt;
        }
        address[i] = static_cast<std::uint8_t>(value);
        p = next;
        if (i < 3) {
            if (p == end || *p != '.') {
                return std::nullopt;
            }
            ++p;
        }
    }
    if (p != end) {
        return std::nullopt;
    }
    return address;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t value = 0;
    auto [next, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || text.empty() || next != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08x", value);
    return text;
}

IniDocument::Pairs ToPairs(const DialupEntry& entry) {
    return {{"DeviceType", entry.deviceType},
            {"DeviceName", entry.deviceName},
            {"PhoneNumber", entry.localPhoneNumber},
            {"Options", Hex(entry.options)},
            {"NetProtocols", std::to_string(entry.netProtocols)},
            {"FramingProtocol", std::to_string(entry.framingProtocol)},
            {"IpAddress", FormatAddress(entry.ipaddr)},
            {"DnsAddress", FormatAddress(entry.ipaddrDns)},
            {"DnsAddressAlt", FormatAddress(entry.ipaddrDnsAlt)},
            {"WinsAddress", FormatAddress(entry.ipaddrWins)},
            {"WinsAddressAlt", FormatAddress(entry.ipaddrWinsAlt)}};
}

std::optional<DialupEntry> FromPairs(const IniDocument::Pairs& values) {
    DialupEntry entry;
    auto text = [&](const char* key, std::string& out) {
        auto value = IniDocument::Value(values, key);
        if (value) {
            out = *value;
        }
        return value.has_value();
    };
    auto number = [&](const char* key, std::uint32_t& out) {
        auto value = IniDocument::Value(values, key);
        auto parsed = value ? ParseNumber(*value) : std::nullopt;
        if (parsed) {
            out = *parsed;
        }
        return parsed.has_value();
    };
    auto address = [&](const char* key, DialupEntry::Address& out) {
        auto value = IniDocument::Value(values, key);
        auto parsed = value ? ParseAddress(*value) : std::nullopt;
        if (parsed) {
            out = *parsed;
        }
        return parsed.has_value();
    };
    const bool ok =
        text("DeviceType", entry.deviceType) && text("DeviceName", entry.deviceName) &&
        text("PhoneNumber", entry.localPhoneNumber) && number("Options", entry.options) &&
        number("NetProtocols", entry.netProtocols) &&
        number("FramingProtocol", entry.framingProtocol) && address("IpAddress", entry.ipaddr) &&
        address("DnsAddress", entry.ipaddrDns) && address("DnsAddressAlt", entry.ipaddrDnsAlt) &&
        address("WinsAddress", entry.ipaddrWins) && address("WinsAddressAlt", entry.ipaddrWinsAlt);
    if (!ok) {
        return std::nullopt;
    }
    return entry;
}

bool ValidName(const std::string& name) {
    return name.size() <= Phonebook::kMaxEntryName && IniDocument::IsSafeName(name);
}

bool ValidText(const std::string& text, std::size_t limit) {
    return text.size() <= limit && IniDocument::IsSafeValue(text);
}

// Runs change on the current document under an exclusive lock and writes the result.
int Update(const std::string& path, const std::function<int(IniDocument&)>& change) {
    if (!DialupPaths::MakeParent(path)) {
        return DialupError::kCannotWritePhonebook;
    }
    const std::string lockPath = path + ".lock";
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        if (lock >= 0) {
            ::close(lock);
        }
        return DialupError::kCannotWritePhonebook;
    }
    Loaded loaded = Load(path);
    if (loaded.unreadable) {
        ::close(lock);
        return DialupError::kCannotWritePhonebook;
    }
    IniDocument document = loaded.document.value_or(IniDocument{});
    int result = change(document);
    if (result == 0) {
        // A damaged phonebook is kept under a name that says so, never written over.
        if (loaded.exists && !loaded.document &&
            StoredFile::MoveAside(path, std::time(nullptr)).empty()) {
            result = DialupError::kCannotWritePhonebook;
        } else if (!AtomicFile::Write(path, document.Text())) {
            result = DialupError::kCannotWritePhonebook;
        }
    }
    ::close(lock);
    return result;
}

}  // namespace

Phonebook::Phonebook(std::string path) : path_(std::move(path)) {}

int Phonebook::Validate(const std::string& entryName) const {
    if (!ValidName(entryName)) {
        return DialupError::kInvalidName;
    }
    DialupEntry entry;
    return Read(entryName, entry) == 0 ? DialupError::kAlreadyExists : 0;
}

int Phonebook::Read(const std::string& entryName, DialupEntry& entry) const {
    const Loaded loaded = Load(path_);
    const IniDocument::Section* section =
        loaded.document ? loaded.document->Find(entryName) : nullptr;
    std::optional<DialupEntry> parsed = section ? FromPairs(section->values) : std::nullopt;
    if (!parsed) {
        return DialupError::kCannotFindPhonebookEntry;
    }
    entry = std::move(*parsed);
    return 0;
}

int Phonebook::Write(const std::string& entryName, const DialupEntry& entry) {
    if (!ValidName(entryName)) {
        return DialupError::kInvalidName;
    }
    if (!ValidText(entry.localPhoneNumber, DialupEntry::kMaxPhoneNumber) ||
        !ValidText(entry.deviceType, DialupEntry::kMaxDeviceType) ||
        !ValidText(entry.deviceName, DialupEntry::kMaxDeviceName)) {
        return DialupError::kInvalidParameter;
    }
    return Update(path_, [&](IniDocument& document) {
        document.Set(entryName, ToPairs(entry));
        return 0;
    });
}

int Phonebook::Modify(const std::string& entryName,
                      const std::function<void(DialupEntry&)>& change) {
    if (!ValidName(entryName)) {
        return DialupError::kInvalidName;
    }
    return Update(path_, [&](IniDocument& document) {
        const IniDocument::Section* section = document.Find(entryName);
        std::optional<DialupEntry> entry = section ? FromPairs(section->values) : std::nullopt;
        if (!entry) {
            return DialupError::kCannotFindPhonebookEntry;
        }
        change(*entry);
        if (!ValidText(entry->localPhoneNumber, DialupEntry::kMaxPhoneNumber) ||
            !ValidText(entry->deviceType, DialupEntry::kMaxDeviceType) ||
            !ValidText(entry->deviceName, DialupEntry::kMaxDeviceName)) {
            return DialupError::kInvalidParameter;
        }
        document.Set(entryName, ToPairs(*entry));
        return 0;
    });
}

int Phonebook::Delete(const std::string& entryName) {
    return Update(path_, [&](IniDocument& document) {
        return document.Remove(entryName) ? 0 : DialupError::kCannotFindPhonebookEntry;
    });
}

}  // namespace veltro
