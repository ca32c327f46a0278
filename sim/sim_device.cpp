#include "sim/sim_device.h"

#include "sim/sim_gatt_objects.h"

namespace zenu::sim {

using namespace bluetooth;

ClientIdentity identityOf(const SimDevice& client) { return {client.bluetoothAddress(), client.session()}; }
bool isClosed(const SimDevice& client) { return client.closed(); }

SimDevice::SimDevice(std::shared_ptr<World> world, uint64_t address, AddressType type, uint64_t session)
    : world_(std::move(world)), address_(address), addressType_(type), session_(session), pairing_(*this) {}

SimDevice::~SimDevice() {
    if (closed_) return;
    // Dropping the object releases the device like close(); the world is locked later, on
    // its own thread, since the last reference may go while it is locked.
    std::weak_ptr<World> weak = world_;
    const uint64_t address = address_, session = session_;
    world_->scheduler.postIn(0, [weak, address, session] {
        auto w = weak.lock();
        if (!w) return;
        Pending pending;
        {
            std::lock_guard lock(w->m);
            DeviceState* d = w->find(address);
            if (d && d->session == session && d->client.expired()) w->clientClosed(*d, pending);
        }
        for (auto& p : pending) p();
    });
}

std::string SimDevice::name() const {
    std::lock_guard lock(world_->m);
    const DeviceState* d = world_->find(address_);
    return d ? d->name : std::string();
}

ConnectionStatus SimDevice::connectionStatus() const {
    std::lock_guard lock(world_->m);
    const DeviceState* d = world_->find(address_);
    return d && d->session == session_ && d->linkOpen ? ConnectionStatus::Connected : ConnectionStatus::Disconnected;
}

void SimDevice::close() {
    if (closed_.exchange(true)) return;
    Pending pending;
    {
        std::lock_guard lock(world_->m);
        DeviceState* d = world_->find(address_);
        if (d && d->session == session_) world_->clientClosed(*d, pending);
    }
    for (auto& p : pending) p();
}

std::shared_ptr<SimService> SimDevice::serviceObject(const ServiceDef& s) {
    if (auto existing = services_[s.handle].lock(); existing && existing->uuid() == s.uuid) return existing;
    auto created = std::make_shared<SimService>(shared_from_this(), s.handle, s.uuid);
    services_[s.handle] = created;
    return created;
}

std::shared_ptr<SimCharacteristic> SimDevice::characteristicObject(const ServiceDef& s, const CharacteristicDef& c) {
    if (auto existing = characteristics_[c.handle].lock(); existing && existing->uuid() == c.uuid) return existing;
    auto created = std::make_shared<SimCharacteristic>(shared_from_this(), s.handle, c.handle, c.uuid);
    characteristics_[c.handle] = created;
    return created;
}

std::shared_ptr<SimDescriptor> SimDevice::descriptorObject(const CharacteristicDef& c, const DescriptorDef& d) {
    if (auto existing = descriptors_[d.handle].lock(); existing && existing->uuid() == d.uuid) return existing;
    auto created = std::make_shared<SimDescriptor>(shared_from_this(), c.handle, d.handle, d.uuid);
    descriptors_[d.handle] = created;
    return created;
}

std::shared_ptr<SimCharacteristic> SimDevice::existingCharacteristic(uint16_t handle) {
    auto it = characteristics_.find(handle);
    return it == characteristics_.end() ? nullptr : it->second.lock();
}

GattServicesResult SimDevice::servicesResult(DeviceState& d, const std::optional<Guid>& uuid, bool cached) {
    GattServicesResult r;
    if (!cached)
        if (auto e = GattDatabase::takeError(d.def.gatt.errors, ErrorOp::Discover)) {
            r.status = e->status;
            if (e->status == CommunicationStatus::ProtocolError) r.protocolError = e->code;
            return r;
        }
    for (const auto& s : d.db.services())
        if (s.primary && (!uuid || s.uuid == *uuid)) r.services.push_back(serviceObject(s));
    return r;
}

Async<GattServicesResult> SimDevice::getGattServicesAsync(CacheMode mode) {
    const bool cached = mode == CacheMode::Cached;
    int ms;
    {
        std::lock_guard lock(world_->m);
        const DeviceState* d = world_->find(address_);
        ms = d ? world_->latency(*d, cached ? LatencyKind::Cached : LatencyKind::Discovery) : 0;
    }
    auto self = shared_from_this();
    return world_->request<GattServicesResult>(*this, ms, !cached, [self, cached](DeviceState& d, Pending&) {
        return self->servicesResult(d, std::nullopt, cached);
    });
}

Async<GattServicesResult> SimDevice::getGattServicesForUuidAsync(const Guid& uuid, CacheMode mode) {
    const bool cached = mode == CacheMode::Cached;
    int ms;
    {
        std::lock_guard lock(world_->m);
        const DeviceState* d = world_->find(address_);
        ms = d ? world_->latency(*d, cached ? LatencyKind::Cached : LatencyKind::Discovery) : 0;
    }
    auto self = shared_from_this();
    return world_->request<GattServicesResult>(*this, ms, !cached, [self, uuid, cached](DeviceState& d, Pending&) {
        return self->servicesResult(d, uuid, cached);
    });
}

// ---- pairing

bool SimPairing::canPair() const {
    std::lock_guard lock(device_.world().m);
    const DeviceState* d = device_.world().find(device_.bluetoothAddress());
    return d && d->def.pairing.canPair;
}

bool SimPairing::isPaired() const {
    std::lock_guard lock(device_.world().m);
    const DeviceState* d = device_.world().find(device_.bluetoothAddress());
    return d && d->paired;
}

Async<PairingResult> SimPairing::pairAsync(uint32_t kinds) {
    auto op = makeAsync<PairingResult>();
    std::weak_ptr<World> weakWorld = device_.worldPtr();
    std::weak_ptr<SimDevice> weakDevice = device_.weak_from_this();
    const uint64_t address = device_.bluetoothAddress(), session = device_.session();
    World& world = device_.world();
    int ms = 0, timeoutMs = 30000;
    {
        std::lock_guard lock(world.m);
        const DeviceState* d = world.find(address);
        if (!d || d->session != session || device_.closed()) {
            op->fail(World::kClosedText);
            return op;
        }
        ms = world.latency(*d, LatencyKind::Pair);
        timeoutMs = d->def.pairing.timeoutMs;
    }
    // The first outcome counts: an answer after the timeout changes nothing.
    auto decided = std::make_shared<std::atomic<bool>>(false);
    auto finish = [op, weakWorld, address, session, decided](PairingStatus status) {
        if (decided->exchange(true)) return;
        if (status == PairingStatus::Paired) {
            auto w = weakWorld.lock();
            if (!w) {
                status = PairingStatus::Failed;
            } else {
                std::lock_guard lock(w->m);
                DeviceState* d = w->find(address);
                if (d && d->session == session) d->paired = true;
                else status = PairingStatus::Failed;
            }
        }
        op->complete(PairingResult{status});
    };
    world.scheduler.postIn(
        ms,
        [weakWorld, weakDevice, address, session, kinds, finish, timeoutMs, op, decided] {
            auto w = weakWorld.lock();
            auto device = weakDevice.lock();
            std::optional<PairingStatus> outcome;
            std::string expectedPin;
            uint32_t kind = 0;
            if (!w || !device) {
                outcome = PairingStatus::Failed;
            } else {
                std::lock_guard lock(w->m);
                DeviceState* d = w->find(address);
                const PairingDef* p = d ? &d->def.pairing : nullptr;
                if (!d || d->session != session || device->closed()) outcome = PairingStatus::Failed;
                else if (p->result) outcome = *p->result;
                else if (!p->canPair) outcome = PairingStatus::NotReadyToPair;
                else if (d->paired) outcome = PairingStatus::AlreadyPaired;
                else if (!w->linkable(*d)) outcome = PairingStatus::ConnectionRejected;
                else if (!(kinds & p->kind)) outcome = PairingStatus::NoSupportedProfiles;
                else if (device->pairing().pairingRequested.empty())
                    outcome = PairingStatus::RequiredHandlerNotRegistered;
                if (p) {
                    kind = p->kind;
                    expectedPin = p->pin;
                }
            }
            if (outcome) {
                finish(*outcome);
                return;
            }
            const bool provide = kind == pairing_kinds::kProvidePin;
            auto request = std::make_shared<PairingRequest>(kind, provide ? std::string() : expectedPin);
            request->setDecisionHandler([finish, provide, expectedPin](bool accepted, const std::string& pin) {
                if (!accepted) finish(PairingStatus::RejectedByHandler);
                else if (provide && pin != expectedPin) finish(PairingStatus::AuthenticationFailure);
                else finish(PairingStatus::Paired);
            });
            w->scheduler.postIn(timeoutMs, [finish] { finish(PairingStatus::AuthenticationTimeout); },
                                [op, decided] {
                                    if (!decided->exchange(true)) op->cancel();
                                });
            device->pairing().pairingRequested.raise(request);
            request->handlersReturned();
        },
        [op] { op->cancel(); });
    return op;
}

Async<UnpairingResult> SimPairing::unpairAsync() {
    auto world = device_.worldPtr();
    const uint64_t address = device_.bluetoothAddress();
    int ms = 0;
    {
        std::lock_guard lock(world->m);
        if (const DeviceState* d = world->find(address)) ms = world->latency(*d, LatencyKind::Pair);
    }
    return world->answer<UnpairingResult>(ms, [world, address](Pending&) {
        DeviceState* d = world->find(address);
        if (!d || !d->paired) return UnpairingResult{UnpairingStatus::AlreadyUnpaired};
        d->paired = false;
        return UnpairingResult{UnpairingStatus::Unpaired};
    });
}

}  // namespace zenu::sim
