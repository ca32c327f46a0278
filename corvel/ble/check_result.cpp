#include "corvel/ble/check_result.h"

#include <cstdio>
#include <iterator>

#include "corvel/sig/errors.h"

namespace corvel {

namespace {

using zenu::bluetooth::CommunicationStatus;

const char* statusName(CommunicationStatus s)
{
    switch (s) {
    case CommunicationStatus::Success:
        return "Success";
    case CommunicationStatus::Unreachable:
        return "Unreachable";
    case CommunicationStatus::ProtocolError:
        return "ProtocolError";
    case CommunicationStatus::AccessDenied:
        return "AccessDenied";
    }
    return "Unknown";
}

// The ATT error codes 0x01 to 0x11, each reported as 700 + code.
const char* const kAttErrors[] = {
    "Invalid handle.",
    "Read not permitted.",
    "Write not permitted.",
    "Invalid PDU.",
    "Insufficient authentication.",
    "Request not supported.",
    "Invalid offset.",
    "Insufficient authorization.",
    "Prepare queue full.",
    "Attribute not found.",
    "Attribute not long.",
    "Insufficient encryption key size.",
    "Invalid attribute value length.",
    "Unlikely error.",
    "Insufficient encryption.",
    "Unsupported group type.",
    "Insufficient resources.",
};

// The common profile error codes 0xFC to 0xFF, reported as 952 to 955.
const char* const kProfileErrors[] = {
    "Write request rejected.",
    "Client characteristic configuration descriptor (CCCD) improperly configured.",
    "A procedure is already in progress.",
    "Attribute value is out of range.",
};

std::string format(const char* pattern, int a, int b)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, pattern, a, b);
    return buf;
}

Status protocolError(int p)
{
    const std::string prefix = format("Protocol error returned during communication: [%d] {%d}. ", p, p);
    if (p >= 0x01 && p <= 0x11)
        return Status::failure(700 + p, prefix + kAttErrors[p - 1]);
    if (p >= 0xFC && p <= 0xFF)
        return Status::failure(952 + (p - 0xFC), prefix + kProfileErrors[p - 0xFC]);
    if (p >= 0x80 && p <= 0x9F)
        return Status::failure(kErrAppProtocolError,
                               format("Application-specific protocol error {%d (0x%x) returned during communication. "
                                      "Consult the remote device's documentation for more information.",
                                      p, p));
    return Status::failure(kErrAccessDenied,
                           format("Unknown protocol error %d (0x%x) returned during communication.", p, p));
}

const char* const kPairingStatusNames[] = {
    "Paired",
    "NotReadyToPair",
    "NotPaired",
    "AlreadyPaired",
    "ConnectionRejected",
    "TooManyConnections",
    "HardwareFailure",
    "AuthenticationTimeout",
    "AuthenticationNotAllowed",
    "AuthenticationFailure",
    "NoSupportedProfiles",
    "ProtectionLevelCouldNotBeMet",
    "AccessDenied",
    "InvalidCeremonyData",
    "PairingCanceled",
    "OperationAlreadyInProgress",
    "RequiredHandlerNotRegistered",
    "RejectedByHandler",
    "RemoteDeviceHasAssociation",
    "Failed",
};

} // namespace

std::string resultStatusLine(CommunicationStatus status, std::optional<uint8_t> protocolError)
{
    return std::string("BLE Result Status: ") + statusName(status) +
           " (Protocol Code: " + std::to_string(protocolError.value_or(0)) + ").";
}

Status resultError(CommunicationStatus status, std::optional<uint8_t> code)
{
    switch (status) {
    case CommunicationStatus::Success:
        return {};
    case CommunicationStatus::AccessDenied:
        return Status::failure(kErrAccessDenied, "Error attempting communication: Access denied by system.");
    case CommunicationStatus::Unreachable:
        return Status::failure(kErrUnreachable, "Error attempting communication: Device unreachable.");
    case CommunicationStatus::ProtocolError:
        return protocolError(code.value_or(0));
    }
    return protocolError(code.value_or(0));
}

const char* pairingStatusName(int status)
{
    if (status < 0 || status >= static_cast<int>(std::size(kPairingStatusNames)))
        return "Unknow";
    return kPairingStatusNames[status];
}

} // namespace corvel
