#include "platform/com/connection_point.h"

namespace com {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, const IID& eventIid)
    : container_(container), iid_(eventIid)
{
}

ConnectionPoint::~ConnectionPoint()
{
    detach();
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

uint32_t ConnectionPoint::AddRef()
{
    return ++refs_;
}

uint32_t ConnectionPoint::Release()
{
    const uint32_t n = --refs_;
    if (n == 0)
        delete this;
    return n;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = container_;
    if (!container_)
        return E_UNEXPECTED;
    container_->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, uint32_t* cookie)
{
    if (cookie)
        *cookie = 0;
    if (!sink || !cookie)
        return E_POINTER;
    IDispatch* disp = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&disp))) || !disp) {
        disp = nullptr;
        if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp))) || !disp)
            return CONNECT_E_CANNOTCONNECT;
    }
    if (nextCookie_ == 0)
        ++nextCookie_;   // 0 is never a valid cookie
    const uint32_t c = nextCookie_++;
    sinks_.emplace(c, disp);
    *cookie = c;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(uint32_t cookie)
{
    auto it = sinks_.find(cookie);
    if (it == sinks_.end())
        return CONNECT_E_NOCONNECTION;
    IDispatch* disp = it->second;
    sinks_.erase(it);
    disp->Release();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(void** enumerator)
{
    if (enumerator)
        *enumerator = nullptr;
    return E_NOTIMPL;
}

int ConnectionPoint::fire(DISPID dispid, DISPPARAMS* params)
{
    // Snapshot with references held: handlers run arbitrary code, including Unadvise.
    std::vector<std::pair<uint32_t, IDispatch*>> snapshot(sinks_.begin(), sinks_.end());
    for (auto& s : snapshot)
        s.second->AddRef();
    AddRef();   // a handler may release the last outside reference to the point
    int called = 0;
    DISPPARAMS empty {nullptr, nullptr, 0, 0};
    for (auto& [cookie, disp] : snapshot) {
        if (sinks_.count(cookie)) {
            disp->Invoke(dispid, IID_NULL, 0x400, DISPATCH_METHOD, params ? params : &empty, nullptr, nullptr,
                         nullptr);
            ++called;
        }
        disp->Release();
    }
    Release();
    return called;
}

void ConnectionPoint::detach()
{
    auto sinks = std::move(sinks_);
    sinks_.clear();
    for (auto& s : sinks)
        s.second->Release();
    container_ = nullptr;
}

} // namespace com
