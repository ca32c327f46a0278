#include "sim/sim_stack.h"

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>

#include "sim/scenario_json.h"
#include "sim/sim_device.h"
#include "sim/sim_watcher.h"
#include "sim/sim_world.h"

namespace zenu::sim {

using namespace bluetooth;

std::shared_ptr<SimStack> SimStack::create(Scenario scenario, std::string* error) {
    auto world = World::create(std::move(scenario), error);
    if (!world) return nullptr;
    world->start();
    return std::shared_ptr<SimStack>(new SimStack(std::move(world)));
}

std::shared_ptr<SimStack> SimStack::fromJson(const std::string& json, const std::string& source, std::string* error) {
    std::string why;
    auto scenario = parseScenario(json, &why);
    if (!scenario) {
        if (error) *error = "Simulator scenario " + source + ": " + why;
        return nullptr;
    }
    scenario->source = source;
    auto stack = create(std::move(*scenario), &why);
    if (!stack && error) *error = "Simulator scenario " + source + ": " + why;
    return stack;
}

std::shared_ptr<SimStack> SimStack::fromFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "Simulator scenario " + path + ": the file cannot be read.";
        return nullptr;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return fromJson(text.str(), path, error);
}

SimStack::SimStack(std::shared_ptr<World> world) : world_(std::move(world)) {}

SimStack::~SimStack() { world_->shutdown(); }

std::string SimStack::description() const {
    return "simulated" + (world_->scenario.source.empty() ? std::string() : ": " + world_->scenario.source);
}

Async<std::optional<AdapterInfo>> SimStack::getDefaultAdapterAsync() {
    auto world = world_;
    int ms;
    {
        std::lock_guard lock(world->m);
        ms = latencyField(world->scenario.latency, LatencyKind::Device).value_or(defaultLatency(LatencyKind::Device));
    }
    return world->answer<std::optional<AdapterInfo>>(ms, [w = world.get()](Pending&) -> std::optional<AdapterInfo> {
        const AdapterDef& a = w->scenario.adapter;
        if (!a.present) return std::nullopt;
        return AdapterInfo{a.address, a.lowEnergy};
    });
}

std::shared_ptr<AdvertisementWatcher> SimStack::createAdvertisementWatcher() {
    auto watcher = std::make_shared<SimWatcher>(world_);
    std::lock_guard lock(world_->m);
    std::erase_if(world_->watchers, [](const auto& w) { return w.expired(); });
    world_->watchers.push_back(watcher);
    return watcher;
}

Async<std::shared_ptr<Device>> SimStack::fromBluetoothAddressAsync(uint64_t address) {
    int ms;
    {
        std::lock_guard lock(world_->m);
        const DeviceState* d = world_->find(address);
        ms = d ? world_->latency(*d, LatencyKind::Device)
               : latencyField(world_->scenario.latency, LatencyKind::Device).value_or(defaultLatency(LatencyKind::Device));
    }
    return world_->answer<std::shared_ptr<Device>>(ms, [w = world_.get(), address](Pending&) -> std::shared_ptr<Device> {
        DeviceState* d = w->find(address);
        if (!d) return nullptr;
        return w->clientFor(*d);
    });
}

void SimStack::act(uint64_t address, std::function<void(World&, DeviceState*, Pending&)> change) {
    std::weak_ptr<World> weak = world_;
    world_->scheduler.postIn(0, [weak, address, change = std::move(change)] {
        auto w = weak.lock();
        if (!w) return;
        Pending pending;
        {
            std::lock_guard lock(w->m);
            DeviceState* d = address ? w->find(address) : nullptr;
            if (address == 0 || d) change(*w, d, pending);
        }
        for (auto& p : pending) p();
    });
}

void SimStack::setOnline(uint64_t address, bool online) {
    act(address, [online](World& w, DeviceState* d, Pending& p) {
        if (online) w.setOnline(*d, p);
        else w.setOffline(*d, p);
    });
}

void SimStack::setRadio(bool on, BluetoothErrorCode reason) {
    act(0, [on, reason](World& w, DeviceState*, Pending& p) { w.setRadio(on, reason, p); });
}

void SimStack::setName(uint64_t address, const std::string& name) {
    act(address, [name](World& w, DeviceState* d, Pending& p) { w.setName(*d, name, p); });
}

void SimStack::setAdvertising(uint64_t address, bool enabled) {
    act(address, [enabled](World&, DeviceState* d, Pending&) { d->def.advertising.enabled = enabled; });
}

