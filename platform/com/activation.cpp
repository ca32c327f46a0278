#include "platform/com/activation.h"

#include "platform/com/errorinfo.h"
#include "platform/com/exports.h"
#include "platform/com/registry.h"
#include "platform/com/registry_tree.h"

#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace com {

namespace {

// ProgIDs that registration-free activation understands without a registry: the control's.
struct RegFreeProgId {
    const char16_t* progId;
    GUID clsid;
};
const GUID kCorvelClsid = {0x86800400, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};
const RegFreeProgId kRegFreeProgIds[] = {
    {u"AstrelBLE.Corvel", kCorvelClsid},
    {u"AstrelBLE.Corvel.1", kCorvelClsid},
    {u"AstrelBLE24.Corvel", kCorvelClsid},
};

std::mutex g_libMutex;
std::map<std::string, void*>& loadedLibraries()
{
    static std::map<std::string, void*> libs;
    return libs;
}

bool isFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDir(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// dlopen once per path; the handle is never closed (objects may outlive every reference we see).
void* loadLibrary(const std::string& path, std::string& error)
{
    std::lock_guard<std::mutex> lock(g_libMutex);
    auto& libs = loadedLibraries();
    auto it = libs.find(path);
    if (it != libs.end())
        return it->second;
    void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* e = ::dlerror();
        error = e ? e : ("cannot load " + path);
        return nullptr;
    }
    libs.emplace(path, h);
    return h;
}

HRESULT classObjectFrom(const std::string& path, REFCLSID clsid, REFIID iid, void** object, std::string& error)
{
    void* h = loadLibrary(path, error);
    if (!h)
        return CO_E_DLLNOTFOUND;
    auto fn = reinterpret_cast<PFN_DllGetClassObject>(::dlsym(h, "DllGetClassObject"));
    if (!fn) {
        error = path + " has no DllGetClassObject";
        return CO_E_ERRORINDLL;
    }
    const HRESULT hr = fn(clsid, iid, object);
    if (FAILED(hr))
        error = path + " does not serve class " + GuidToString(clsid);
    return hr;
}

std::string trimmedPath(std::string p)
{
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

// Where `cmake --install` (and the package) puts the library, relative to the programs' folder.
constexpr const char* kInstalledLibraryFolder = "/../lib/zenuconnect/";

// Registration-free candidates: $CORVEL_LIBRARY_PATH (a folder, or the library file itself),
// then the executable's folder (a build tree), then the install tree's library folder.
std::vector<std::string> regFreeCandidates()
{
    std::vector<std::string> out;
    if (const char* env = std::getenv("CORVEL_LIBRARY_PATH"); env && *env) {
        const std::string p = trimmedPath(env);
        out.push_back(isDir(p) ? p + "/" + kRegFreeLibraryName : p);
    }
    const std::string exeDir = ExecutableFolder();
    if (!exeDir.empty()) {
        out.push_back(exeDir + "/" + kRegFreeLibraryName);
        out.push_back(exeDir + kInstalledLibraryFolder + kRegFreeLibraryName);
    }
    return out;
}

void reportActivationError(REFCLSID clsid, const std::string& detail)
{
    std::string text = "Cannot create class " + GuidToString(clsid);
    if (!detail.empty())
        text += ": " + detail;
    SetErrorInfoFields(IID_IClassFactory, u"CoCreateInstance", Utf8ToU16(text), u"", 0);
}

} // namespace

HRESULT CoInitialize(void*) { return S_OK; }
HRESULT CoInitializeEx(void*, uint32_t) { return S_OK; }
void CoUninitialize() {}

std::string ExecutableFolder()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, size_t(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string ModulePathFromAddress(const void* address)
{
    Dl_info info {};
    if (!::dladdr(address, &info) || !info.dli_fname)
        return {};
    char resolved[4096];
    if (::realpath(info.dli_fname, resolved))
        return resolved;
    return info.dli_fname;
}

HRESULT CLSIDFromString(const OLECHAR* text, CLSID* clsid)
{
    if (!text || !clsid)
        return E_INVALIDARG;
    const std::string s = U16ToUtf8(text);
    if (s.size() != 38 || s.front() != '{')
        return CO_E_CLASSSTRING;
    GUID g;
    if (!GuidFromString(s, g))
        return CO_E_CLASSSTRING;
    *clsid = g;
    return S_OK;
}

HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid)
{
    if (!progId || !clsid)
        return E_INVALIDARG;
    std::string name = U16ToUtf8(progId);
    if (name.empty() || name.find('\\') != std::string::npos)
        return CO_E_CLASSSTRING;
    // A version-independent ProgID may only name its current version through CurVer;
    // the chain is bounded so that a loop in the file cannot hang us.
    for (int depth = 0; depth < 8; ++depth) {
        std::string text;
        if (SUCCEEDED(RegGetValue(name + "\\CLSID", "", text))) {
            GUID g;
            if (GuidFromString(text, g)) {
                *clsid = g;
                return S_OK;
            }
            return CO_E_CLASSSTRING;
        }
        std::string next;
        if (FAILED(RegGetValue(name + "\\CurVer", "", next)) || next.empty() || RegistryNamesEqual(next, name))
            break;
        name = next;
    }
    // Registration-free: the control's own ProgIDs, case-insensitive as registry keys are.
    const std::string wanted = U16ToUtf8(progId);
    for (const auto& known : kRegFreeProgIds)
        if (RegistryNamesEqual(U16ToUtf8(known.progId), wanted)) {
            *clsid = known.clsid;
            return S_OK;
        }
    return CO_E_CLASSSTRING;
}

HRESULT CoGetClassObject(REFCLSID clsid, uint32_t clsctx, void*, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!(clsctx & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;

    std::string firstError;
    HRESULT firstFailure = REGDB_E_CLASSNOTREG;
    std::vector<std::string> tried;
    auto attempt = [&](const std::string& path) -> bool {
        for (const auto& t : tried)
            if (t == path)
                return false;
        tried.push_back(path);
        std::string error;
        const HRESULT hr = classObjectFrom(path, clsid, iid, object, error);
        if (SUCCEEDED(hr))
            return true;
        if (firstError.empty()) {
            firstError = error;
            firstFailure = hr;
        }
        return false;
    };

    std::string registered;
    if (SUCCEEDED(RegGetValue("CLSID\\" + GuidToString(clsid) + "\\InprocServer32", "", registered))
        && !registered.empty()) {
        // A stale registration (library moved or deleted) falls through to the
        // registration-free places instead of blocking them.
        if (attempt(registered))
            return S_OK;
    }
    for (const auto& candidate : regFreeCandidates())
        if (isFile(candidate) && attempt(candidate))
            return S_OK;

    reportActivationError(clsid, firstError.empty() ? std::string("class not registered and no ")
                                                          + kRegFreeLibraryName + " found"
                                                    : firstError);
    return firstFailure;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t clsctx, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, clsctx, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(outer, iid, object);
    factory->Release();
    return hr;
}

} // namespace com
