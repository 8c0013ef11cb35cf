#include "dialup/PppdDialService.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dialup/DialupError.h"
#include "dialup/DialupPaths.h"
#include "dialup/PppdCommandLine.h"
#include "modem/AtomicFile.h"

extern char** environ;

namespace veltro {

namespace {

// A temporary file in dir named after pattern ("dial-XXXXXX.log"); fd and path, or -1.
int MakeTemp(const std::string& dir, const std::string& prefix, const std::string& suffix,
             std::string& path) {
    std::string pattern = dir + "/" + prefix + "XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd >= 0) {
        path = name.data();
    }
    return fd;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Entry names compare without regard to ASCII case, as in the phonebook.
bool SameEntry(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

bool SafeInterfaceName(const std::string& name) {
    if (name.empty() || name.size() > 15 || name == "." || name == "..") {
        return false;
    }
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

std::optional<std::uint64_t> ReadCounter(const std::string& path) {
    std::ifstream in(path);
    std::uint64_t value = 0;
    if (!(in >> value)) {
        return std::nullopt;
    }
    return value;
}

// An exclusive lock on a folder, held while the object lives.
class FolderLock {
public:
    explicit FolderLock(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW)) {
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

// The log of a dial that failed stays for the user to read (the record's goes with it).
// It holds the number, the addresses and the user name: private, in a private folder,
// also when an earlier version left them open.
void KeepFailedDialLog(const std::string& logPath) {
    std::ifstream in(logPath, std::ios::binary);
    if (!in) {
        return;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::string target = DialupPaths::FailedDialLog();
    if (DialupPaths::MakePrivateParent(target) &&
        AtomicFile::Write(target, text.str(), AtomicFile::kPrivate)) {
        ::chmod(target.c_str(), AtomicFile::kPrivate);
    }
}

std::string SelfDir() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

}  // namespace

PppdDialService::PppdDialService(Options options, Clock& clock)
    : options_(std::move(options)), clock_(clock) {}

std::string PppdDialService::DialerFor(const DialupDevice& device) {
    if (const char* chosen = std::getenv("VELTROGPRS_DIALER"); chosen != nullptr && *chosen) {
        return chosen;
    }
    if (device.port.rfind("pts/", 0) == 0) {
        // Beside the program in the build tree; in libexec/veltrogprs when installed.
        const std::string beside = SelfDir() + "/veltrogprs-dialer";
        return ::access(beside.c_str(), X_OK) == 0
                   ? beside
                   : SelfDir() + "/" VELTRO_DIALER_FROM_BIN "/veltrogprs-dialer";
    }
    return ::access("/usr/sbin/pppd", X_OK) == 0 ? "/usr/sbin/pppd" : "pppd";
}

bool PppdDialService::IsStandIn(const std::string& program) {
    return std::filesystem::path(program).filename() == "veltrogprs-dialer";
}

bool PppdDialService::IsCard(const std::string& port, const std::string& cardDevice) {
    struct stat device {};
    struct stat card {};
    return ::stat(("/dev/" + port).c_str(), &device) == 0 &&
           ::stat(cardDevice.c_str(), &card) == 0 && S_ISCHR(device.st_mode) &&
           device.st_rdev == card.st_rdev && device.st_ino == card.st_ino &&
           device.st_dev == card.st_dev;
}

std::string PppdDialService::RuntimeDir() const {
    return options_.runtimeDir.empty() ? DialupPaths::RuntimeDir() : options_.runtimeDir;
}

ConnectionRegistry PppdDialService::Registry() const {
    return ConnectionRegistry(RuntimeDir());
}

PppdSession PppdDialService::ReadSession(const ConnectionRecord& record) const {
    PppdSession session;
    std::ifstream in(record.logPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    std::size_t start = 0;
    // Only whole lines: the dialer may be half-way through writing the last one.
    for (std::size_t end = log.find('\n'); end != std::string::npos;
         start = end + 1, end = log.find('\n', start)) {
        session.Feed(std::string_view(log).substr(start, end - start));
    }
    return session;
}

int PppdDialService::Dial(const DialRequest& request, ConnectionHandle& handle) {
    const std::string dir = RuntimeDir();
    if (dir.empty()) {
        return DialupError::kPortNotAvailable;
    }
    // Two dials at the same moment (two processes of the user) must not both find no
    // connection and both start a dialer: the check and the start happen under one
    // lock of the runtime folder.
    const FolderLock lock(dir);
    if (!lock.Held()) {
        return DialupError::kPortNotAvailable;
    }
    // The entry is being dialled or is up already: a second dialer would only fight
    // the first for the port, so the dial joins the connection there is.
    if (const auto active = EnumConnections()) {
        for (const ActiveConnection& connection : *active) {
            if (SameEntry(connection.entryName, request.entryName)) {
                handle = connection.handle;
                return 0;
            }
        }
    }
    const std::string program =
        options_.program.empty() ? DialerFor(request.device) : options_.program;
    // pppd dials the card's fixed name whatever the entry's device: a dial meant for
    // another port would reach a different modem.
    const std::string card = IsStandIn(program) ? std::string() : options_.cardDevice;
    if (!card.empty() && !IsCard(request.device.port, card)) {
        return DialupError::kPortNotAvailable;
    }
    ConnectionRecord record;
    const int log = MakeTemp(dir, "dial-", ".log", record.logPath);
    if (log < 0) {
        return DialupError::kPortNotAvailable;
    }
    if (!request.password.empty()) {
        const int options = MakeTemp(dir, "dial-", ".options", record.optionsPath);
        const bool written =
            options >= 0 && WriteAll(options, PppdCommandLine::PasswordOptions(request.password));
        if (options >= 0) {
            ::close(options);
        }
        if (!written) {
            ::close(log);
            Registry().Remove(record);
            return DialupError::kPortNotAvailable;
        }
    }
    const std::vector<std::string> args =
        PppdCommandLine::Build(request, program, card, record.optionsPath);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "VELTROGPRS_RUNTIME_DIR=", 23) != 0) {
            environment.emplace_back(*e);
        }
    }
    environment.push_back("VELTROGPRS_RUNTIME_DIR=" + dir);
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, log, 1);
    posix_spawn_file_actions_adddup2(&actions, log, 2);
    // The dialer outlives this process: it must not keep any of its descriptors open.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t reset;
    sigemptyset(&none);
    sigemptyset(&reset);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD}) {
        sigaddset(&reset, signal);
    }
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &reset);
    // A session of its own: the dialer outlives the dialling process and its terminal.
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(log);
    if (spawned != 0) {
        Registry().Remove(record);
        return DialupError::kPortNotAvailable;
    }
    record.handle = pid;
    record.processStart = ConnectionRegistry::ProcessStart(pid, true).value_or(0);
    record.ownerPid = ::getpid();
    record.ownerStart = ConnectionRegistry::ProcessStart(::getpid()).value_or(0);
    record.entryName = request.entryName;
    record.deviceType = request.entry.deviceType;
    record.deviceName = request.entry.deviceName;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        dialled_[pid] = Dialled{request.notifier, -1, std::nullopt, std::nullopt};
    }
    if (!Registry().Add(record)) {
        ::kill(pid, SIGTERM);
        Registry().Remove(record);
        return DialupError::kPortNotAvailable;
    }
    handle = pid;
    return 0;
}

