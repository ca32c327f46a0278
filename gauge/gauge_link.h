#pragma once
// What the main window needs of the Bluetooth session with a gauge: its state, ending it, and
// switching the live readings on and off.
namespace zenu {

class GaugeLink {
public:
    virtual ~GaugeLink() = default;
    virtual bool isConnected() const = 0;
    // Starts the disconnection; the session clears its connected state when it has been handled.
    virtual void requestDisconnect() = 0;
    // Live readings (the measurement characteristic) are subscribed.
    virtual bool isSubscribed() const { return false; }
    // Subscribe / unsubscribe and wait, bounded, for the gauge's confirmation.
    virtual void subscribeReadings() {}
    virtual void unsubscribeReadings() {}
};

}  // namespace zenu
