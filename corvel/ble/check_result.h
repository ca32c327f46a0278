#pragma once
// An operation's communication result as the control reports it: the "BLE Result Status"
// log line and, for anything but Success, the error code and its text.
#include <cstdint>
#include <optional>
#include <string>

#include "corvel/sig/status.h"
#include "platform/bluetooth/bluetooth_types.h"

namespace corvel {

// "BLE Result Status: Success (Protocol Code: 0)."
std::string resultStatusLine(zenu::bluetooth::CommunicationStatus status, std::optional<uint8_t> protocolError);

// Success, or the error of the status (606, 607) or of the ATT error byte (701-717,
// 612, 952-955, 606 for a byte without a table entry).
Status resultError(zenu::bluetooth::CommunicationStatus status, std::optional<uint8_t> protocolError);

// The name of a pairing outcome, "Unknow" outside the table.
const char* pairingStatusName(int status);

} // namespace corvel
