#pragma once
// The shared state of a simulated stack: the devices (server side and link), the watchers
// and the worker thread. The stack's client objects (devices, GATT objects, watchers) hold
// the world; one mutex guards all of it. Work that ends an operation or raises an event runs
// on the worker thread: the state is changed with the mutex held, then, with the mutex
// released, events are raised and the operation is completed.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/bluetooth/bluetooth_stack.h"
#include "sim/device_behaviour.h"
#include "sim/device_stats.h"
#include "sim/gatt_database.h"
#include "sim/scenario.h"
#include "sim/scheduler.h"

namespace zenu::sim {

class SimDevice;
class SimWatcher;

// Things to do once the world's mutex is released: raise events, complete operations.
using Pending = std::vector<std::function<void()>>;

struct DeviceState {
    DeviceDef def;  // advertising, pairing, latency, events
    std::string name;
    bool advertisedNameFollows = true;  // the advertised name is the device name
    bool online = true;
    bool paired = false;
    bool linkOpen = false;
    bool linkPending = false;
    bool reopenOnReturn = false;
    bool subscribedOnce = false;
    uint64_t session = 0;  // a new device object, or closing one, starts a new session
    TimePoint busyUntil{};
    TimePoint lastNotifyDue{};
    GattDatabase db;
    std::unique_ptr<DeviceBehaviour> behaviour;
    std::weak_ptr<SimDevice> client;
    std::map<uint16_t, Bytes> clientCache;      // values the client's stack holds (cached reads)
    std::set<uint16_t> discoveredDescriptors;   // by the client, this session
    std::map<uint64_t, std::function<void()>> inFlight;  // cancels requests not yet ended
    uint64_t lastRequestId = 0;
    DeviceStats stats;
};

class World : public std::enable_shared_from_this<World> {
public:
    static std::shared_ptr<World> create(Scenario scenario, std::string* error);
    ~World();

    // Arms the timed events that count from the start.
    void start();
    // Stops the worker thread; operations still running end as Canceled.
    void shutdown();
    bool alive() const { return alive_; }

    // ---- everything below: the caller holds `m` unless it says otherwise.
    mutable std::mutex m;
    Scheduler scheduler;
    Scenario scenario;
    bool radioOn = true;
    TimePoint startedAt;
    std::vector<std::unique_ptr<DeviceState>> devices;
    std::vector<std::weak_ptr<SimWatcher>> watchers;

    DeviceState* find(uint64_t address);
    int64_t elapsedMs() const;
    int latency(const DeviceState& d, LatencyKind kind, std::initializer_list<const Latency*> inner = {}) const;
    bool reachable(const DeviceState& d) const { return d.online && radioOn; }
    bool linkable(const DeviceState& d) const { return reachable(d) && d.def.connectable; }

    // The device object for an address (the live one, or a new one with a new session).
    std::shared_ptr<SimDevice> clientFor(DeviceState& d);

    void openLink(DeviceState& d, Pending& pending);
    void closeLink(DeviceState& d, Pending& pending, bool raiseEvent);
    void setOffline(DeviceState& d, Pending& pending);
    void setOnline(DeviceState& d, Pending& pending);
    void setRadio(bool on, bluetooth::BluetoothErrorCode reason, Pending& pending);
    void clientClosed(DeviceState& d, Pending& pending);
    // A value from the device to the client, by the client's configuration.
    void sendValue(DeviceState& d, uint16_t handle, const Bytes& value);
    void clientConfigChanged(DeviceState& d, uint16_t handle, uint16_t value, Pending& pending);
    void setName(DeviceState& d, const std::string& name, Pending& pending);
    void changeServices(DeviceState& d, const TimedEvent& e, Pending& pending);
    // Runs `work` with the device's behaviour context (from a locked job).
    void withContext(DeviceState& d, Pending& pending, const std::function<void(DeviceContext&)>& work);

    // Arms the timed events of a device that count from `from` (session-bound unless Start).
    void armEvents(DeviceState& d, EventFrom from);

