#include "sim/sim_world.h"

#include <cstdio>

#include "sim/gauge_device.h"
#include "sim/gauge_gatt.h"
#include "sim/sim_device.h"
#include "sim/sim_gatt_objects.h"
#include "sim/sim_watcher.h"

namespace zenu::sim {

using bluetooth::ConnectionStatus;

namespace {

std::string addressText(uint64_t a) { return bluetooth::formatAddress(a); }

// The behaviour context of one device while the world is locked.
class LockedContext : public DeviceContext {
public:
    LockedContext(World& w, DeviceState& d) : w_(w), d_(d) {}
    int64_t elapsedMs() const override { return w_.elapsedMs(); }
    void setValue(uint16_t handle, const Bytes& value) override {
        if (CharacteristicDef* c = d_.db.characteristic(handle)) c->value = value;
        else if (DescriptorDef* desc = d_.db.descriptor(handle)) desc->value = value;
    }
    void sendValue(uint16_t handle, const Bytes& value) override { w_.sendValue(d_, handle, value); }
    uint16_t clientConfig(uint16_t handle) const override { return d_.db.clientConfig(handle); }
    void after(int delayMs, std::function<void(DeviceContext&)> work) override {
        std::weak_ptr<World> weak = w_.weak_from_this();
        const uint64_t address = d_.def.address;
        w_.scheduler.postIn(delayMs, [weak, address, work = std::move(work)] {
            auto w = weak.lock();
            if (!w) return;
            Pending pending;
            {
                std::lock_guard lock(w->m);
                if (DeviceState* d = w->find(address)) w->withContext(*d, pending, work);
            }
            for (auto& p : pending) p();
        });
    }
    void goOffline(int forMs) override {
        std::weak_ptr<World> weak = w_.weak_from_this();
        const uint64_t address = d_.def.address;
        w_.scheduler.postIn(0, [weak, address, forMs] {
            auto w = weak.lock();
            if (!w) return;
            Pending pending;
            {
                std::lock_guard lock(w->m);
                if (DeviceState* d = w->find(address)) w->setOffline(*d, pending);
            }
            for (auto& p : pending) p();
            if (forMs <= 0) return;
            w->scheduler.postIn(forMs, [weak, address] {
                auto w2 = weak.lock();
                if (!w2) return;
                Pending back;
                {
                    std::lock_guard lock(w2->m);
                    if (DeviceState* d = w2->find(address)) w2->setOnline(*d, back);
                }
                for (auto& p : back) p();
            });
        });
    }

private:
    World& w_;
    DeviceState& d_;
};

}  // namespace

std::optional<int> latencyField(const Latency& l, LatencyKind kind) {
    switch (kind) {
    case LatencyKind::Connect: return l.connect;
    case LatencyKind::Discovery: return l.discovery;
    case LatencyKind::Read: return l.read;
    case LatencyKind::Write: return l.write;
    case LatencyKind::Cccd: return l.cccd;
    case LatencyKind::Pair: return l.pair;
    case LatencyKind::Cached: return l.cached;
    case LatencyKind::Notify: return l.notify;
    case LatencyKind::Unreachable: return l.unreachable;
    case LatencyKind::Device: return l.device;
    }
    return std::nullopt;
}

int defaultLatency(LatencyKind kind) {
    switch (kind) {
    case LatencyKind::Connect: return 10;
    case LatencyKind::Unreachable: return 100;
    case LatencyKind::Pair: return 5;
    case LatencyKind::Cached: return 0;
    case LatencyKind::Notify: return 1;
    default: return 2;
    }
}

std::shared_ptr<World> World::create(Scenario scenario, std::string* error) {
    auto fail = [&](const std::string& text) -> std::shared_ptr<World> {
        if (error) *error = text;
        return nullptr;
    };
    std::shared_ptr<World> w(new World());
    w->radioOn = scenario.adapter.radioOn;
    w->startedAt = Clock::now();
    // Events of the scenario that name a device travel with that device.
    std::vector<TimedEvent> global;
    for (const auto& e : scenario.events) {
        if (e.address == 0) {
            global.push_back(e);
            continue;
        }
        auto it = std::find_if(scenario.devices.begin(), scenario.devices.end(),
                               [&](const DeviceDef& d) { return d.address == e.address; });
        if (it == scenario.devices.end()) return fail("an event names the unknown device " + addressText(e.address));
        it->events.push_back(e);
    }
    scenario.events = std::move(global);
    for (const auto& def : scenario.devices) {
        if (w->find(def.address)) return fail("two devices have the address " + addressText(def.address));
        auto d = std::make_unique<DeviceState>();
        d->def = def;
        d->name = def.name;
        d->online = def.online;
        d->paired = def.pairing.paired;
        d->advertisedNameFollows = !def.advertising.data.name.has_value();
        std::vector<ServiceDef> services;
        std::optional<GaugeDef> gauge;
        if (def.gauge) {
            gauge = resolvedGauge(*def.gauge, def.address);
            services = gaugeServices(*gauge);
            if (d->name.empty()) d->name = gauge->name;
        }
        services.insert(services.end(), def.gatt.services.begin(), def.gatt.services.end());
        std::string why;
        if (!d->db.build(std::move(services), &why)) return fail("device " + addressText(def.address) + ": " + why);
        if (gauge) d->behaviour = makeGaugeBehaviour(*gauge, d->db);
        w->devices.push_back(std::move(d));
    }
    w->scenario = std::move(scenario);
    return w;
}

World::~World() { shutdown(); }

void World::start() {
    std::lock_guard lock(m);
    for (auto& d : devices) armEvents(*d, EventFrom::Start);
    for (const auto& e : scenario.events) postEvent(0, e, 0, 0, e.atMs);
}

void World::shutdown() {
    alive_ = false;
    scheduler.stop();
}

DeviceState* World::find(uint64_t address) {
    for (auto& d : devices)
        if (d->def.address == address) return d.get();
    return nullptr;
}

int64_t World::elapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startedAt).count();
}

