#pragma once
// Object creation by CLSID or ProgID. Order: the registry's InprocServer32 for the CLSID,
// then a libcorvelctl.so in $CORVEL_LIBRARY_PATH (if set), then beside the running
// executable (registration-free activation). Loaded libraries stay loaded until exit.
#include "platform/com/unknown.h"

#include <string>

namespace com {

inline constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1;
inline constexpr uint32_t CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr uint32_t CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr uint32_t CLSCTX_ALL = 0x17;

inline constexpr uint32_t COINIT_APARTMENTTHREADED = 0x2;

HRESULT CoInitialize(void* reserved);                  // no-op, S_OK
HRESULT CoInitializeEx(void* reserved, uint32_t coinit); // no-op, S_OK
void CoUninitialize();                                 // no-op

// ProgID -> CLSID through the registry, following CurVer. CO_E_CLASSSTRING when unknown.
HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid);
// "{...}" -> CLSID; CO_E_CLASSSTRING when malformed.
HRESULT CLSIDFromString(const OLECHAR* text, CLSID* clsid);
// The class factory of `clsid` (same search order as CoCreateInstance).
HRESULT CoGetClassObject(REFCLSID clsid, uint32_t clsctx, void* reserved, REFIID iid, void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t clsctx, REFIID iid, void** object);

// The file name of the registration-free fallback library.
inline constexpr const char* kRegFreeLibraryName = "libcorvelctl.so";
// Folder of the running executable ("" if unknown).
std::string ExecutableFolder();

} // namespace com

using namespace com;