bool PppdDialService::Reap(ConnectionHandle handle, Dialled& dialled) {
    if (dialled.exitStatus) {
        return true;
    }
    int status = 0;
    if (::waitpid(static_cast<pid_t>(handle), &status, WNOHANG) != handle) {
        return false;
    }
    dialled.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

void PppdDialService::ReapEnded() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [handle, dialled] : dialled_) {
        Reap(handle, dialled);
    }
}

bool PppdDialService::HasEnded(const ConnectionRecord& record) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = dialled_.find(record.handle);
        if (found != dialled_.end()) {
            return Reap(record.handle, found->second);
        }
    }
    return !ConnectionRegistry::IsRunning(record.handle, record.processStart);
}

bool PppdDialService::WaitForEnd(const ConnectionRecord& record, std::uint32_t limitMs) {
    const std::uint64_t start = clock_.NowMs();
    while (!HasEnded(record)) {
        if (clock_.NowMs() - start >= limitMs) {
            return false;
        }
        clock_.SleepMs(20);
    }
    return true;
}

ConnectionStatus PppdDialService::Finish(const ConnectionRecord& record) {
    PppdSession session = ReadSession(record);
    ConnectionStatus status;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = dialled_.find(record.handle);
        const bool ours = found != dialled_.end();
        session.Exited(ours && found->second.exitStatus ? *found->second.exitStatus : -1);
        status = ConnectionStatus{session.State(), session.Error(), session.Reason(),
                                  record.deviceType, record.deviceName};
        if (ours) {
            found->second.finished = status;
        }
    }
    if (!session.ReachedConnected()) {
        KeepFailedDialLog(record.logPath);
    }
    Registry().Remove(record);
    return status;
}

