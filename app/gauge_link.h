#pragma once
// What the main window needs of the Bluetooth session with a gauge when it ends.
namespace zenu {

class GaugeLink {
public:
    virtual ~GaugeLink() = default;
    virtual bool isConnected() const = 0;
    // Starts the disconnection; the session clears its connected state when it has been handled.
    virtual void requestDisconnect() = 0;
};

}  // namespace zenu
