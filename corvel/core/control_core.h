#pragma once
// The control's core: settings, last error, logging, timeout, the object tree
// with its selection, and the argument and state checks of every method. It
// knows nothing of automation types; the COM face converts to and from it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "corvel/core/advertisement.h"
#include "corvel/core/ble_link.h"
#include "corvel/core/events.h"
#include "corvel/core/gatt_tree.h"
#include "corvel/core/host_loop.h"
#include "corvel/core/settings.h"
#include "corvel/sig/status.h"

namespace corvel {

class ControlCore {
public:
    explicit ControlCore(std::unique_ptr<BleLink> link = nullptr);
    ~ControlCore();
    ControlCore(const ControlCore&) = delete;
    ControlCore& operator=(const ControlCore&) = delete;

    void setEventSink(EventSink* sink) { sink_ = sink; }
    EventSink* eventSink() const { return sink_; }
    BleLink& link() { return *link_; }

    // ---- waiting (the host thread's loop)
    HostLoop& hostLoop() { return hostLoop_; }
    // Waits in wait steps until `slot` is done, bounded by Timeout. Success leaves
    // "Interrupted." behind as the last error text (the wait's stop reason); a timeout
    // fails with 301 "Timeout."; a quit of the host application or the control going
    // away fail with 301 "Interrupted.".
    Status awaitSlot(const WaitSlot& slot);
    // The wait steps' idle time while a method waits (SelectWaitMillis; its default when
    // that is not positive, so that a wait never spins).
    int waitIdleMs() const;
    void clearErrorCode() { lastErrorCode_ = 0; }

    // ---- errors
    // Records the failure's text (a default one when it has none) and returns it.
    Status fail(Status status);
    Status fail(int code, std::string text) { return fail(Status::failure(code, std::move(text))); }
    void recordText(std::string text) { lastErrorText_ = std::move(text); }
    // A failure that no method call can report (a scan the system aborted): recorded like
    // any other and fired as the Error event.
    void reportError(int code, std::string text);
    int lastErrorCode() const { return lastErrorCode_; }
    const std::string& lastErrorText() const { return lastErrorText_; }

    // ---- settings and logging
    const Settings& settings() const { return settings_; }
    int codePage() const { return settings_.codePage; }
    // "name", "name[i]", "name=value": returns the value text (bytes in the code page).
    Result<std::string> config(std::string_view request);
    // Whether `request` answers with device data (manufacturer or service data), which
    // crosses in the code page like every value; other answers are the control's texts.
    static bool configAnswersDeviceData(std::string_view request);
    void log(int level, std::string_view logType, std::string_view message);

    // ---- Timeout: seconds, or milliseconds with "TimeoutInMilliseconds".
    int32_t timeout() const { return timeout_; }
    void setTimeout(int32_t value);
    // The wait limit in milliseconds: 0 = none; a negative Timeout gives 1 (expires at once).
    int64_t timeoutMs() const;

    // ---- state properties
    bool activeScanning() const { return activeScanning_; }
    Status setActiveScanning(bool value);
    bool scanning() const { return link_->scanning(); }
    bool connected() const { return link_->connected(); }
    std::string serverId() const;
    std::string serverName() const;

    // ---- object tree and selection
    GattTree& tree() { return tree_; }
    const GattTree& tree() const { return tree_; }
    const std::string& selectedService() const { return selectedService_; }
    const std::string& selectedCharacteristic() const { return selectedCharacteristic_; }
    Status setService(std::string_view id);
    Status setCharacteristic(std::string_view id);
    Status select(std::string_view serviceId, std::string_view characteristicId);
    void clearTree();

    int serviceCount() const { return static_cast<int>(tree_.services().size()); }
    int characteristicCount() const;
    void setCharacteristicCount(int32_t count);
    int descriptorCount() const;

    // Index access; out of range records the 432 text and fails with 432.
    Result<ServiceRecord*> serviceAt(int32_t index);
    Result<CharacteristicRecord*> characteristicAt(int32_t index);
    Result<DescriptorRecord*> descriptorAt(int32_t index);

