#include "sim/sim_watcher.h"

#include <algorithm>

#include "sim/advertising_payload.h"

namespace zenu::sim {

using namespace bluetooth;

SimWatcher::SimWatcher(std::shared_ptr<World> world) : world_(std::move(world)) {}

SimWatcher::~SimWatcher() = default;  // advertising jobs hold the watcher weakly and end by themselves

ScanningMode SimWatcher::scanningMode() const {
    std::lock_guard lock(world_->m);
    return mode_;
}

bool SimWatcher::busyLocked() const {
    return status_ == WatcherStatus::Started || status_ == WatcherStatus::Stopping;
}

bool SimWatcher::setScanningMode(ScanningMode mode) {
    std::lock_guard lock(world_->m);
    if (busyLocked()) return false;
    mode_ = mode;
    return true;
}

bool SimWatcher::setServiceUuidFilter(const std::vector<Guid>& uuids) {
    std::lock_guard lock(world_->m);
    if (busyLocked()) return false;
    filter_ = uuids;
    return true;
}

std::vector<Guid> SimWatcher::serviceUuidFilter() const {
    std::lock_guard lock(world_->m);
    return filter_;
}

WatcherStatus SimWatcher::status() const {
    std::lock_guard lock(world_->m);
    return status_;
}

void SimWatcher::start() {
    std::weak_ptr<SimWatcher> weak = weak_from_this();
    std::unique_lock lock(world_->m);
    if (busyLocked()) return;
    const uint64_t generation = ++generation_;
    const AdapterDef& adapter = world_->scenario.adapter;
    int delay = adapter.scanStartDelayMs;
    std::optional<BluetoothErrorCode> abort;
    if (!adapter.present || !world_->radioOn) abort = BluetoothErrorCode::RadioNotAvailable;
    else if (adapter.scanAbort) abort = adapter.scanAbort;
    if (abort) {
        status_ = WatcherStatus::Aborted;
        delay = 0;
    }
    lock.unlock();
    world_->scheduler.postIn(delay, [weak, generation, abort] {
        auto self = weak.lock();
        if (!self) return;
        std::optional<BluetoothErrorCode> stoppedWith = abort;
        {
            std::lock_guard guard(self->world_->m);
            if (generation != self->generation_) return;
            if (!stoppedWith && !self->world_->radioOn) {
                self->status_ = WatcherStatus::Aborted;
                stoppedWith = BluetoothErrorCode::RadioNotAvailable;
            } else if (!stoppedWith) {
                self->status_ = WatcherStatus::Started;
                self->scheduleAdvertising(generation);
            }
        }
        if (stoppedWith) self->stopped.raise(*stoppedWith);
    });
}

void SimWatcher::stop() {
    std::weak_ptr<SimWatcher> weak = weak_from_this();
    std::unique_lock lock(world_->m);
    // Already stopping: that stop finishes as a real stack's would; a new generation would cancel it.
    if (status_ == WatcherStatus::Stopping) return;
    const uint64_t generation = ++generation_;  // ends advertising and any start still on its way
    if (status_ != WatcherStatus::Started) return;
    status_ = WatcherStatus::Stopping;
    const int delay = world_->scenario.adapter.scanStopDelayMs;
    lock.unlock();
    world_->scheduler.postIn(delay, [weak, generation] {
        auto self = weak.lock();
        if (!self) return;
        {
            std::lock_guard guard(self->world_->m);
            if (generation != self->generation_ || self->status_ != WatcherStatus::Stopping) return;
            self->status_ = WatcherStatus::Stopped;
        }
        self->stopped.raise(BluetoothErrorCode::Success);
    });
}

void SimWatcher::abortLocked(BluetoothErrorCode error, Pending& pending) {
    if (!busyLocked()) return;
    ++generation_;
    status_ = WatcherStatus::Aborted;
    auto self = shared_from_this();
    pending.push_back([self, error] { self->stopped.raise(error); });
}

void SimWatcher::scheduleAdvertising(uint64_t generation) {
    std::weak_ptr<SimWatcher> weak = weak_from_this();
    int index = 0;
    for (const auto& d : world_->devices) {
        const int interval = std::max(10, d->def.advertising.intervalMs);
        const int phase = (index++ * 13) % interval;
        const uint64_t address = d->def.address;
        world_->scheduler.postIn(phase, [weak, address, generation] {
            if (auto self = weak.lock()) self->advertise(address, generation);
        });
    }
}

void SimWatcher::advertise(uint64_t address, uint64_t generation) {
    std::vector<AdvertisementReceivedArgs> out;
    {
        std::lock_guard lock(world_->m);
        if (generation != generation_ || status_ != WatcherStatus::Started) return;
        DeviceState* d = world_->find(address);
        if (!d) return;
        const AdvertisingDef& adv = d->def.advertising;
        if (adv.enabled && world_->reachable(*d)) {
            AdvertisementReceivedArgs args;
            args.bluetoothAddress = address;
            args.addressType = adv.addressType;
            int rssi = adv.rssi;
            if (adv.rssiJitter > 0) rssi += std::uniform_int_distribution<int>(-adv.rssiJitter, adv.rssiJitter)(jitter_);
            args.rawSignalStrengthInDBm = static_cast<int16_t>(std::clamp(rssi, -127, 20));
            args.advertisementType = adv.type;
            args.timestamp = std::chrono::system_clock::now();
            const std::string name = d->advertisedNameFollows ? d->name : adv.data.name.value_or("");
            args.advertisement = buildAdvertisement(adv.data, name);
            const auto& uuids = args.advertisement.serviceUuids;
            const bool passes = filter_.empty() || std::any_of(uuids.begin(), uuids.end(), [&](const Guid& g) {
                                    return std::find(filter_.begin(), filter_.end(), g) != filter_.end();
                                });
            if (passes) {
                out.push_back(args);
                if (mode_ == ScanningMode::Active && adv.scanResponse) {
                    AdvertisementReceivedArgs response = args;
                    response.advertisementType = AdvertisementType::ScanResponse;
                    response.advertisement =
                        buildAdvertisement(*adv.scanResponse, adv.scanResponse->name.value_or(""));
                    out.push_back(std::move(response));
                }
            }
        }
        std::weak_ptr<SimWatcher> weak = weak_from_this();
        world_->scheduler.postIn(std::max(10, adv.intervalMs), [weak, address, generation] {
            if (auto self = weak.lock()) self->advertise(address, generation);
        });
    }
    for (const auto& args : out) received.raise(args);
}

}  // namespace zenu::sim
