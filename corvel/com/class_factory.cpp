// The class factory of Corvel and the server's DllGetClassObject / DllCanUnloadNow.
#include <new>

#include "corvel/com/corvel_control.h"
#include "corvel/com/corvel_ids.h"
#include "corvel/ble/stack_link.h"
#include "platform/com/exports.h"

namespace corvel {

using namespace com;

namespace {

class CorvelFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!(iid == IID_IUnknown || iid == IID_IClassFactory))
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // The factory is a static object; its references only keep the server loaded.
    uint32_t AddRef() override { return static_cast<uint32_t>(++serverLockCount()); }
    uint32_t Release() override { return static_cast<uint32_t>(--serverLockCount()); }

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CorvelControl* control = new (std::nothrow) CorvelControl();
        if (!control)
            return E_OUTOFMEMORY;
        const HRESULT hr = control->QueryInterface(iid, object);
        control->Release();
        return hr;
    }

    HRESULT LockServer(int32_t lock) override
    {
        if (lock)
            ++serverLockCount();
        else
            --serverLockCount();
        return S_OK;
    }
};

CorvelFactory gFactory;

// Controls of this library talk to the stack that CORVEL_BLUETOOTH chooses.
const bool gLinkFactoryInstalled = (installStackLinkFactory(), true);

} // namespace

} // namespace corvel

extern "C" COM_EXPORT com::HRESULT DllGetClassObject(com::REFCLSID clsid, com::REFIID iid, void** object)
{
    if (!object)
        return com::E_POINTER;
    *object = nullptr;
    if (!(clsid == corvel::CLSID_Corvel))
        return com::CLASS_E_CLASSNOTAVAILABLE;
    return corvel::gFactory.QueryInterface(iid, object);
}

extern "C" COM_EXPORT com::HRESULT DllCanUnloadNow()
{
    return corvel::liveObjectCount() == 0 && corvel::serverLockCount() == 0 ? com::S_OK : com::S_FALSE;
}
