#include "platform/com/host_site.h"

namespace com {

HRESULT HostSite::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSiteLite) {
        *object = static_cast<IOleClientSiteLite*>(this);
        AddRef();
        return S_OK;
    }
    if (iid == IID_IHostUiLite) {
        *object = static_cast<IHostUiLite*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT HostSite::ShowMessage(const OLECHAR* title, const OLECHAR* text)
{
    if (!messageHandler_)
        return E_NOTIMPL;
    messageHandler_(title ? std::u16string(title) : std::u16string(), text ? std::u16string(text) : std::u16string());
    return S_OK;
}

uint32_t HostSite::AddRef()
{
    return ++refs_;
}

uint32_t HostSite::Release()
{
    const uint32_t n = --refs_;
    if (n == 0)
        delete this;
    return n;
}

HRESULT HostSite::GetAmbientProperty(DISPID dispid, VARIANT* value)
{
    if (!value)
        return E_POINTER;
    VariantInit(value);
    switch (dispid) {
    case DISPID_AMBIENT_USERMODE:
        value->vt = VT_BOOL;
        value->boolVal = userMode_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case DISPID_AMBIENT_LOCALEID:
        value->vt = VT_I4;
        value->lVal = static_cast<int32_t>(localeId_);
        return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
        value->bstrVal = BstrFromU16(displayName_);
        if (!value->bstrVal)
            return E_OUTOFMEMORY;
        value->vt = VT_BSTR;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT GiveSite(IUnknown* object, IUnknown* site)
{
    if (!object)
        return E_POINTER;
    IObjectWithSiteLite* withSite = nullptr;
    if (FAILED(object->QueryInterface(IID_IObjectWithSiteLite, reinterpret_cast<void**>(&withSite))) || !withSite)
        return S_FALSE;
    const HRESULT hr = withSite->SetSite(site);
    withSite->Release();
    return hr;
}

EventSink::EventSink(const IID& eventIid, Handler handler) : iid_(eventIid), handler_(std::move(handler)) {}

HRESULT EventSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == iid_) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

uint32_t EventSink::AddRef()
{
    return ++refs_;
}

uint32_t EventSink::Release()
{
    const uint32_t n = --refs_;
    if (n == 0)
        delete this;
    return n;
}

HRESULT EventSink::GetTypeInfoCount(uint32_t* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(uint32_t, uint32_t, void** typeInfo)
{
    if (typeInfo)
        *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(REFIID, const OLECHAR**, uint32_t, uint32_t, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT EventSink::Invoke(DISPID dispid, REFIID, uint32_t, uint16_t, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO*, uint32_t*)
{
    if (result)
        VariantInit(result);
    if (handler_)
        handler_(dispid, params);
    return S_OK;
}

HRESULT AdviseSink(IUnknown* object, const IID& eventIid, IUnknown* sink, IConnectionPoint** point,
                   uint32_t* cookie)
{
    if (!object || !sink || !point || !cookie)
        return E_POINTER;
    *point = nullptr;
    *cookie = 0;
    IConnectionPointContainer* container = nullptr;
    HRESULT hr = object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr) || !container)
        return FAILED(hr) ? hr : E_NOINTERFACE;
    IConnectionPoint* cp = nullptr;
    hr = container->FindConnectionPoint(eventIid, &cp);
    container->Release();
    if (FAILED(hr) || !cp)
        return FAILED(hr) ? hr : E_NOINTERFACE;
    hr = cp->Advise(sink, cookie);
    if (FAILED(hr)) {
        cp->Release();
        return hr;
    }
    *point = cp;
    return S_OK;
}

} // namespace com
