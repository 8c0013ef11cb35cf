#pragma once

#include <cstdint>

#include "dialup/ConnectionStatus.h"

namespace veltro {

// Byte counts of the dial-up connection for the traffic display. The totals are the
// connection's own, counted from the moment it came up; they wrap modulo 2^32.
//
// StartStatistics picks the connection to count (CurrentConnection) right after a dial
// has connected; ReleaseStatistics forgets it at the disconnect.
void StartStatistics();
// Fills bytesSent and bytesReceived. The two rates are left as the caller set them, and
// when the totals cannot be read all four keep their values (the previous totals).
void GetStatistics(std::uint32_t& sendRate, std::uint32_t& receiveRate, std::uint32_t& bytesSent,
                   std::uint32_t& bytesReceived);
void ReleaseStatistics();

}  // namespace veltro
