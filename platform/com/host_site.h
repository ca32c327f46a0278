#pragma once
// Host side: the site a host hands to a control (IObjectWithSiteLite::SetSite), answering
// its ambient properties, and a dispatch sink that hands incoming events to a callback.
#include "platform/com/unknown.h"

#include <atomic>
#include <functional>
#include <string>

namespace com {

class HostSite final : public IHostUiLite {
public:
    using MessageHandler = std::function<void(const std::u16string& title, const std::u16string& text)>;

    HostSite() = default;   // reference count 1; user mode (run time) by default

    HRESULT QueryInterface(REFIID iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    // USERMODE (VT_BOOL), LOCALEID (VT_I4), DISPLAYNAME (VT_BSTR); DISP_E_MEMBERNOTFOUND otherwise.
    HRESULT GetAmbientProperty(DISPID dispid, VARIANT* value) override;
    // Hands the message to the handler; E_NOTIMPL without one.
    HRESULT ShowMessage(const OLECHAR* title, const OLECHAR* text) override;

    void setUserMode(bool runTime) { userMode_ = runTime; }
    bool userMode() const { return userMode_; }
    void setDisplayName(std::u16string name) { displayName_ = std::move(name); }
    void setMessageHandler(MessageHandler handler) { messageHandler_ = std::move(handler); }

private:
    ~HostSite() = default;

    std::atomic<uint32_t> refs_{1};
    bool userMode_ = true;
    uint32_t localeId_ = 0x0409;
    std::u16string displayName_ = u"Corvel1";
    MessageHandler messageHandler_;
};

// Gives `site` to `object` if it implements IObjectWithSiteLite; S_FALSE if it does not.
HRESULT GiveSite(IUnknown* object, IUnknown* site);

// An event sink for one outgoing interface: every Invoke goes to the handler.
// QueryInterface answers IUnknown, IDispatch and the event interface.
class EventSink final : public IDispatch {
public:
    using Handler = std::function<void(DISPID dispid, DISPPARAMS* params)>;
    EventSink(const IID& eventIid, Handler handler);   // reference count 1

    HRESULT QueryInterface(REFIID iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetTypeInfo(uint32_t, uint32_t, void** typeInfo) override;
    HRESULT GetIDsOfNames(REFIID, const OLECHAR**, uint32_t, uint32_t, DISPID*) override;
    HRESULT Invoke(DISPID dispid, REFIID, uint32_t, uint16_t, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO*, uint32_t*) override;

private:
    ~EventSink() = default;

    std::atomic<uint32_t> refs_{1};
    IID iid_;
    Handler handler_;
};

// Advises `sink` on the connection point of `eventIid` of `object`. On success *point holds
// the point (caller releases) and *cookie the connection.
HRESULT AdviseSink(IUnknown* object, const IID& eventIid, IUnknown* sink, IConnectionPoint** point,
                   uint32_t* cookie);

} // namespace com

using namespace com;
