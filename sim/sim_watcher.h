#pragma once
// The advertisement watcher of the simulated stack. While it is started, every advertising
// device in range sends an advertisement each interval (and, to an active watcher, a scan
// response after it); those that pass the service filter are raised as `received`.
#include <memory>
#include <random>

#include "platform/bluetooth/bluetooth_stack.h"
#include "sim/sim_world.h"

namespace zenu::sim {

class SimWatcher : public bluetooth::AdvertisementWatcher, public std::enable_shared_from_this<SimWatcher> {
public:
    explicit SimWatcher(std::shared_ptr<World> world);
    ~SimWatcher() override;

    bluetooth::ScanningMode scanningMode() const override;
    bool setScanningMode(bluetooth::ScanningMode mode) override;
    bool setServiceUuidFilter(const std::vector<Guid>& uuids) override;
    std::vector<Guid> serviceUuidFilter() const override;
    bluetooth::WatcherStatus status() const override;
    void start() override;
    void stop() override;

    // ---- for the world (its mutex held): the radio went off.
    void abortLocked(bluetooth::BluetoothErrorCode error, Pending& pending);

private:
    bool busyLocked() const;
    void scheduleAdvertising(uint64_t generation);
    void advertise(uint64_t address, uint64_t generation);

    std::shared_ptr<World> world_;
    // Guarded by the world's mutex.
    bluetooth::ScanningMode mode_ = bluetooth::ScanningMode::Passive;
    std::vector<Guid> filter_;
    bluetooth::WatcherStatus status_ = bluetooth::WatcherStatus::Created;
    uint64_t generation_ = 0;
    std::mt19937 jitter_{12345};
};

}  // namespace zenu::sim
