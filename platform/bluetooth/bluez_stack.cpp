#include "platform/bluetooth/bluez_stack.h"

#include <mutex>

namespace zenu::bluetooth {

namespace {

// Without an adapter a scan cannot start: Start ends in Aborted with RadioNotAvailable.
class NoRadioWatcher : public AdvertisementWatcher {
public:
    ScanningMode scanningMode() const override {
        std::lock_guard lock(m_);
        return mode_;
    }
    bool setScanningMode(ScanningMode mode) override {
        std::lock_guard lock(m_);
        mode_ = mode;
        return true;
    }
    bool setServiceUuidFilter(const std::vector<Guid>& uuids) override {
        std::lock_guard lock(m_);
        filter_ = uuids;
        return true;
    }
    std::vector<Guid> serviceUuidFilter() const override {
        std::lock_guard lock(m_);
        return filter_;
    }
    WatcherStatus status() const override {
        std::lock_guard lock(m_);
        return status_;
    }
    void start() override {
        {
            std::lock_guard lock(m_);
            status_ = WatcherStatus::Aborted;
        }
        stopped.raise(BluetoothErrorCode::RadioNotAvailable);
    }
    void stop() override {}

private:
    mutable std::mutex m_;
    ScanningMode mode_ = ScanningMode::Passive;
    std::vector<Guid> filter_;
    WatcherStatus status_ = WatcherStatus::Created;
};

}  // namespace

Async<std::optional<AdapterInfo>> BluezStack::getDefaultAdapterAsync() {
    return completedAsync<std::optional<AdapterInfo>>(std::nullopt);
}

std::shared_ptr<AdvertisementWatcher> BluezStack::createAdvertisementWatcher() {
    return std::make_shared<NoRadioWatcher>();
}

Async<std::shared_ptr<Device>> BluezStack::fromBluetoothAddressAsync(uint64_t) {
    return completedAsync<std::shared_ptr<Device>>(nullptr);
}

}  // namespace zenu::bluetooth