int PppdDialService::GetConnectStatus(ConnectionHandle handle, ConnectionStatus& status) {
    ReapEnded();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = dialled_.find(handle);
        if (found != dialled_.end() && found->second.finished) {
            status = *found->second.finished;
            return 0;
        }
    }
    const auto record = Registry().Find(handle);
    if (!record) {
        return DialupError::kInvalidHandle;
    }
    // The dialling process clears the record once it has seen the end; others leave it.
    const bool ended = HasEnded(*record);
    if (ended && record->ownerPid == ::getpid()) {
        status = Finish(*record);
    } else {
        PppdSession session = ReadSession(*record);
        if (ended) {
            session.Exited(-1);
        }
        status = ConnectionStatus{session.State(), session.Error(), session.Reason(),
                                  record->deviceType, record->deviceName};
    }
    DialNotifier notifier;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = dialled_.find(handle);
        if (found != dialled_.end() && found->second.reportedState != status.state) {
            found->second.reportedState = status.state;
            notifier = found->second.notifier;
        }
    }
    if (notifier) {
        notifier(handle, kDialEventMessage, status.state, status.error, 0);
    }
    return 0;
}

std::optional<std::vector<ActiveConnection>> PppdDialService::EnumConnections() {
    const std::string dir = RuntimeDir();
    if (dir.empty()) {
        return std::nullopt;
    }
    ReapEnded();
    ConnectionRegistry registry(dir);
    std::vector<ActiveConnection> active;
    for (const ConnectionRecord& record : registry.List()) {
        if (!HasEnded(record)) {
            // A dialer still winding down after "Connection terminated." is no longer
            // a connection.
            if (ReadSession(record).State() == kStateDisconnected) {
                continue;
            }
            active.push_back(
                {record.handle, record.entryName, record.deviceType, record.deviceName});
            continue;
        }
        // An ended connection is the dialling process's to clear while it lives.
        const bool ownerGone = !ConnectionRegistry::IsRunning(record.ownerPid, record.ownerStart);
        if (ownerGone) {
            registry.Remove(record);
        }
    }
    return active;
}

int PppdDialService::HangUp(ConnectionHandle handle) {
    ReapEnded();
    const auto record = Registry().Find(handle);
    if (!record) {
        return DialupError::kInvalidHandle;
    }
    if (HasEnded(*record)) {
        if (record->ownerPid == ::getpid()) {
            Finish(*record);
        }
        return DialupError::kInvalidHandle;
    }
    ::kill(static_cast<pid_t>(handle), SIGTERM);
    if (!WaitForEnd(*record, options_.hangUpLimitMs)) {
        // The dialer is its session's leader: take its helpers (chat) down with it.
        ::kill(-static_cast<pid_t>(handle), SIGKILL);
        ::kill(static_cast<pid_t>(handle), SIGKILL);
        WaitForEnd(*record, 2000);
    }
    Finish(*record);
    return 0;
}

int PppdDialService::GetStatistics(ConnectionHandle handle, LinkStatistics& statistics) {
    const auto record = Registry().Find(handle);
    if (!record || HasEnded(*record)) {
        return DialupError::kInvalidHandle;
    }
    const std::string interface = ReadSession(*record).Interface();
    if (!SafeInterfaceName(interface)) {
        return DialupError::kNoConnection;
    }
    std::vector<std::string> dirs = options_.netClassDirs;
    if (dirs.empty()) {
        dirs = {RuntimeDir() + "/net", "/sys/class/net"};
    }
    for (const std::string& dir : dirs) {
        const std::string base = dir + "/" + interface + "/statistics/";
        const auto sent = ReadCounter(base + "tx_bytes");
        const auto received = ReadCounter(base + "rx_bytes");
        if (sent && received) {
            // The kernel counts in 64 bits; the totals wrap modulo 2^32.
            statistics.bytesSent = static_cast<std::uint32_t>(*sent);
            statistics.bytesReceived = static_cast<std::uint32_t>(*received);
            return 0;
        }
    }
    return DialupError::kNoConnection;
}

}  // namespace veltro
