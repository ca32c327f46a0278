#pragma once
// The BLE client control as any host sees it: created by its ProgID through the automation
// layer and called late-bound by member name, its events received through the connection
// point. Plain C++ on QtCore; the gauge session is the only user.
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace com {
class IDispatch;
class HostSite;
class EventSink;
class IConnectionPoint;
}  // namespace com

namespace zenu {

// The events of _ICorvelEvents the program handles, with the arguments it reads.
class CorvelEvents {
public:
    virtual ~CorvelEvents() = default;
    virtual void onAdvertisement(const QString& serverId, const QString& name, int rssi) = 0;
    virtual void onStartScan() {}
    virtual void onConnected(int status, const QString& description) = 0;
    virtual void onDisconnected(int status, const QString& description) = 0;
    virtual void onDiscovered(int kind, const QString& serviceId, const QString& characteristicId,
                              const QString& uuid) = 0;
    virtual void onValue(const QString& serviceId, const QString& characteristicId, const QString& value) = 0;
    virtual void onWriteResponse(const QString& serviceId, const QString& characteristicId) = 0;
    virtual void onSubscribed(const QString& characteristicId) = 0;
    virtual void onUnsubscribed(const QString& characteristicId) = 0;
    virtual void onError(int code, const QString& description) = 0;
};

// Result of one call: the automation error's number (the HRESULT) and description on failure.
struct CorvelCall {
    bool ok = true;
    int32_t number = 0;
    QString description;
    QString value;  // string results (ReadValue, Config)
    explicit operator bool() const { return ok; }
};

class CorvelClient {
public:
    static constexpr const char16_t* kProgId = u"AstrelBLE.Corvel";

    explicit CorvelClient(CorvelEvents& events);
    ~CorvelClient();
    CorvelClient(const CorvelClient&) = delete;
    CorvelClient& operator=(const CorvelClient&) = delete;

    // Creates the control by its ProgID, gives it a site and connects the event sink.
    CorvelCall create();
    bool created() const { return control_ != nullptr; }
    // Disconnects the sink and lets go of the control (which stops scanning and disconnects).
    void release();

    CorvelCall config(const QString& setting);
    CorvelCall setActiveScanning(bool on);
    CorvelCall setTimeoutMs(int ms);
    CorvelCall startScanning(const QString& serviceUuids);
    CorvelCall stopScanning();
    CorvelCall connect(const QString& serverId);
    CorvelCall disconnect();
    CorvelCall discover(const QString& serviceUuids, const QString& characteristicUuids, bool descriptors,
                        const QString& includingServiceId);
    CorvelCall readValue(const QString& serviceId, const QString& characteristicId,
                         const QString& descriptorId = {});
    CorvelCall writeValue(const QString& serviceId, const QString& characteristicId, const QString& descriptorId,
                          const QString& value);
    CorvelCall subscribe(const QString& serviceId, const QString& characteristicId);
    CorvelCall unsubscribe(const QString& serviceId, const QString& characteristicId);

private:
    struct Arg;
    CorvelCall invoke(const char16_t* name, uint16_t flags, std::initializer_list<Arg> args);
    void onEvent(int32_t dispid, void* params);

    CorvelEvents& events_;
    com::IDispatch* control_ = nullptr;
    com::HostSite* site_ = nullptr;
    com::EventSink* sink_ = nullptr;
    com::IConnectionPoint* point_ = nullptr;
    uint32_t cookie_ = 0;
    std::map<std::u16string, int32_t> dispids_;
};

}  // namespace zenu