int World::latency(const DeviceState& d, LatencyKind kind, std::initializer_list<const Latency*> inner) const {
    for (const Latency* l : inner)
        if (l)
            if (auto v = latencyField(*l, kind)) return *v;
    if (auto v = latencyField(d.def.latency, kind)) return *v;
    if (auto v = latencyField(scenario.latency, kind)) return *v;
    return defaultLatency(kind);
}

std::shared_ptr<SimDevice> World::clientFor(DeviceState& d) {
    if (auto c = d.client.lock(); c && !c->closed()) return c;
    ++d.session;
    d.subscribedOnce = false;
    d.clientCache.clear();
    d.discoveredDescriptors.clear();
    d.busyUntil = Clock::now();
    auto c = std::make_shared<SimDevice>(shared_from_this(), d.def.address, d.def.advertising.addressType, d.session);
    d.client = c;
    armEvents(d, EventFrom::Connect);
    return c;
}

void World::withContext(DeviceState& d, Pending&, const std::function<void(DeviceContext&)>& work) {
    LockedContext ctx(*this, d);
    work(ctx);
}

void World::openLink(DeviceState& d, Pending& pending) {
    d.linkPending = false;
    if (d.linkOpen) return;
    d.linkOpen = true;
    ++d.stats.linkOpenings;
    if (d.behaviour) withContext(d, pending, [&](DeviceContext& ctx) { d.behaviour->onLink(ctx, true); });
    if (auto c = d.client.lock(); c && !c->closed())
        pending.push_back([c] { c->connectionStatusChanged.raise(ConnectionStatus::Connected); });
}

