// An in-process server built only for the tests: serves FakeControl through the four
// exports, and registers it as "CorvelTest.Fake" (version-independent, only a CurVer)
// and "CorvelTest.Fake.1".
#include "platform/com/exports.h"
#include "platform/com/registry.h"
#include "tests/platform/com_fake_control.h"

#include <atomic>

using namespace comtest;

namespace {

std::atomic<int> g_locks{0};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // One static factory: its references only keep the library loaded.
    uint32_t AddRef() override { return ++g_locks; }
    uint32_t Release() override { return --g_locks; }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* fake = new FakeControl();
        const HRESULT hr = fake->QueryInterface(iid, object);
        fake->Release();
        return hr;
    }
    HRESULT LockServer(int32_t lock) override
    {
        lock ? ++g_locks : --g_locks;
        return S_OK;
    }
};
Factory g_factory;

const std::string kClsidKey = "CLSID\\" + GuidToString(CLSID_FakeControl);

} // namespace

extern "C" COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!(clsid == CLSID_FakeControl))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

extern "C" COM_EXPORT HRESULT DllCanUnloadNow()
{
    return g_liveObjects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" COM_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = ModulePathFromAddress(reinterpret_cast<const void*>(&DllRegisterServer));
    const std::string clsid = GuidToString(CLSID_FakeControl);
    HRESULT hr = S_OK;
    auto set = [&](const std::string& key, const char* name, const std::string& value) {
        if (SUCCEEDED(hr))
            hr = RegSetKeyValue(key, name, value);
    };
    set(kClsidKey, "", "Corvel test fake");
    set(kClsidKey + "\\InprocServer32", "", path);
    set(kClsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    set(kClsidKey + "\\ProgID", "", "CorvelTest.Fake.1");
    set(kClsidKey + "\\VersionIndependentProgID", "", "CorvelTest.Fake");
    if (SUCCEEDED(hr))
        hr = RegCreateKey(kClsidKey + "\\Programmable");
    set("CorvelTest.Fake", "", "Corvel test fake");
    set("CorvelTest.Fake\\CurVer", "", "CorvelTest.Fake.1");
    set("CorvelTest.Fake.1", "", "Corvel test fake");
    set("CorvelTest.Fake.1\\CLSID", "", clsid);
    return FAILED(hr) ? SELFREG_E_CLASS : S_OK;
}

extern "C" COM_EXPORT HRESULT DllUnregisterServer()
{
    HRESULT hr = S_OK;
    for (const std::string& key : {kClsidKey, std::string("CorvelTest.Fake"), std::string("CorvelTest.Fake.1")})
        if (FAILED(RegDeleteTree(key)))
            hr = SELFREG_E_CLASS;
    return hr;
}
