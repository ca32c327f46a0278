#pragma once
// What the BlueZ stack shares with every object it made: the worker thread and connection,
// the discovery session of this client (BlueZ runs one per D-Bus sender, so the watchers and
// device look-ups of the stack share it), and the pairing agent. Worker thread only, except
// where said.
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/bluetooth/bluetooth_types.h"
#include "platform/bluetooth/bluez_core.h"

namespace zenu::bluetooth::bluez {

class BluezDevice;

class BluezContext : public std::enable_shared_from_this<BluezContext> {
public:
    BluezContext();
    ~BluezContext();
    // Unregisters the agent, ends this client's discovery and the worker thread (any thread).
    void shutdown();

    // Worker thread only (the core exists once something was posted).
    BluezCore& core() { return *core_; }
    // Runs `work` on the worker thread, which starts with the first work; false (see
    // unavailable()) once shut down, or without the Qt application object QtDBus needs.
    bool post(std::function<void()> work);
    std::string unavailable() const;

    // "" when BlueZ can be used; `code` then says how a scan ends.
    std::string ready(BluetoothErrorCode* code = nullptr);

    // Joins this client's discovery (filter: service UUIDs, empty for all) and calls `done`
    // with the error reply, or an empty message when discovery runs. Every successful join
    // is ended by leaveDiscovery().
    void joinDiscovery(const QStringList& uuids, bool duplicates, std::function<void(const QDBusMessage&)> done);
    void leaveDiscovery();

    // Devices that are pairing receive the agent's questions; `done` gets false when no agent
    // could be registered.
    void ensureAgent(std::function<void(bool)> done);
    void setPairing(const QString& devicePath, const std::shared_ptr<BluezDevice>& device);
    void endPairing(const QString& devicePath);

private:
    class Agent;
    void agentCall(const QDBusMessage& message);
    void startDiscovery(const QString& adapter, int attempt, std::function<void(const QDBusMessage&)> done);

    mutable std::mutex m_;
    bool down_ = false;
    std::shared_ptr<BluezCore> core_;
    int discoveryUsers_ = 0;
    std::unique_ptr<Agent> agent_;
    QString agentPath_;
    bool agentRegistered_ = false;
    std::vector<std::function<void(bool)>> agentWaiters_;
    std::map<QString, std::weak_ptr<BluezDevice>> pairing_;
};

}  // namespace zenu::bluetooth::bluez