    Result<uint16_t> characteristicFlags(int32_t index);
    Result<bool> characteristicCanSubscribe(int32_t index);
    Result<std::string> characteristicUserDescription(int32_t index);
    Status setCharacteristicUserDescription(int32_t index, const std::string& text);
    Result<int> characteristicValueFormatCount(int32_t index);
    Result<int> characteristicValueFormatIndex(int32_t index);
    Status setCharacteristicValueFormatIndex(int32_t index, int32_t formatIndex);
    Result<int> characteristicValueFormat(int32_t index);
    Result<int> characteristicValueExponent(int32_t index);
    Result<std::string> characteristicValueUnit(int32_t index);

    // ---- methods
    Result<bool> checkCharacteristicSubscribed(int32_t index);
    Status connect(std::string_view serverId);
    Status disconnect();
    Status discover(std::string_view serviceUuids, std::string_view characteristicUuids, bool descriptors,
                    std::string_view includedByServiceId);
    Status discoverCharacteristics(std::string_view serviceId, std::string_view characteristicUuids);
    Status discoverDescriptors(std::string_view serviceId, std::string_view characteristicId);
    Status discoverServices(std::string_view serviceUuids, std::string_view includedByServiceId);
    void doEvents();
    Status postValue(std::string_view serviceId, std::string_view characteristicId, const std::string& value);
    Result<std::string> queryCharacteristicCachedVal(int32_t index);
    Result<std::string> queryDescriptorCachedVal(int32_t index);
    Result<std::string> readValue(std::string_view serviceId, std::string_view characteristicId,
                                  std::string_view descriptorId);
    Status startScanning(std::string_view serviceUuids);
    Status stopScanning();
    Status subscribe(std::string_view serviceId, std::string_view characteristicId);
    Status unsubscribe(std::string_view serviceId, std::string_view characteristicId);
    Status writeValue(std::string_view serviceId, std::string_view characteristicId,
                      std::string_view descriptorId, const std::string& value);

    // ---- advertisement in delivery (advertisement-only settings read it)
    // Fires Advertisement with `adv` as the current advertisement while the handlers run;
    // afterwards the previous one (normally none) is current again.
    void deliverAdvertisement(const AdvertisementContext& adv, const AdvertisementArgs& args);
    void setCurrentAdvertisement(const AdvertisementContext* adv) { currentAdvertisement_ = adv; }
    const AdvertisementContext* currentAdvertisement() const { return currentAdvertisement_; }

private:
    friend class ConfigTable;

    Status requireConnection();
    // Checks shared by reads and writes: connection, Ids, lookups.
    Status checkValueTarget(std::string_view serviceId, std::string_view characteristicId,
                            std::string_view descriptorId, bool postStyle);
    Result<ServiceRecord*> findService(std::string_view id);
    Result<CharacteristicRecord*> findCharacteristic(ServiceRecord& service, std::string_view id);
    // Both looked up (601 when either was not discovered); `service` receives the service's record.
    Result<CharacteristicRecord*> findCharacteristic(std::string_view serviceId, std::string_view characteristicId,
                                                     ServiceRecord** service = nullptr);
    ServiceRecord* selectedServiceRecord();
    CharacteristicRecord* selectedCharacteristicRecord();
    Result<CharacteristicRecord*> characteristicWithFormats(int32_t index);

    // Declared first: the host loop reads the settings, and the link (destroyed first)
    // queues its work on the host loop.
    Settings settings_;
    HostLoop hostLoop_;
    std::unique_ptr<BleLink> link_;
    EventSink* sink_ = nullptr;
    int lastErrorCode_ = 0;
    std::string lastErrorText_;
    int32_t timeout_ = 60;
    bool activeScanning_ = false;
    GattTree tree_;
    std::string selectedService_;
    std::string selectedCharacteristic_;
    std::string serverId_;
    const AdvertisementContext* currentAdvertisement_ = nullptr;
};

} // namespace corvel
