#include "dialup/ConnectionStatistics.h"

#include "dialup/DialupConnection.h"
#include "dialup/DialupPlatform.h"

namespace veltro {

namespace {

ConnectionHandle countedConnection = 0;

}  // namespace

void StartStatistics() {
    countedConnection = CurrentConnection;
}

void GetStatistics(std::uint32_t& /*sendRate*/, std::uint32_t& /*receiveRate*/,
                   std::uint32_t& bytesSent, std::uint32_t& bytesReceived) {
    if (countedConnection == 0) {
        return;
    }
    LinkStatistics statistics;
    if (DialupPlatform::Current().Dialer().GetStatistics(countedConnection, statistics) != 0) {
        return;
    }
    bytesSent = statistics.bytesSent;
    bytesReceived = statistics.bytesReceived;
}

void ReleaseStatistics() {
    countedConnection = 0;
}

}  // namespace veltro
