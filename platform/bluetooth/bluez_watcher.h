#pragma once
// The advertisement watcher on BlueZ's discovery: SetDiscoveryFilter (LE, the service UUIDs,
// every advertisement) and StartDiscovery; each Device1 that appears or changes its
// advertised properties while the watcher runs is an advertisement. BlueZ 5.66 hands out the
// parsed properties only, so the sections are rebuilt from them (bluez_mapping.h) and the
// advertisement type is not known: every advertisement counts as connectable undirected.
#include <memory>
#include <mutex>

#include "platform/bluetooth/bluetooth_stack.h"
#include "platform/bluetooth/bluez_context.h"

namespace zenu::bluetooth::bluez {

class BluezWatcher final : public AdvertisementWatcher, public std::enable_shared_from_this<BluezWatcher> {
public:
    explicit BluezWatcher(std::shared_ptr<BluezContext> ctx);
    ~BluezWatcher() override;

    ScanningMode scanningMode() const override;
    bool setScanningMode(ScanningMode mode) override;
    bool setServiceUuidFilter(const std::vector<Guid>& uuids) override;
    std::vector<Guid> serviceUuidFilter() const override;
    WatcherStatus status() const override;
    void start() override;
    void stop() override;

private:
    void begin();
    void end(WatcherStatus status, BluetoothErrorCode error);
    void onChange(const ObjectChange& change);
    bool busy() const;

    const std::shared_ptr<BluezContext> ctx_;
    mutable std::mutex m_;
    ScanningMode mode_ = ScanningMode::Passive;
    std::vector<Guid> filter_;
    WatcherStatus status_ = WatcherStatus::Created;
    // worker thread
    int listener_ = 0;
    bool joined_ = false;
    uint64_t round_ = 0;
};

}  // namespace zenu::bluetooth::bluez