void World::closeLink(DeviceState& d, Pending& pending, bool raiseEvent) {
    d.linkPending = false;
    if (!d.linkOpen) return;
    d.linkOpen = false;
    // A device keeps the client configuration of a bonded client only.
    if (!d.paired) d.db.resetClientConfigs();
    if (d.behaviour) withContext(d, pending, [&](DeviceContext& ctx) { d.behaviour->onLink(ctx, false); });
    if (!raiseEvent) return;
    if (auto c = d.client.lock(); c && !c->closed())
        pending.push_back([c] { c->connectionStatusChanged.raise(ConnectionStatus::Disconnected); });
}

void World::clientClosed(DeviceState& d, Pending& pending) {
    ++d.session;
    for (auto& [id, cancel] : d.inFlight) pending.push_back(std::move(cancel));
    d.inFlight.clear();
    closeLink(d, pending, false);
    d.reopenOnReturn = false;
    d.clientCache.clear();
    d.discoveredDescriptors.clear();
    d.client.reset();
}

void World::setOffline(DeviceState& d, Pending& pending) {
    if (!d.online) return;
    d.online = false;
    if (d.linkOpen) {
        d.reopenOnReturn = true;
        closeLink(d, pending, true);
    }
}

namespace {
// The stack reconnects a held device that comes back, as an operating system does.
void scheduleReopen(World& w, DeviceState& d) {
    std::weak_ptr<World> weak = w.weak_from_this();
    const uint64_t address = d.def.address, session = d.session;
    w.scheduler.postIn(w.latency(d, LatencyKind::Connect), [weak, address, session] {
        auto world = weak.lock();
        if (!world) return;
        Pending pending;
        {
            std::lock_guard lock(world->m);
            DeviceState* dev = world->find(address);
            if (dev && dev->session == session && world->reachable(*dev) && !dev->client.expired())
                world->openLink(*dev, pending);
        }
        for (auto& p : pending) p();
    });
}
}  // namespace

void World::setOnline(DeviceState& d, Pending&) {
    if (d.online) return;
    d.online = true;
    if (d.reopenOnReturn && radioOn) {
        d.reopenOnReturn = false;
        scheduleReopen(*this, d);
    }
}

void World::setRadio(bool on, bluetooth::BluetoothErrorCode reason, Pending& pending) {
    if (on == radioOn) return;
    radioOn = on;
    if (!on) {
        for (auto& d : devices)
            if (d->linkOpen) {
                d->reopenOnReturn = true;
                closeLink(*d, pending, true);
            }
        for (auto& weak : watchers)
            if (auto watcher = weak.lock()) watcher->abortLocked(reason, pending);
        return;
    }
    for (auto& d : devices)
        if (d->reopenOnReturn && d->online) {
            d->reopenOnReturn = false;
            scheduleReopen(*this, *d);
        }
}

void World::sendValue(DeviceState& d, uint16_t handle, const Bytes& value) {
    CharacteristicDef* c = d.db.characteristic(handle);
    if (!c) return;
    c->value = value;
    const uint16_t config = d.db.clientConfig(handle);
    auto client = d.client.lock();
    std::shared_ptr<SimCharacteristic> target;
    if (client && !client->closed() && d.linkOpen && reachable(d) && (config & 3))
        target = client->existingCharacteristic(handle);
    if (!target) {
        ++d.stats.valuesDropped;
        return;
    }
    if (config & 1) ++d.stats.notificationsSent;
    else ++d.stats.indicationsSent;
    d.clientCache[handle] = value;
    const TimePoint due =
        std::max(Clock::now() + std::chrono::milliseconds(latency(d, LatencyKind::Notify, {&c->latency})),
                 d.lastNotifyDue);
    d.lastNotifyDue = due;
    std::weak_ptr<World> weak = weak_from_this();
    const uint64_t address = d.def.address, session = d.session;
    scheduler.post(due, [weak, target, value, address, session] {
        auto w = weak.lock();
        if (!w) return;
        {
            std::lock_guard lock(w->m);
            DeviceState* dev = w->find(address);
            if (!dev || dev->session != session || !dev->linkOpen) return;
        }
        bluetooth::ValueChangedArgs args;
        args.value = value;
        args.timestamp = std::chrono::system_clock::now();
        target->valueChanged.raise(args);
    });
}

