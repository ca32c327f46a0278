#pragma once
// Shared helpers of the control's tests: a private registry, late-bound calls with their
// error information, a recording event sink, and a scripted Bluetooth link that stands in
// for a device so that the object tree, values and events can be driven by dispatch.
#include "corvel/core/ble_link.h"
#include "corvel/core/control_core.h"
#include "platform/com/host_site.h"
#include "platform/com/unknown.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <map>
#include <string>
#include <vector>

namespace corveltest {

// ---------------------------------------------------------------- environment

// A fresh registry folder in CORVEL_REGISTRY and no CORVEL_LIBRARY_PATH for the test's duration.
class RegistryScope {
public:
    RegistryScope();
    ~RegistryScope();
    RegistryScope(const RegistryScope&) = delete;
    RegistryScope& operator=(const RegistryScope&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// ---------------------------------------------------------------- late-bound calls

// What one Invoke gave back.
struct Outcome {
    HRESULT hr = S_OK;        // as Invoke returned it
    HRESULT scode = S_OK;     // EXCEPINFO's code when hr is DISP_E_EXCEPTION, else hr
    Variant value;
    std::string description;
    std::string source;
    uint32_t helpContext = 0;

    bool ok() const { return SUCCEEDED(hr); }
    std::string text() const;     // the value as a UTF-8 string (BSTR only)
    int number() const;           // VT_I2 / VT_I4 / VT_BOOL
};

// An IDispatch pointer with call helpers. Owns one reference.
class Control {
public:
    Control() = default;
    explicit Control(IDispatch* dispatch) : d_(dispatch) {}
    ~Control() { reset(); }
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    Control(Control&& o) noexcept : d_(o.d_) { o.d_ = nullptr; }
    Control& operator=(Control&& o) noexcept
    {
        if (this != &o) {
            reset();
            d_ = o.d_;
            o.d_ = nullptr;
        }
        return *this;
    }
    void reset();
    IDispatch* get() const { return d_; }
    explicit operator bool() const { return d_ != nullptr; }

    DISPID id(const char* name) const;   // through GetIDsOfNames; DISPID_UNKNOWN when unknown
    Outcome invoke(DISPID dispid, uint16_t flags, std::vector<Variant> args) const;
    Outcome get(const char* name, std::vector<Variant> index = {}) const;
    Outcome put(const char* name, Variant value) const;
    Outcome putAt(const char* name, Variant index, Variant value) const;
    Outcome call(const char* name, std::vector<Variant> args = {}) const;
    // Config(text) that must succeed; its result text.
    std::string config(const std::string& request) const;

private:
    IDispatch* d_ = nullptr;
};

Variant Str(std::string_view utf8);
Variant Str16(std::u16string_view text);
Variant I2(int16_t v);
Variant I4(int32_t v);
Variant Bool(bool v);

// The control created by CLSID from the real library (registry, else beside the test).
Control createControl();
// A control of this process (the static control library) around `link`.
Control createControlWith(std::unique_ptr<corvel::BleLink> link);

// A host site given to the control for the holder's lifetime (run time by default).
class Site {
public:
    explicit Site(const Control& control);
    ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;
    void design(bool on) { site_->setUserMode(!on); }
    HostSite* get() const { return site_; }

private:
    IDispatch* control_;
    HostSite* site_;
};

// ---------------------------------------------------------------- events

struct EventCall {
    DISPID dispid = 0;
    uint32_t lcid = 0;
    uint16_t flags = 0;
    uint32_t namedArgs = 0;
    std::vector<VARTYPE> types;       // in argument order
    std::vector<std::string> values;  // printed as corvelsh prints them, in argument order
};

// An event sink that records every call; `onEvent` runs inside the call and may change the
// by-reference arguments (args in argument order) or call back into the control.
class RecordingSink final : public IDispatch {
public:
    using Hook = std::function<void(DISPID dispid, std::vector<VARIANT*>& args)>;
    RecordingSink();   // reference count 1

    HRESULT QueryInterface(REFIID iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetTypeInfo(uint32_t, uint32_t, void** typeInfo) override;
    HRESULT GetIDsOfNames(REFIID, const OLECHAR**, uint32_t, uint32_t, DISPID*) override;
    HRESULT Invoke(DISPID dispid, REFIID, uint32_t lcid, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO*, uint32_t*) override;

    // Connects to the control's _ICorvelEvents; disconnects in the destructor of the holder.
    bool advise(const Control& control);
    void unadvise();

    std::vector<EventCall> calls;
    Hook onEvent;
    std::vector<EventCall> named(DISPID dispid) const;

private:
    ~RecordingSink();
    std::atomic<uint32_t> refs_{1};
    IConnectionPoint* point_ = nullptr;
    uint32_t cookie_ = 0;
};

// Owns one RecordingSink and its connection.
class Sink {
public:
    explicit Sink(const Control& control);
    ~Sink();
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    RecordingSink* operator->() const { return sink_; }
    RecordingSink& operator*() const { return *sink_; }

private:
    RecordingSink* sink_;
};

// ---------------------------------------------------------------- scripted device

struct FakeDescriptor {
    uint16_t handle = 0;
    uint16_t uuid16 = 0;
    std::string value;
};

struct FakeCharacteristic {
    uint16_t handle = 0;
    corvel::Uuid uuid;
    uint32_t osProperties = 0;   // the operating system's property bits
    std::string value;
    std::string userDescription;
    std::vector<corvel::PresentationFormat> formats;
    std::vector<FakeDescriptor> descriptors;
};

struct FakeService {
    uint16_t handle = 0;
    corvel::Uuid uuid;
    std::vector<FakeCharacteristic> characteristics;
    std::vector<uint16_t> includes;   // handles of included services
};

// What the link serves and what it was asked.
struct FakeDevice {
    uint64_t address = 0x001122AABBCCull;
    std::string name = "Zenu Gauge";
    std::vector<FakeService> services;
    bool canPair = false;
    int16_t pairingKind = 4;
    std::string offeredPin = "0000";
    int subscriptionWrites = 0;

    // Results
    std::vector<std::pair<std::string, std::string>> writes;   // (target Id, bytes)
    std::string pairingPin;
    bool pairingAccepted = false;
    bool scanning = false;
    std::function<void()> onConnect;   // runs first in Connect (a test may throw from it)
};

// A BleLink that serves a FakeDevice. Discovery adds every object and fires Discovered;
// reads fire Value; writes are recorded.
class FakeBleLink final : public corvel::BleLink {
public:
    explicit FakeBleLink(FakeDevice& device) : device_(device) {}

    bool connected() const override { return held_ && online_; }
    bool deviceHeld() const override { return held_; }
    std::string serverName() const override { return device_.name; }
    bool scanning() const override { return device_.scanning; }

    corvel::Status startScanning(const std::vector<corvel::Uuid>& filter, bool active) override;
    corvel::Status stopScanning() override;
    corvel::Status connect(uint64_t address, const std::string& serverId) override;
    corvel::Status disconnect() override;
    corvel::Status discoverServices(const std::vector<corvel::Uuid>& filter, const std::string& includedBy) override;
    corvel::Status discoverCharacteristics(const std::string& serviceId,
                                           const std::vector<corvel::Uuid>& filter) override;
    corvel::Status discoverDescriptors(const std::string& serviceId, const std::string& characteristicId) override;
    corvel::Status discover(const std::vector<corvel::Uuid>& services, const std::vector<corvel::Uuid>& chars,
                            bool descriptors, const std::string& includedBy) override;
    corvel::Result<std::string> readValue(const std::string& serviceId, const std::string& characteristicId,
                                          const std::string& descriptorId, bool cached) override;
    corvel::Status writeValue(const std::string& serviceId, const std::string& characteristicId,
                              const std::string& descriptorId, const std::string& value, bool withResponse) override;
    corvel::Status setSubscription(const std::string& serviceId, const std::string& characteristicId,
                                   bool on) override;
    corvel::Result<bool> readSubscription(const std::string& serviceId, const std::string& characteristicId) override;
    std::optional<int> maxPduSize(const std::string&) const override { return 247; }

    // Test controls: the device going offline / online, an advertisement, a notification.
    void goOffline() { online_ = false; }
    void goOnline() { online_ = true; }
    corvel::ControlCore& core() { return *core_; }

private:
    const FakeService* service(const std::string& id) const;
    const FakeCharacteristic* characteristic(const std::string& serviceId, const std::string& id) const;
    void addService(const FakeService& s, const FakeService* parent);
    void addCharacteristics(const FakeService& s, const std::vector<corvel::Uuid>& filter, bool descriptors);
    void addDescriptors(const FakeService& s, const FakeCharacteristic& c);

    FakeDevice& device_;
    bool held_ = false;
    bool online_ = false;
};

// A device with a Battery Service (0x0010; Battery Level 0x0012 with CCCD 0x0014 and a
// presentation format), a Device Information service (0x0020; Model Number 0x0022), a
// vendor service (0x00AB, 128-bit UUID) that the Battery Service includes, with a
// characteristic (0x00AD) of every flag and two presentation formats.
FakeDevice sampleDevice();

// The Battery Service UUID etc. in the 36-character form.
inline constexpr const char* kBatteryService = "0000180F-0000-1000-8000-00805F9B34FB";
inline constexpr const char* kBatteryLevel = "00002A19-0000-1000-8000-00805F9B34FB";
inline constexpr const char* kVendorService = "6E400001-B5A3-F393-E0A9-E50E24DCCA9E";
inline constexpr const char* kVendorCharacteristic = "6E400003-B5A3-F393-E0A9-E50E24DCCA9E";

// A control around a FakeBleLink; the link stays reachable for test controls.
struct FakeSetup {
    FakeDevice device;
    FakeBleLink* link = nullptr;
    Control control;
};
// Creates the control around `device`; `connectAndDiscover` runs Connect and Discover("", "", True, "").
void makeFake(FakeSetup& setup, FakeDevice device, bool connectAndDiscover);

std::string hex(std::string_view bytes);   // "41 00 42"

} // namespace corveltest
