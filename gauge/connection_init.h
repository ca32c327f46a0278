#pragma once
// The fixed sequence after every new connection: device information, model identification,
// profile, per-gauge settings, data protocol and battery.
#include "gauge/command_transport.h"
#include "gauge/connection_host.h"

namespace zenu {

// Runs the connection initialisation (Initialisierung). Every reply it waits for is bounded by
// timeoutMs. When the device information, the probe information or the switch to data
// protocol 1 does not come (or a write fails), that is logged, the sequence stops there and
// the host is told with message 22; without them the readings could not be read correctly.
// A battery reading that does not come is only logged: no battery symbol is shown. True when
// every step ran.
bool Initialisierung(CommandTransport& transport, const WaitFunction& wait, ConnectionHost& host,
                     int timeoutMs = kReplyTimeoutMs);

}  // namespace zenu