void World::clientConfigChanged(DeviceState& d, uint16_t handle, uint16_t value, Pending& pending) {
    if (d.behaviour)
        withContext(d, pending, [&](DeviceContext& ctx) { d.behaviour->onClientConfig(ctx, handle, value); });
    if (value != 0 && !d.subscribedOnce) {
        d.subscribedOnce = true;
        armEvents(d, EventFrom::Subscribe);
    }
}

void World::setName(DeviceState& d, const std::string& name, Pending& pending) {
    d.name = name;
    if (auto c = d.client.lock(); c && !c->closed())
        pending.push_back([c, name] { c->nameChanged.raise(name); });
}

void World::changeServices(DeviceState& d, const TimedEvent& e, Pending& pending) {
    uint16_t lo = 0xFFFF, hi = 0, a = 0, b = 0;
    if (!e.removeServices.empty()) {
        d.db.removeServices(e.removeServices, &a, &b);
        if (a <= b) lo = std::min(lo, a), hi = std::max(hi, b);
    }
    if (!e.addServices.empty() && d.db.addServices(e.addServices, nullptr, &a, &b))
        lo = std::min(lo, a), hi = std::max(hi, b);
    if (lo > hi) lo = 0x0001, hi = 0xFFFF;
    char range[16];
    std::snprintf(range, sizeof range, "%04X-%04X", lo, hi);
    const std::string text = range;
    if (auto c = d.client.lock(); c && !c->closed())
        pending.push_back([c, text] { c->gattServicesChanged.raise(text); });
}

void World::armEvents(DeviceState& d, EventFrom from) {
    const uint64_t session = from == EventFrom::Start ? 0 : d.session;
    for (const auto& e : d.def.events)
        if (e.from == from) postEvent(d.def.address, e, session, 0, e.atMs);
}

void World::postEvent(uint64_t address, const TimedEvent& e, uint64_t session, int occurrence, int delayMs) {
    std::weak_ptr<World> weak = weak_from_this();
    scheduler.postIn(delayMs, [weak, address, e, session, occurrence] {
        if (auto w = weak.lock()) w->applyEvent(address, e, session, occurrence);
    });
}

void World::applyEvent(uint64_t address, const TimedEvent& e, uint64_t session, int occurrence) {
    Pending pending;
    {
        std::lock_guard lock(m);
        if (!alive_) return;
        DeviceState* d = address ? find(address) : nullptr;
        if (address && (!d || (e.from != EventFrom::Start && d->session != session))) return;
        switch (e.type) {
        case EventType::Notify:
            if (d) {
                const CharacteristicDef* c = d->db.characteristic(e.handle);
                if (c) {
                    const Bytes value =
                        e.values.empty() ? c->value : e.values[static_cast<std::size_t>(occurrence) % e.values.size()];
                    sendValue(*d, e.handle, value);
                }
            }
            break;
        case EventType::Offline:
            if (d) setOffline(*d, pending);
            break;
        case EventType::Online:
            if (d) setOnline(*d, pending);
            break;
        case EventType::Name:
            if (d) setName(*d, e.name, pending);
            break;
        case EventType::ServicesChanged:
            if (d) changeServices(*d, e, pending);
            break;
        case EventType::RadioOff: setRadio(false, e.error, pending); break;
        case EventType::RadioOn: setRadio(true, e.error, pending); break;
        case EventType::Advertising:
            if (d) d->def.advertising.enabled = e.enabled;
            break;
        }
        if (e.everyMs > 0 && (e.count < 0 || occurrence + 1 < e.count))
            postEvent(address, e, session, occurrence + 1, e.everyMs);
    }
    for (auto& p : pending) p();
}

}  // namespace zenu::sim