void SimStack::sendValue(uint64_t address, uint16_t handle, const Bytes& value) {
    act(address, [handle, value](World& w, DeviceState* d, Pending&) { w.sendValue(*d, handle, value); });
}

void SimStack::setValue(uint64_t address, uint16_t handle, const Bytes& value) {
    act(address, [handle, value](World&, DeviceState* d, Pending&) {
        if (CharacteristicDef* c = d->db.characteristic(handle)) c->value = value;
        else if (DescriptorDef* desc = d->db.descriptor(handle)) desc->value = value;
    });
}

void SimStack::changeServices(uint64_t address, std::vector<ServiceDef> add, std::vector<uint16_t> remove) {
    TimedEvent e;
    e.type = EventType::ServicesChanged;
    e.addServices = std::move(add);
    e.removeServices = std::move(remove);
    act(address, [e](World& w, DeviceState* d, Pending& p) { w.changeServices(*d, e, p); });
}

void SimStack::injectError(uint64_t address, uint16_t handle, ErrorOp op, InjectedError error) {
    // At once, so that the next request already meets it.
    std::lock_guard lock(world_->m);
    DeviceState* d = world_->find(address);
    if (!d) return;
    if (handle == 0) d->def.gatt.errors[op] = error;
    else if (ServiceDef* s = d->db.service(handle)) s->errors[op] = error;
    else if (CharacteristicDef* c = d->db.characteristic(handle)) c->errors[op] = error;
    else if (DescriptorDef* desc = d->db.descriptor(handle)) desc->errors[op] = error;
}

void SimStack::setLatency(uint64_t address, const Latency& latency) {
    std::lock_guard lock(world_->m);
    if (DeviceState* d = world_->find(address)) d->def.latency = latency;
}

bool SimStack::settle(std::chrono::milliseconds timeout) {
    if (world_->scheduler.onWorker()) return false;
    auto state = std::make_shared<std::pair<std::mutex, std::condition_variable>>();
    auto done = std::make_shared<bool>(false);
    world_->scheduler.postIn(0, [state, done] {
        {
            std::lock_guard lock(state->first);
            *done = true;
        }
        state->second.notify_all();
    });
    std::unique_lock lock(state->first);
    return state->second.wait_for(lock, timeout, [&] { return *done; });
}

DeviceStats SimStack::stats(uint64_t address) const {
    std::lock_guard lock(world_->m);
    const DeviceState* d = world_->find(address);
    return d ? d->stats : DeviceStats{};
}

uint16_t SimStack::clientConfig(uint64_t address, uint16_t handle) const {
    std::lock_guard lock(world_->m);
    DeviceState* d = world_->find(address);
    return d ? d->db.clientConfig(handle) : 0;
}

bool SimStack::linkOpen(uint64_t address) const {
    std::lock_guard lock(world_->m);
    const DeviceState* d = world_->find(address);
    return d && d->linkOpen;
}

bool SimStack::paired(uint64_t address) const {
    std::lock_guard lock(world_->m);
    const DeviceState* d = world_->find(address);
    return d && d->paired;
}

bool SimStack::radioOn() const {
    std::lock_guard lock(world_->m);
    return world_->radioOn && world_->scenario.adapter.present;
}

std::optional<Bytes> SimStack::value(uint64_t address, uint16_t handle) const {
    std::lock_guard lock(world_->m);
    DeviceState* d = world_->find(address);
    if (!d) return std::nullopt;
    if (const CharacteristicDef* c = d->db.characteristic(handle)) return c->value;
    if (const DescriptorDef* desc = d->db.descriptor(handle)) return desc->value;
    return std::nullopt;
}

uint16_t SimStack::handleOf(uint64_t address, const Guid& uuid) const {
    std::lock_guard lock(world_->m);
    DeviceState* d = world_->find(address);
    if (!d) return 0;
    for (const auto& s : d->db.services()) {
        if (s.uuid == uuid) return s.handle;
        for (const auto& c : s.characteristics) {
            if (c.uuid == uuid) return c.handle;
            for (const auto& desc : c.descriptors)
                if (desc.uuid == uuid) return desc.handle;
        }
    }
    return 0;
}

std::vector<uint64_t> SimStack::addresses() const {
    std::lock_guard lock(world_->m);
    std::vector<uint64_t> out;
    for (const auto& d : world_->devices) out.push_back(d->def.address);
    return out;
}

}  // namespace zenu::sim
