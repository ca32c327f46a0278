// corvel-regsvr [-u] LIBRARY
// Loads an in-process server library and calls its DllRegisterServer (or, with -u,
// DllUnregisterServer), which writes (or removes) its keys in the registry file.
// Exit 0 on success, 1 on failure, 2 for bad arguments.
#include "platform/com/errorinfo.h"
#include "platform/com/exports.h"
#include "platform/com/registry.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

void usage(FILE* to)
{
    std::fprintf(to,
                 "Usage: corvel-regsvr [-u] LIBRARY\n"
                 "  Registers an in-process server library (calls its DllRegisterServer).\n"
                 "  -u  unregisters it instead (calls DllUnregisterServer).\n"
                 "The registry is %s (set CORVEL_REGISTRY to use another folder).\n",
                 com::Registry::filePath().c_str());
}

std::string failureText(HRESULT hr)
{
    IErrorInfo* info = nullptr;
    std::string text;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BStr d;
        if (SUCCEEDED(info->GetDescription(d.out())))
            text = d.utf8();
        info->Release();
    }
    if (text.empty())
        text = HResultText(hr);
    return HResultHex(hr) + " " + text;
}

} // namespace

int main(int argc, char** argv)
{
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "-u") == 0 || std::strcmp(a, "/u") == 0) {
            unregister = true;
        } else if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
            usage(stdout);
            return 0;
        } else if (a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "corvel-regsvr: unknown option %s\n", a);
            usage(stderr);
            return 2;
        } else if (library) {
            std::fprintf(stderr, "corvel-regsvr: only one library at a time\n");
            usage(stderr);
            return 2;
        } else {
            library = a;
        }
    }
    if (!library) {
        usage(stderr);
        return 2;
    }

    // A bare name would make dlopen search the library path; the user means this file.
    char resolved[PATH_MAX];
    const std::string path = ::realpath(library, resolved) ? std::string(resolved) : std::string(library);
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";

    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = ::dlerror();
        std::fprintf(stderr, "%s in %s failed: cannot load the library: %s\n", entry, path.c_str(),
                     e ? e : "unknown error");
        return 1;
    }
    auto fn = reinterpret_cast<com::PFN_DllRegisterServer>(::dlsym(handle, entry));
    if (!fn) {
        std::fprintf(stderr, "%s in %s failed: the library has no entry point %s.\n", entry, path.c_str(), entry);
        return 1;
    }
    const HRESULT hr = fn();
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s in %s failed: %s\n", entry, path.c_str(), failureText(hr).c_str());
        return 1;
    }
    std::printf("%s in %s succeeded.\n", entry, path.c_str());
    // The library stays loaded: its static objects may still be referenced by the layer.
    return 0;
}
