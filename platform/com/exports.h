#pragma once
// The four entry points of an in-process server library. The library defines them
// (with COM_EXPORT so they stay visible); hosts look them up with dlsym by these names.
#include "platform/com/unknown.h"

#include <string>

#define COM_EXPORT __attribute__((visibility("default")))

extern "C" {
COM_EXPORT ::com::HRESULT DllGetClassObject(::com::REFCLSID clsid, ::com::REFIID iid, void** object);
COM_EXPORT ::com::HRESULT DllCanUnloadNow();
COM_EXPORT ::com::HRESULT DllRegisterServer();
COM_EXPORT ::com::HRESULT DllUnregisterServer();
}

namespace com {

using PFN_DllGetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();
using PFN_DllUnregisterServer = HRESULT (*)();

// Absolute path of the shared object (or executable) that contains `address`, "" if unknown.
// A server passes the address of one of its own functions to learn its InprocServer32 path.
std::string ModulePathFromAddress(const void* address);

} // namespace com

using namespace com;
