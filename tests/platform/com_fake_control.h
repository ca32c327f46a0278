#pragma once
// A small dispatch object with the traits of the control: properties with an index,
// read-only and run-time-only properties, error information, a connection point with
// by-reference event arguments, a site with ambient properties and event names.
#include "platform/com/connection_point.h"
#include "platform/com/unknown.h"

#include <atomic>
#include <memory>

class QObject;

namespace comtest {

// {6C1B2E60-3F0A-4D7E-9A41-0B7E5C2D9A01}
extern const CLSID CLSID_FakeControl;
// {6C1B2E61-3F0A-4D7E-9A41-0B7E5C2D9A01}
extern const IID IID_IFakeControl;
// The event interface is the control's: {86800402-F789-11CE-86F8-0020AFD8C6DB}
extern const IID IID_FakeEvents;

enum FakeDispid : DISPID {
    kName = 1, kCount = 2, kItem = 3, kReadOnly = 4, kBytes = 5, kUserMode = 6, kRuntimeOnly = 7,
    kEcho = 100, kAdd = 101, kFire = 102, kFireLater = 103, kFireUnnamed = 104, kFail = 105, kFailPlain = 106,
};
enum FakeEvent : DISPID { kPing = 1, kLater = 2, kUnnamed = 3 };

// Live objects, for DllCanUnloadNow.
extern std::atomic<int> g_liveObjects;

class FakeControl final : public IDispatch,
                          public IConnectionPointContainer,
                          public IObjectWithSiteLite,
                          public IProvideEventNames,
                          public ISupportErrorInfo {
public:
    FakeControl();   // reference count 1

    HRESULT QueryInterface(REFIID iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetTypeInfo(uint32_t, uint32_t, void** typeInfo) override;
    HRESULT GetIDsOfNames(REFIID, const OLECHAR** names, uint32_t cNames, uint32_t, DISPID* ids) override;
    HRESULT Invoke(DISPID dispid, REFIID, uint32_t, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, uint32_t* argErr) override;

    HRESULT EnumConnectionPoints(void** enumerator) override;
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    HRESULT SetSite(IUnknown* site) override;
    HRESULT GetEventName(DISPID dispid, BSTR* name) override;
    HRESULT InterfaceSupportsErrorInfo(REFIID iid) override;

    int fire(DISPID dispid, const std::u16string& text, int16_t number, bool flag);

private:
    ~FakeControl();
    bool userMode() const;
    HRESULT fail(HRESULT hr, const char16_t* text, EXCEPINFO* excepInfo);

    std::atomic<uint32_t> refs_{1};
    ConnectionPoint* point_;
    IOleClientSiteLite* site_ = nullptr;
    std::u16string name_ = u"fake";
    int16_t count_ = 3;
    std::unique_ptr<QObject> timerContext_;
};

} // namespace comtest
