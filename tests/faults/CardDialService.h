#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FaultyCardLine.h"
#include "ManualClock.h"
#include "dialup/DialService.h"

namespace veltro::test {

// The dial service as pppd with its connect script runs it, on the card in this process
// and in virtual time: a dial opens the card's line and sends the dial line; CONNECT
// connects; BUSY, NO CARRIER, ERROR, NO DIALTONE or NO ANSWER, 30 s without any of
// these, or a line that fails end the dial as a failed connect script ends pppd. Once
// connected, NO CARRIER or a failing line end the link as a hang-up does. A hang-up
// closes the line, which takes DTR and the card's data call with it.
class CardDialService final : public DialService {
public:
    static constexpr std::uint64_t kScriptTimeoutMs = 30000;

    CardDialService(ManualClock& clock, std::shared_ptr<FaultyCardLine::Shared> shared);

    int Dial(const DialRequest& request, ConnectionHandle& handle) override;
    int GetConnectStatus(ConnectionHandle handle, ConnectionStatus& status) override;
    std::optional<std::vector<ActiveConnection>> EnumConnections() override;
    int HangUp(ConnectionHandle handle) override;
    int GetStatistics(ConnectionHandle handle, LinkStatistics& statistics) override;

private:
    // Reads what the card said since the last look and moves the state on.
    void Follow();
    void End(std::uint32_t error, const std::string& reason);

    ManualClock& clock_;
    std::shared_ptr<FaultyCardLine::Shared> shared_;
    std::unique_ptr<FaultyCardLine> line_;
    ConnectionHandle handle_ = 0;
    ConnectionHandle nextHandle_ = 4000;
    std::string entryName_;
    ConnectionStatus status_;
    std::string heard_;
    std::uint64_t dialledMs_ = 0;
};

}  // namespace veltro::test
