#pragma once
// A ready-made connection point for one outgoing dispatch interface: keeps the
// advised sinks and calls them all for an event. The owner (the container) passes
// itself for GetConnectionPointContainer; the point does not keep it alive.
#include "platform/com/unknown.h"

#include <atomic>
#include <map>
#include <vector>

namespace com {

class ConnectionPoint final : public IConnectionPoint {
public:
    // Reference count 1. `container` must outlive the point or call detach() first.
    ConnectionPoint(IConnectionPointContainer* container, const IID& eventIid);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    // The sink must give the event interface or IDispatch; CONNECT_E_CANNOTCONNECT otherwise.
    HRESULT Advise(IUnknown* sink, uint32_t* cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;   // CONNECT_E_NOCONNECTION for unknown cookies
    HRESULT EnumConnections(void** enumerator) override;

    // Calls every sink advised at the time of the call (DISPATCH_METHOD, locale 0x400).
    // A sink that unadvises, or advises another, during the call does not disturb the others.
    // Returns how many sinks were called.
    int fire(DISPID dispid, DISPPARAMS* params);
    size_t sinkCount() const { return sinks_.size(); }
    // Releases all sinks (the owner calls this when it goes away) and forgets the container.
    void detach();

private:
    ~ConnectionPoint();

    std::atomic<uint32_t> refs_{1};
    IConnectionPointContainer* container_;
    IID iid_;
    uint32_t nextCookie_ = 1;
    std::map<uint32_t, IDispatch*> sinks_;
};

} // namespace com

using namespace com;
