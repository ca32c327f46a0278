#pragma once
// The seam between the control's core and a Bluetooth LE stack. The core
// checks arguments, connection state and the object tree first, then asks the
// link. Without a stack (NullBleLink) no device is ever held, so every
// operation that needs a server fails in the core with error 605.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/core/gatt_tree.h"
#include "corvel/sig/status.h"
#include "corvel/sig/uuid.h"

namespace corvel {

class ControlCore;

class BleLink {
public:
    virtual ~BleLink() = default;

    // Called once by the core that owns the link.
    virtual void attach(ControlCore& core) { core_ = &core; }

    // A device object is held and has not been marked disconnected.
    virtual bool connected() const { return false; }
    virtual bool deviceHeld() const { return false; }
    virtual std::string serverName() const { return {}; }
    virtual bool scanning() const { return false; }

    virtual Status startScanning(const std::vector<Uuid>& filter, bool active);
    virtual Status stopScanning() { return {}; }
    // Fails with 604 (and its text) when the device cannot be obtained.
    virtual Status connect(uint64_t address, const std::string& serverId);
    virtual Status disconnect() { return {}; }

    virtual Status discoverServices(const std::vector<Uuid>& filter, const std::string& includedByServiceId);
    virtual Status discoverCharacteristics(const std::string& serviceId, const std::vector<Uuid>& filter);
    virtual Status discoverDescriptors(const std::string& serviceId, const std::string& characteristicId);
    virtual Status discover(const std::vector<Uuid>& serviceFilter, const std::vector<Uuid>& characteristicFilter,
                            bool descriptors, const std::string& includedByServiceId);

    // descriptorId "" addresses the characteristic itself.
    virtual Result<std::string> readValue(const std::string& serviceId, const std::string& characteristicId,
                                          const std::string& descriptorId, bool cached);
    virtual Status writeValue(const std::string& serviceId, const std::string& characteristicId,
                              const std::string& descriptorId, const std::string& value, bool withResponse);
    virtual Status setSubscription(const std::string& serviceId, const std::string& characteristicId, bool on);
    virtual Result<bool> readSubscription(const std::string& serviceId, const std::string& characteristicId);
    virtual Status writeUserDescription(const std::string& serviceId, const std::string& characteristicId,
                                        const std::string& text);

    // Makes sure descriptors of one kind have been discovered (once per
    // characteristic and kind) and refreshes what depends on them in the
    // characteristic's record. The record is found again by its Id afterwards:
    // event handlers may have reshaped the tree while the link waited.
    virtual void ensureDescriptors(const std::string& /*serviceId*/, const std::string& /*characteristicId*/,
                                   EnsuredKind /*kind*/)
    {
    }
    virtual std::optional<int> maxPduSize(const std::string& /*serviceId*/) const { return std::nullopt; }

    // Connect has fired Connected(0, "OK"); watching the connection state starts now.
    virtual void connectedFired() {}

protected:
    ControlCore* core_ = nullptr;
};

// No Bluetooth stack: nothing is ever connected or scanning.
class NullBleLink : public BleLink {};

// How a new control gets its link. The Bluetooth layer installs its factory when it
// is loaded; until then (or after setBleLinkFactory(nullptr)) controls get a NullBleLink.
using BleLinkFactory = std::unique_ptr<BleLink> (*)();
void setBleLinkFactory(BleLinkFactory factory);
std::unique_ptr<BleLink> createBleLink();

} // namespace corvel
