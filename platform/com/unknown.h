#pragma once
// The COM interfaces the control and its hosts use, as abstract classes whose
// vtables play the part of COM's. Objects delete themselves in Release, so the
// destructors are protected: nobody deletes through an interface pointer.
#include "platform/com/guid.h"
#include "platform/com/hresult.h"
#include "platform/com/variant.h"

#include <cstdint>

namespace com {

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, uint32_t lcid, void** typeInfo) = 0;
    // Names compare without regard to case.
    virtual HRESULT GetIDsOfNames(REFIID iid, const OLECHAR** names, uint32_t cNames, uint32_t lcid,
                                  DISPID* dispids) = 0;
    virtual HRESULT Invoke(DISPID dispid, REFIID iid, uint32_t lcid, uint16_t flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excepInfo, uint32_t* argErr) = 0;

protected:
    ~IDispatch() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(int32_t lock) = 0;

protected:
    ~IClassFactory() = default;
};

class IConnectionPointContainer;

class IConnectionPoint : public IUnknown {
public:
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    virtual HRESULT Advise(IUnknown* sink, uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(uint32_t cookie) = 0;
    virtual HRESULT EnumConnections(void** enumerator) = 0;   // may return E_NOTIMPL

protected:
    ~IConnectionPoint() = default;
};

class IConnectionPointContainer : public IUnknown {
public:
    virtual HRESULT EnumConnectionPoints(void** enumerator) = 0;   // may return E_NOTIMPL
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

class IErrorInfo : public IUnknown {
public:
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(uint32_t* helpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

class ISupportErrorInfo : public IUnknown {
public:
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID iid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

// Ambient properties of the host ("container"). A control that implements
// IObjectWithSiteLite gets the host's site through SetSite and asks it here.
inline constexpr DISPID DISPID_AMBIENT_BACKCOLOR = -701;
inline constexpr DISPID DISPID_AMBIENT_DISPLAYNAME = -702;
inline constexpr DISPID DISPID_AMBIENT_LOCALEID = -705;
inline constexpr DISPID DISPID_AMBIENT_USERMODE = -709;

class IOleClientSiteLite : public IUnknown {
public:
    // DISP_E_MEMBERNOTFOUND for ambient properties the host does not have.
    virtual HRESULT GetAmbientProperty(DISPID dispid, VARIANT* value) = 0;

protected:
    ~IOleClientSiteLite() = default;
};

class IObjectWithSiteLite : public IUnknown {
public:
    // The object AddRefs the site it keeps; SetSite(nullptr) releases it.
    virtual HRESULT SetSite(IUnknown* site) = 0;

protected:
    ~IObjectWithSiteLite() = default;
};

// Optional, a site that can also show a message for a control without a window of its
// own (its about box). E_NOTIMPL when the host has no way to show one.
class IHostUiLite : public IOleClientSiteLite {
public:
    virtual HRESULT ShowMessage(const OLECHAR* title, const OLECHAR* text) = 0;

protected:
    ~IHostUiLite() = default;
};

// Optional: an object with an event interface may name its events, so that a
// generic host can print them. The caller frees the returned name.
class IProvideEventNames : public IUnknown {
public:
    virtual HRESULT GetEventName(DISPID dispid, BSTR* name) = 0;   // DISP_E_MEMBERNOTFOUND if unknown

protected:
    ~IProvideEventNames() = default;
};

extern const IID IID_IUnknown;                  // {00000000-0000-0000-C000-000000000046}
extern const IID IID_IDispatch;                 // {00020400-0000-0000-C000-000000000046}
extern const IID IID_IClassFactory;             // {00000001-0000-0000-C000-000000000046}
extern const IID IID_IConnectionPoint;          // {B196B286-BAB4-101A-B69C-00AA00341D07}
extern const IID IID_IConnectionPointContainer; // {B196B284-BAB4-101A-B69C-00AA00341D07}
extern const IID IID_IErrorInfo;                // {1CF2B120-547D-101B-8E65-08002B2BD119}
extern const IID IID_ISupportErrorInfo;         // {DF0B3D60-548F-101B-8E65-08002B2BD119}
extern const IID IID_IOleClientSiteLite;        // {6C1B2E51-3F0A-4D7E-9A41-0B7E5C2D9A01}
extern const IID IID_IObjectWithSiteLite;       // {6C1B2E52-3F0A-4D7E-9A41-0B7E5C2D9A01}
extern const IID IID_IProvideEventNames;        // {6C1B2E53-3F0A-4D7E-9A41-0B7E5C2D9A01}
extern const IID IID_IHostUiLite;               // {6C1B2E54-3F0A-4D7E-9A41-0B7E5C2D9A01}

} // namespace com

using namespace com;
