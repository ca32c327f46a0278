#include "corvel/com/corvel_control.h"

#include "corvel/com/corvel_ids.h"
#include "corvel/com/text_convert.h"
#include "corvel/core/codepage.h"
#include "corvel/sig/errors.h"
#include "platform/com/activation.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"

#include <cstdio>

namespace corvel {

using namespace com;

std::atomic<long>& liveObjectCount()
{
    static std::atomic<long> count{0};
    return count;
}

std::atomic<long>& serverLockCount()
{
    static std::atomic<long> count{0};
    return count;
}

CorvelControl::CorvelControl(std::unique_ptr<BleLink> link)
    : core_(std::move(link)), eventPoint_(new ConnectionPoint(this, DIID__ICorvelEvents))
{
    core_.setEventSink(this);
    // Events queued from the stack's threads may run from the host's own loop; the control
    // stays alive while they do.
    core_.hostLoop().setKeepAlive([this] { hold(); }, [this] { unhold(); });
    // The host's thread is the control's apartment, as a control placed on a form expects.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ++liveObjectCount();
}

CorvelControl::~CorvelControl()
{
    core_.setEventSink(nullptr);
    eventPoint_->detach();
    eventPoint_->Release();
    if (site_)
        site_->Release();
    --liveObjectCount();
}

// ---------------------------------------------------------------- IUnknown

HRESULT CorvelControl::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ICorvel)
        *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(this);
    else if (iid == IID_IObjectWithSiteLite)
        *object = static_cast<IObjectWithSiteLite*>(this);
    else if (iid == IID_IProvideEventNames)
        *object = static_cast<IProvideEventNames*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

uint32_t CorvelControl::AddRef() { return ++refs_; }

uint32_t CorvelControl::Release()
{
    const uint32_t left = --refs_;
    if (left == 0)
        delete this;
    else if (left == internalHolds_.load())
        core_.hostLoop().shutdown();
    return left;
}

void CorvelControl::hold()
{
    ++internalHolds_;
    AddRef();
}

void CorvelControl::unhold()
{
    --internalHolds_;
    Release();
}

// ---------------------------------------------------------------- IDispatch names

