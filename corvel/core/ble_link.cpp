#include "corvel/core/ble_link.h"

#include <atomic>

#include "corvel/sig/errors.h"

namespace corvel {

namespace {
Status notConnected() { return Status::failure(kErrNotConnected, text::kNotConnected); }
std::atomic<BleLinkFactory> gFactory{nullptr};
} // namespace

void setBleLinkFactory(BleLinkFactory factory) { gFactory.store(factory); }

std::unique_ptr<BleLink> createBleLink()
{
    if (const BleLinkFactory factory = gFactory.load())
        if (std::unique_ptr<BleLink> link = factory())
            return link;
    return std::make_unique<NullBleLink>();
}

Status BleLink::startScanning(const std::vector<Uuid>&, bool)
{
    return Status::failure(kErrNoAdapter, "No Bluetooth adapter found.");
}

Status BleLink::connect(uint64_t, const std::string& serverId)
{
    return Status::failure(kErrConnectionFailed, "Connection to server ID " + serverId + " was unsuccessful.");
}

Status BleLink::discoverServices(const std::vector<Uuid>&, const std::string&) { return notConnected(); }
Status BleLink::discoverCharacteristics(const std::string&, const std::vector<Uuid>&) { return notConnected(); }
Status BleLink::discoverDescriptors(const std::string&, const std::string&) { return notConnected(); }
Status BleLink::discover(const std::vector<Uuid>&, const std::vector<Uuid>&, bool, const std::string&)
{
    return notConnected();
}

Result<std::string> BleLink::readValue(const std::string&, const std::string&, const std::string&, bool)
{
    return Result<std::string>::fail(notConnected());
}

Status BleLink::writeValue(const std::string&, const std::string&, const std::string&, const std::string&, bool)
{
    return notConnected();
}

Status BleLink::setSubscription(const std::string&, const std::string&, bool) { return notConnected(); }

Result<bool> BleLink::readSubscription(const std::string&, const std::string&)
{
    return Result<bool>::fail(notConnected());
}

Status BleLink::writeUserDescription(const std::string&, const std::string&, const std::string&)
{
    return notConnected();
}

} // namespace corvel
