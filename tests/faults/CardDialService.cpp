#include "CardDialService.h"

#include "dialup/DialupError.h"

namespace veltro::test {

namespace {

constexpr const char* kAborts[] = {"BUSY", "NO CARRIER", "ERROR", "NO DIALTONE", "NO ANSWER"};

}  // namespace

CardDialService::CardDialService(ManualClock& clock, std::shared_ptr<FaultyCardLine::Shared> shared)
    : clock_(clock), shared_(std::move(shared)) {}

int CardDialService::Dial(const DialRequest& request, ConnectionHandle& handle) {
    if (handle_ != 0 && status_.state != kStateDisconnected) {
        return DialupError::kPortNotAvailable;
    }
    handle_ = handle = ++nextHandle_;
    entryName_ = request.entryName;
    status_ = {};
    status_.deviceType = request.device.deviceType;
    status_.deviceName = request.device.deviceName;
    heard_.clear();
    line_ = std::make_unique<FaultyCardLine>(clock_, shared_);
    if (line_->Open() != 0) {
        End(DialupError::kPortNotAvailable, "Failed to open " + request.device.port);
        return 0;
    }
    const std::string dial = "ATD" + request.phoneNumber + "\r";
    std::uint32_t written = 0;
    if (line_->Write(dial.data(), static_cast<std::uint32_t>(dial.size()), &written) == 0) {
        End(DialupError::kNoAnswer, "Connect script failed");
        return 0;
    }
    status_.state = kStateConnectDevice;
    dialledMs_ = clock_.NowMs();
    return 0;
}

void CardDialService::End(std::uint32_t error, const std::string& reason) {
    status_.state = kStateDisconnected;
    status_.error = error;
    status_.reason = reason;
    if (line_) {
        line_->Close();
        line_.reset();
    }
}

void CardDialService::Follow() {
    if (!line_) {
        return;
    }
    char buffer[256];
    std::uint32_t count = 0;
    while (line_->Read(buffer, sizeof(buffer), &count) != 0 && count > 0) {
        heard_.append(buffer, count);
    }
    if (count == 0 && shared_->unplugged) {
        End(status_.state == kStateConnected ? DialupError::kRemoteDisconnection
                                             : DialupError::kNoAnswer,
            status_.state == kStateConnected ? "Modem hangup" : "Connect script failed");
        return;
    }
    if (status_.state == kStateConnected) {
        if (heard_.find("NO CARRIER") != std::string::npos) {
            End(DialupError::kRemoteDisconnection, "Modem hangup");
        }
        return;
    }
    if (heard_.find("CONNECT") != std::string::npos) {
        status_.state = kStateConnected;
        heard_.clear();
        return;
    }
    for (const char* abort : kAborts) {
        if (heard_.find(abort) != std::string::npos) {
            End(DialupError::kNoAnswer, "Connect script failed");
            return;
        }
    }
    if (clock_.NowMs() - dialledMs_ >= kScriptTimeoutMs) {
        End(DialupError::kNoAnswer, "Connect script failed");
    }
}

int CardDialService::GetConnectStatus(ConnectionHandle handle, ConnectionStatus& status) {
    if (handle == 0 || handle != handle_) {
        return DialupError::kInvalidHandle;
    }
    Follow();
    status = status_;
    return 0;
}

std::optional<std::vector<ActiveConnection>> CardDialService::EnumConnections() {
    Follow();
    if (handle_ == 0 || status_.state == kStateDisconnected) {
        return std::vector<ActiveConnection>{};
    }
    return std::vector<ActiveConnection>{
        {handle_, entryName_, status_.deviceType, status_.deviceName}};
}

int CardDialService::HangUp(ConnectionHandle handle) {
    if (handle == 0 || handle != handle_ || status_.state == kStateDisconnected) {
        return DialupError::kInvalidHandle;
    }
    End(DialupError::kUserDisconnection, "");
    return 0;
}

int CardDialService::GetStatistics(ConnectionHandle handle, LinkStatistics& statistics) {
    if (handle == 0 || handle != handle_ || status_.state != kStateConnected) {
        return DialupError::kInvalidHandle;
    }
    statistics = {};
    return 0;
}

}  // namespace veltro::test