HRESULT CorvelControl::GetTypeInfoCount(uint32_t* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CorvelControl::GetTypeInfo(uint32_t, uint32_t, void** typeInfo)
{
    if (typeInfo)
        *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT CorvelControl::GetIDsOfNames(REFIID, const OLECHAR** names, uint32_t cNames, uint32_t, DISPID* dispids)
{
    if (!names || !dispids)
        return E_POINTER;
    if (cNames == 0)
        return S_OK;
    HRESULT hr = S_OK;
    for (uint32_t i = 0; i < cNames; ++i)
        dispids[i] = DISPID_UNKNOWN;
    const std::u16string_view wanted = names[0] ? std::u16string_view(names[0]) : std::u16string_view();
    for (const MemberInfo& m : corvelMembers()) {
        const std::string_view n(m.name);
        const std::u16string name(n.begin(), n.end());
        if (NamesEqualNoCase(wanted, name)) {
            dispids[0] = m.dispid;
            break;
        }
    }
    if (dispids[0] == DISPID_UNKNOWN)
        hr = DISP_E_UNKNOWNNAME;
    // Parameter names are not published; named arguments are not supported.
    if (cNames > 1)
        hr = DISP_E_UNKNOWNNAME;
    return hr;
}

// ---------------------------------------------------------------- connection points

HRESULT CorvelControl::EnumConnectionPoints(void** enumerator)
{
    if (enumerator)
        *enumerator = nullptr;
    return E_NOTIMPL;
}

HRESULT CorvelControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (!(iid == DIID__ICorvelEvents))
        return CONNECT_E_NOCONNECTION;
    eventPoint_->AddRef();
    *point = eventPoint_;
    return S_OK;
}

HRESULT CorvelControl::InterfaceSupportsErrorInfo(REFIID iid)
{
    return (iid == IID_ICorvel || iid == IID_IDispatch) ? S_OK : S_FALSE;
}

// ---------------------------------------------------------------- site and design time

HRESULT CorvelControl::SetSite(IUnknown* site)
{
    if (site)
        site->AddRef();
    if (site_)
        site_->Release();
    site_ = site;
    return S_OK;
}

bool CorvelControl::designMode() const
{
    if (!site_)
        return false;
    IOleClientSiteLite* client = nullptr;
    if (FAILED(site_->QueryInterface(IID_IOleClientSiteLite, reinterpret_cast<void**>(&client))) || !client)
        return false;
    Variant value;
    const HRESULT hr = client->GetAmbientProperty(DISPID_AMBIENT_USERMODE, &value);
    client->Release();
    if (FAILED(hr))
        return false;
    Variant asBool;
    if (FAILED(VariantChangeType(&asBool, &value, 0, VT_BOOL)))
        return false;
    return asBool.boolVal == VARIANT_FALSE;
}

void CorvelControl::showAboutBox()
{
    static constexpr const char16_t* kTitle = u"About Corvel";
    static constexpr const char16_t* kText =
        u"Corvel Bluetooth LE GATT Client Control\n"
        u"Version 1.0 (AstrelBLE.Corvel.1, type library CORVELLib 1.0)\n"
        u"A GATT client for hosts that bind late, by dispatch identifier.";
    // A control without a window has nothing to draw on; the host shows the text.
    if (site_) {
        IHostUiLite* ui = nullptr;
        if (SUCCEEDED(site_->QueryInterface(IID_IHostUiLite, reinterpret_cast<void**>(&ui))) && ui) {
            const HRESULT hr = ui->ShowMessage(kTitle, kText);
            ui->Release();
            if (SUCCEEDED(hr))
                return;
        }
    }
    const std::string text = U16ToUtf8(kText);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

HRESULT CorvelControl::GetEventName(DISPID dispid, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    for (const EventInfo& e : corvelEvents())
        if (e.dispid == dispid) {
            *name = BstrFromUtf8(e.name);
            return *name ? S_OK : E_OUTOFMEMORY;
        }
    return DISP_E_MEMBERNOTFOUND;
}

// ---------------------------------------------------------------- errors

HRESULT CorvelControl::failWith(DISPID dispid, const Status& status)
{
    int code = status.code;
    if (code == 0)
        code = kErrBadArgument;   // a failure always carries a code; guard against a stray one
    std::u16string description;
    if (code == kErrOutOfMemory) {
        description = u"Out of memory.";
    } else {
        // The core recorded the failure's text as its last error; a failure
        // without one gets the default text first.
        std::string text = status.text;
        if (text.empty()) {
            text = defaultErrorText(code);
            core_.recordText(text);
        }
        description = decodeText(textCodePage(core_.codePage()), text);
        if (description.empty())
            description = u"No description available.";
    }
    SetErrorInfoFields(IID_ICorvel, kErrorSource, description, u"", helpContextFor(dispid));
    return hresultForError(code);
}

HRESULT CorvelControl::failCtl(DISPID dispid, int ctlCode, const char16_t* description)
{
    SetErrorInfoFields(IID_ICorvel, kErrorSource, description, u"", helpContextFor(dispid));
    return MakeCtlError(ctlCode);
}

BSTR CorvelControl::toBstr(std::string_view bytes) const
{
    return bstrFromBytes(textCodePage(core_.codePage()), bytes);
}

BSTR CorvelControl::valueToBstr(std::string_view bytes) const { return bstrFromBytes(core_.codePage(), bytes); }

std::string CorvelControl::fromBstr(BSTR text) const { return bytesFromBstr(textCodePage(core_.codePage()), text); }

std::string CorvelControl::valueFromBstr(BSTR text) const { return bytesFromBstr(core_.codePage(), text); }

} // namespace corvel
