#pragma once
// The fixed sequence after every new connection: device information, model identification,
// profile, per-gauge settings, data protocol and battery.
#include "gauge/command_transport.h"
#include "gauge/connection_host.h"

namespace zenu {

// Runs the connection initialisation. Every reply it waits for is bounded by timeoutMs; a
// reply that does not come (or a write that fails) is logged, the sequence stops there, and
// the host is told with message 22. True when every step ran.
bool Initialisierung(CommandTransport& transport, const WaitFunction& wait, ConnectionHost& host,
                     int timeoutMs = kReplyTimeoutMs);

}  // namespace zenu
