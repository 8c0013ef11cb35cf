#include "modem/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace veltro {

namespace {

constexpr int kNameAttempts = 100;

int SystemOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

std::atomic<const AtomicFile::Calls*> calls{&AtomicFile::kSystemCalls};

struct Held {
    const void* holder;
    std::string path;
    std::string bytes;
};
std::mutex heldMutex;
std::vector<Held> held;

// The path as held: absolute, so that a relative name finds its hold too.
std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char folder[PATH_MAX];
    return ::getcwd(folder, sizeof(folder)) != nullptr ? std::string(folder) + "/" + path : path;
}

const AtomicFile::Calls& Sys() {
    return *calls.load();
}

// Creates a temporary file beside path, exclusively. The kernel applies the umask to
// mode, which is how a new file honours it without reading it.
int CreateTemporary(const std::string& path, mode_t mode, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof(suffix), ".%d.%llx.%u", static_cast<int>(::getpid()),
                      static_cast<unsigned long long>(stamp), counter.fetch_add(1));
        name = path + suffix;
        const int fd = Sys().open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The writer's process id when name is base + ".<pid>.<hex>.<counter>", the name
// CreateTemporary gives, else 0.
pid_t WriterOf(const std::string& name, const std::string& base) {
    if (name.size() <= base.size() + 1 || name.compare(0, base.size(), base) != 0 ||
        name[base.size()] != '.') {
        return 0;
    }
    const char* at = name.c_str() + base.size() + 1;
    char* end = nullptr;
    const long pid = std::strtol(at, &end, 10);
    if (end == at || *end != '.' || pid <= 0) {
        return 0;
    }
    at = end + 1;
    std::strtoull(at, &end, 16);
    if (end == at || *end != '.') {
        return 0;
    }
    at = end + 1;
    std::strtoul(at, &end, 10);
    return end != at && *end == '\0' ? static_cast<pid_t>(pid) : 0;
}

// The folder that holds path, "." for a bare name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// Makes the rename itself durable: until the folder is synced, a power loss may bring
// back the old name's contents even though the new file's data reached the disk.
void SyncFolder(const std::string& path) {
    const int fd = Sys().open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd >= 0) {
        Sys().fsync(fd);
        Sys().close(fd);
    }
}

// Removes the temporary files of path that writers killed in the middle of a write
// left behind: those of processes that no longer exist. A live writer's file stays.
void RemoveLeftovers(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = FolderOf(path);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = WriterOf(entry->d_name, base);
        if (writer != 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace

const AtomicFile::Calls AtomicFile::kSystemCalls{SystemOpen, ::write, ::fsync, ::close,
                                                 std::rename};

void AtomicFile::UseCalls(const Calls* replacement) {
    calls.store(replacement != nullptr ? replacement : &kSystemCalls);
}

void AtomicFile::Hold(const void* holder, const std::string& path, std::string bytes) {
    const std::lock_guard lock(heldMutex);
    held.push_back({holder, Absolute(path), std::move(bytes)});
}

void AtomicFile::Release(const void* holder) {
    const std::lock_guard lock(heldMutex);
    std::erase_if(held, [holder](const Held& h) { return h.holder == holder; });
}

bool AtomicFile::Write(const std::string& path, std::string_view bytes, mode_t newFileMode) {
    {
        const std::lock_guard lock(heldMutex);
        const std::string absolute = Absolute(path);
        for (const Held& h : held) {
            if (h.path == absolute) {
                return h.bytes == bytes;
            }
        }
    }
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    std::string name;
    const int fd = CreateTemporary(path, newFileMode & 0777, name);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = Sys().write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            ok = errno == EINTR;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    if (ok && replacing) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && Sys().fsync(fd) == 0;
    ok = (Sys().close(fd) == 0) && ok;
    if (ok && Sys().rename(name.c_str(), path.c_str()) == 0) {
        SyncFolder(path);
        RemoveLeftovers(path);
        return true;
    }
    ::unlink(name.c_str());
    return false;
}

}  // namespace veltro
