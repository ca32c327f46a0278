// Self-registration: the class, its ProgIDs, type library and interfaces in
// the classes root of the file registry.
#include <string>

#include "corvel/com/corvel_ids.h"
#include "platform/com/exports.h"
#include "platform/com/registry.h"

namespace corvel {

using namespace com;

namespace {

constexpr const char* kDisplayName = "Corvel Bluetooth LE GATT Client Control";

std::string clsidKey() { return "CLSID\\" + GuidToString(CLSID_Corvel); }

// The library's own path, whichever name it was loaded by.
std::string modulePath() { return ModulePathFromAddress(reinterpret_cast<const void*>(&modulePath)); }

HRESULT writeAll(const std::string& module)
{
    const std::string clsid = GuidToString(CLSID_Corvel);
    const std::string key = clsidKey();
    const std::string libid = GuidToString(LIBID_CORVELLib);
    struct Entry {
        std::string path;
        std::string name;
        std::string value;
    };
    const Entry entries[] = {
        {key, "", kDisplayName},
        {key + "\\ProgID", "", kProgIdCurrent},
        {key + "\\VersionIndependentProgID", "", kProgIdVersionIndependent},
        {key + "\\InprocServer32", "", module},
        {key + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {key + "\\ToolboxBitmap32", "", module + ", 101"},
        {key + "\\MiscStatus", "", "0"},
        {key + "\\MiscStatus\\1", "", "132497"},
        {key + "\\TypeLib", "", libid},
        {key + "\\Version", "", "1.0"},
        {kProgIdVersionIndependent, "", kDisplayName},
        {std::string(kProgIdVersionIndependent) + "\\CLSID", "", clsid},
        {std::string(kProgIdVersionIndependent) + "\\CurVer", "", kProgIdCurrent},
        {kProgIdCurrent, "", kDisplayName},
        {std::string(kProgIdCurrent) + "\\CLSID", "", clsid},
        {std::string(kProgIdCurrent) + "\\CurVer", "", kProgIdCurrent},
        {kProgIdAlias, "", kDisplayName},
        {std::string(kProgIdAlias) + "\\CLSID", "", clsid},
        {std::string(kProgIdAlias) + "\\CurVer", "", kProgIdCurrent},
        {"TypeLib\\" + libid + "\\1.0", "", "CORVELLib"},
        {"TypeLib\\" + libid + "\\1.0\\0\\linux64", "", module},
        {"TypeLib\\" + libid + "\\1.0\\FLAGS", "", "2"},
        {"Interface\\" + GuidToString(IID_ICorvel), "", "ICorvel"},
        {"Interface\\" + GuidToString(IID_ICorvel) + "\\TypeLib", "", libid},
        {"Interface\\" + GuidToString(IID_ICorvel) + "\\TypeLib", "Version", "1.0"},
        {"Interface\\" + GuidToString(DIID__ICorvelEvents), "", "_ICorvelEvents"},
        {"Interface\\" + GuidToString(DIID__ICorvelEvents) + "\\TypeLib", "", libid},
        {"Interface\\" + GuidToString(DIID__ICorvelEvents) + "\\TypeLib", "Version", "1.0"},
    };
    for (const Entry& e : entries)
        if (HRESULT hr = RegSetKeyValue(e.path, e.name, e.value); FAILED(hr))
            return hr;
    for (const char* marker : {"Programmable", "Control", "Insertable"})
        if (HRESULT hr = RegCreateKey(key + "\\" + marker); FAILED(hr))
            return hr;
    return S_OK;
}

HRESULT deleteAll()
{
    HRESULT result = S_OK;
    const std::string keys[] = {
        clsidKey(),
        kProgIdVersionIndependent,
        kProgIdCurrent,
        kProgIdAlias,
        "TypeLib\\" + GuidToString(LIBID_CORVELLib),
        "Interface\\" + GuidToString(IID_ICorvel),
        "Interface\\" + GuidToString(DIID__ICorvelEvents),
    };
    for (const std::string& k : keys)
        if (HRESULT hr = RegDeleteTree(k); FAILED(hr))
            result = hr;
    return result;
}

} // namespace

} // namespace corvel

extern "C" COM_EXPORT com::HRESULT DllRegisterServer()
{
    const std::string module = corvel::modulePath();
    if (module.empty())
        return com::SELFREG_E_CLASS;
    const com::HRESULT hr = corvel::writeAll(module);
    return com::FAILED(hr) ? com::SELFREG_E_CLASS : com::S_OK;
}

extern "C" COM_EXPORT com::HRESULT DllUnregisterServer()
{
    const com::HRESULT hr = corvel::deleteAll();
    return com::FAILED(hr) ? com::SELFREG_E_CLASS : com::S_OK;
}
