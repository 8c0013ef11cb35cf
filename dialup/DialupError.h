#pragma once

namespace veltro {

// Results of dial-up operations: the dial-up service's own numbers, passed on unchanged
// so that callers test the same values everywhere.
struct DialupError {
    static constexpr int kSuccess = 0;
    static constexpr int kInvalidHandle = 6;
    static constexpr int kInvalidParameter = 87;
    static constexpr int kInvalidName = 123;
    static constexpr int kAlreadyExists = 183;
    static constexpr int kDeviceDoesNotExist = 608;
    static constexpr int kCannotFindPhonebookEntry = 623;
    static constexpr int kCannotWritePhonebook = 624;
    static constexpr int kRemoteDisconnection = 629;
    static constexpr int kUserDisconnection = 631;
    static constexpr int kPortNotAvailable = 633;
    static constexpr int kNoConnection = 668;
    static constexpr int kNoAnswer = 678;
    static constexpr int kNoCarrier = 679;
    static constexpr int kAuthenticationFailure = 691;
    static constexpr int kPppTimeout = 718;
    static constexpr int kEntryNotFound = 755;
};

}  // namespace veltro
