#pragma once
// The Corvel control object: ICorvel (dispatch), its event connection point,
// error information, the host's site, and the core's events turned into
// automation calls.
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "corvel/core/control_core.h"
#include "corvel/core/events.h"
#include "platform/com/connection_point.h"
#include "platform/com/unknown.h"

namespace corvel {

struct MemberInfo;

// Live objects and server locks, for DllCanUnloadNow.
std::atomic<long>& liveObjectCount();
std::atomic<long>& serverLockCount();

class CorvelControl final : public com::IDispatch,
                            public com::IConnectionPointContainer,
                            public com::ISupportErrorInfo,
                            public com::IObjectWithSiteLite,
                            public com::IProvideEventNames,
                            public corvel::EventSink {
public:
    // Reference count 1. Without a link the installed factory's (createBleLink) is used.
    explicit CorvelControl(std::unique_ptr<BleLink> link = nullptr);

    // IUnknown
    com::HRESULT QueryInterface(com::REFIID iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IDispatch
    com::HRESULT GetTypeInfoCount(uint32_t* count) override;
    com::HRESULT GetTypeInfo(uint32_t index, uint32_t lcid, void** typeInfo) override;
    com::HRESULT GetIDsOfNames(com::REFIID iid, const com::OLECHAR** names, uint32_t cNames, uint32_t lcid,
                               com::DISPID* dispids) override;
    com::HRESULT Invoke(com::DISPID dispid, com::REFIID iid, uint32_t lcid, uint16_t flags,
                        com::DISPPARAMS* params, com::VARIANT* result, com::EXCEPINFO* excepInfo,
                        uint32_t* argErr) override;

    // IConnectionPointContainer
    com::HRESULT EnumConnectionPoints(void** enumerator) override;
    com::HRESULT FindConnectionPoint(com::REFIID iid, com::IConnectionPoint** point) override;

    // ISupportErrorInfo
    com::HRESULT InterfaceSupportsErrorInfo(com::REFIID iid) override;

    // IObjectWithSiteLite
    com::HRESULT SetSite(com::IUnknown* site) override;

    // IProvideEventNames
    com::HRESULT GetEventName(com::DISPID dispid, com::BSTR* name) override;

    ControlCore& core() { return core_; }
    bool designMode() const;
    bool onStartPageCalled() const { return onStartPageCalled_; }

    // corvel::EventSink: the core's notifications, fired to every advised sink.
    void onAdvertisement(const AdvertisementArgs& a) override;
    void onConnected(int16_t statusCode, std::string_view description) override;
    void onDisconnected(int16_t statusCode, std::string_view description) override;
    void onDiscovered(GattType type, std::string_view serviceId, std::string_view characteristicId,
                      std::string_view descriptorId, std::string_view uuid, std::string_view description) override;
    void onError(int16_t errorCode, std::string_view description) override;
    void onLog(int16_t level, std::string_view message, std::string_view logType) override;
    void onPairingRequest(std::string_view serverId, int16_t pairingKind, std::string& pin, bool& accept) override;
    void onServerUpdate(std::string_view name, std::string_view changedServices) override;
    void onStartScan(std::string_view serviceUuids) override;
    void onStopScan(int16_t errorCode, std::string_view errorDescription) override;
    void onSubscribed(std::string_view serviceId, std::string_view characteristicId, std::string_view uuid,
                      std::string_view description) override;
    void onUnsubscribed(std::string_view serviceId, std::string_view characteristicId, std::string_view uuid,
                        std::string_view description) override;
    void onValue(std::string_view serviceId, std::string_view characteristicId, std::string_view descriptorId,
                 std::string_view uuid, std::string_view description, std::string_view value) override;
    void onWriteResponse(std::string_view serviceId, std::string_view characteristicId,
                         std::string_view descriptorId, std::string_view uuid,
                         std::string_view description) override;

private:
    ~CorvelControl() override;

    // Invoke, split by member kind (corvel_dispatch.cpp).
    com::HRESULT invokeProperty(const MemberInfo& m, bool put, com::DISPPARAMS* params, com::VARIANT* result,
                                uint32_t* argErr);
    com::HRESULT getProperty(const MemberInfo& m, int32_t index, com::VARIANT* result);
    com::HRESULT putProperty(const MemberInfo& m, int32_t index, const com::VARIANT& value);
    com::HRESULT invokeMethod(const MemberInfo& m, com::DISPPARAMS* params, com::VARIANT* result,
                              uint32_t* argErr);
    com::HRESULT byteArrayProperty(const std::optional<std::string>& bytes, com::VARIANT* result);
    // The about box: through the host's IHostUiLite, else on standard error.
    void showAboutBox();

    // Error reporting: sets error information and returns the HRESULT.
    com::HRESULT failWith(com::DISPID dispid, const Status& status);
    com::HRESULT failCtl(com::DISPID dispid, int ctlCode, const char16_t* description);
    com::HRESULT failInternally(com::DISPID dispid, com::VARIANT* result, const std::string& description);

    // Fires one event with by-reference arguments (corvel_events.cpp).
    void fire(com::DISPID dispid, com::VARIANT* args, uint32_t count);
    // Fires an event whose arguments are texts, device data, 16-bit numbers and booleans.
    template <typename... Args>
    void fireEvent(com::DISPID dispid, const Args&... args);
    // The interface's own texts (Ids, UUIDs, names, settings) and values (device data, the
    // device's name, user descriptions, PINs) cross in different pages; see textCodePage.
    com::BSTR toBstr(std::string_view bytes) const;
    com::BSTR valueToBstr(std::string_view bytes) const;
    std::string fromBstr(com::BSTR text) const;
    std::string valueFromBstr(com::BSTR text) const;

    // References the control holds on itself while a call or an event runs; when only
    // those are left, the host has let go and every wait ends.
    void hold();
    void unhold();

    std::atomic<uint32_t> refs_{1};
    std::atomic<uint32_t> internalHolds_{0};
    ControlCore core_;
    com::ConnectionPoint* eventPoint_;
    com::IUnknown* site_ = nullptr;
    bool onStartPageCalled_ = false;
    // Raw bytes of the Advertisement / Value event being delivered.
    std::optional<std::string> currentManufacturerData_;
    std::optional<std::string> currentValue_;
};

} // namespace corvel