    // A GATT request of a device object: serialised per device, `perform` runs on the worker
    // at the due time with `m` held. Called without `m` held.
    template <typename R>
    bluetooth::Async<R> request(SimDevice& client, int latencyMs, bool needsLink,
                                std::function<R(DeviceState&, Pending&)> perform);
    // The same for work that needs no device (adapter, device lookup).
    template <typename R>
    bluetooth::Async<R> answer(int latencyMs, std::function<R(Pending&)> perform);

    static constexpr const char* kClosedText = "The device object has been closed.";

private:
    World() = default;
    void applyEvent(uint64_t address, const TimedEvent& e, uint64_t session, int occurrence);
    void postEvent(uint64_t address, const TimedEvent& e, uint64_t session, int occurrence, int delayMs);

    std::atomic<bool> alive_{true};
};

// The client side of a device: what the world needs to know of a device object.
struct ClientIdentity {
    uint64_t address;
    uint64_t session;
};
ClientIdentity identityOf(const SimDevice& client);
bool isClosed(const SimDevice& client);

template <typename R>
R unreachableResult() {
    R r{};
    if constexpr (std::is_base_of_v<bluetooth::GattResult, R>) r.status = bluetooth::CommunicationStatus::Unreachable;
    return r;
}

template <typename R>
bluetooth::Async<R> World::request(SimDevice& client, int latencyMs, bool needsLink,
                                   std::function<R(DeviceState&, Pending&)> perform) {
    auto op = bluetooth::makeAsync<R>();
    const ClientIdentity id = identityOf(client);
    std::unique_lock lock(m);
    DeviceState* d = find(id.address);
    if (!alive_ || !d || d->session != id.session || isClosed(client)) {
        lock.unlock();
        op->fail(kClosedText);
        return op;
    }
    int ms = latencyMs;
    if (needsLink && !linkable(*d)) ms = latency(*d, LatencyKind::Unreachable);
    else if (needsLink && !d->linkOpen && !d->linkPending) {
        ms += latency(*d, LatencyKind::Connect);
        d->linkPending = true;
    }
    const TimePoint due = std::max(Clock::now(), d->busyUntil) + std::chrono::milliseconds(ms);
    d->busyUntil = due;
    const uint64_t requestId = ++d->lastRequestId;
    d->inFlight[requestId] = [weakOp = std::weak_ptr<bluetooth::AsyncOperation<R>>(op)] {
        if (auto o = weakOp.lock()) o->cancel();
    };
    lock.unlock();
    std::weak_ptr<World> weak = weak_from_this();
    scheduler.post(
        due,
        [weak, op, id, requestId, needsLink, perform = std::move(perform)] {
            auto w = weak.lock();
            if (!w) {
                op->cancel();
                return;
            }
            Pending pending;
            std::optional<R> result;
            {
                std::lock_guard guard(w->m);
                DeviceState* dev = w->find(id.address);
                if (dev) dev->inFlight.erase(requestId);
                if (dev && dev->session == id.session && w->alive()) {
                    if (needsLink && !w->linkable(*dev)) {
                        result = unreachableResult<R>();
                    } else {
                        if (needsLink && !dev->linkOpen) w->openLink(*dev, pending);
                        if (needsLink) ++dev->stats.requests;
                        result = perform(*dev, pending);
                    }
                }
            }
            for (auto& p : pending) p();
            if (result) op->complete(std::move(*result));
            else op->cancel();
        },
        [op] { op->cancel(); });
    return op;
}

template <typename R>
bluetooth::Async<R> World::answer(int latencyMs, std::function<R(Pending&)> perform) {
    auto op = bluetooth::makeAsync<R>();
    if (!alive_) {
        op->fail("The Bluetooth stack has been shut down.");
        return op;
    }
    std::weak_ptr<World> weak = weak_from_this();
    scheduler.postIn(
        latencyMs,
        [weak, op, perform = std::move(perform)] {
            auto w = weak.lock();
            if (!w) {
                op->cancel();
                return;
            }
            Pending pending;
            std::optional<R> result;
            {
                std::lock_guard guard(w->m);
                result = perform(pending);
            }
            for (auto& p : pending) p();
            op->complete(std::move(*result));
        },
        [op] { op->cancel(); });
    return op;
}

}  // namespace zenu::sim
