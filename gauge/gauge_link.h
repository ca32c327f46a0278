#pragma once
// What windows need of the Bluetooth session with a gauge: its state, ending it, switching the
// live readings on and off, and the command channel.
#include "gauge/command_transport.h"

namespace zenu {

class GaugeLink {
public:
    virtual ~GaugeLink() = default;
    virtual bool isConnected() const = 0;
    // Starts the disconnection; the session clears its connected state when it has been handled.
    virtual void requestDisconnect() = 0;
    // Live readings (the measurement characteristic) are subscribed.
    virtual bool isSubscribed() const { return false; }
    // Subscribe / unsubscribe and wait, bounded, for the gauge's confirmation. False when the
    // confirmation did not come.
    virtual bool subscribeReadings() { return false; }
    virtual bool unsubscribeReadings() { return false; }
    // The gauge's command characteristic; nullptr without a session.
    virtual CommandTransport* commandTransport() { return nullptr; }
    // The wait for the gauge's replies.
    virtual WaitFunction waitFunction() const { return eventLoopWait(); }
};

}  // namespace zenu
