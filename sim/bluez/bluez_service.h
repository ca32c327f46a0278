#pragma once
// A BlueZ stand-in: serves a simulated stack as org.bluez (adapter, devices, GATT objects,
// agents) on a D-Bus bus, so that BlueZ clients - ours, bluetoothctl, Bleak - can be run
// against simulated devices. It behaves as BlueZ 5.66 does, limits and error names included.
#include <memory>
#include <string>

namespace zenu::sim {

class SimStack;

class BluezService {
public:
    // Serves `stack` as org.bluez on the bus at `busAddress` ("unix:path=/tmp/x/bus"), from a
    // thread of its own. nullptr with *error when the bus cannot be reached or org.bluez has
    // an owner already. A QCoreApplication must exist (QtDBus needs one).
    static std::unique_ptr<BluezService> start(std::shared_ptr<SimStack> stack, const std::string& busAddress,
                                               std::string* error);
    // Releases org.bluez and ends the thread (bounded).
    ~BluezService();
    // The bus went away; the service has stopped.
    bool busLost() const;

    BluezService(const BluezService&) = delete;
    BluezService& operator=(const BluezService&) = delete;

    class Thread;

private:
    explicit BluezService(std::unique_ptr<Thread> thread);
    std::unique_ptr<Thread> thread_;
};

}  // namespace zenu::sim
