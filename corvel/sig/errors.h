#pragma once
// Internal error codes of the control and their fixed texts.
#include <string>

namespace corvel {

enum ErrorCode : int {
    kErrNone = 0,
    kErrUnknownSetting = -1,
    kErrOutOfMemory = 200,
    kErrBadArgument = 202,
    kErrSettingLocked = 287,
    kErrInterrupted = 301,
    kErrIndexOutOfBounds = 432,
    kErrMalformedUuid = 600,
    kErrNotFound = 601,
    kErrNotAllowed = 602,
    kErrScanAborted = 603,
    kErrConnectionFailed = 604,
    kErrNotConnected = 605,
    kErrAccessDenied = 606,
    kErrUnreachable = 607,
    kErrNoUserDescription = 611,
    kErrAppProtocolError = 612,
    kErrNoAdapter = 613,
};

namespace text {
inline constexpr const char* kUnknownSetting = "Unknown config setting.";
inline constexpr const char* kOutOfMemory = "Out of memory.";
inline constexpr const char* kInterrupted = "Interrupted.";
inline constexpr const char* kTimeout = "Timeout.";
inline constexpr const char* kNotConnected = "You must be connected to a server to perform the requested action.";
inline constexpr const char* kMustSupplyServiceId = "Must supply a service ID.";
inline constexpr const char* kMustSupplyCharacteristicId = "Must supply a characteristic ID.";
inline constexpr const char* kInvalidValueFormatIndex = "Invalid value format index.";
inline constexpr const char* kMalformedUuid =
    "UUIDs hexadecimal strings must represent either 16-, 32-, or 128-bit values.";
inline constexpr const char* kInvalidServiceIndex = "Invalid ServiceIndex (out of bounds).";
inline constexpr const char* kInvalidCharacteristicIndex = "Invalid CharacteristicIndex (out of bounds).";
inline constexpr const char* kInvalidDescriptorIndex = "Invalid DescriptorIndex (out of bounds).";
inline constexpr const char* kZeroServiceHandle = "Must supply a non-zero service handle.";
inline constexpr const char* kDescriptorWithoutCharacteristic =
    "Must supply a non-zero characteristic handle to supply a non-zero descriptor handle.";
inline constexpr const char* kSelectServiceFirst = "You must select a service before selecting a characteristic.";
inline constexpr const char* kActiveScanningWhileScanning =
    "You cannot change the ActiveScanning property while scanning.";
inline constexpr const char* kUseWindowsMessagesLocked =
    "UseWindowsMessages cannot be changed at this time. A connection is in progress.";
inline constexpr const char* kNoDescription = "(no description available)";
} // namespace text

// The default text for a code that failed without a recorded text:
// "[code] " followed by the shared core's description of that code.
std::string defaultErrorText(int code);

// The shared core's description of a code, or "" when it has none.
std::string sharedCoreErrorDescription(int code);

} // namespace corvel
