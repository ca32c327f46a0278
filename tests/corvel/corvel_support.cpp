#include "tests/corvel/corvel_support.h"

#include "cli/corvelsh/shell_syntax.h"
#include "corvel/com/corvel_control.h"
#include "corvel/com/corvel_ids.h"
#include "platform/com/activation.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace corveltest {

using namespace corvel;

// ---------------------------------------------------------------- environment

RegistryScope::RegistryScope()
{
    std::string templ = (std::filesystem::temp_directory_path() / "corveltestXXXXXX").string();
    if (::mkdtemp(templ.data()))
        path_ = templ;
    ::setenv("CORVEL_REGISTRY", path_.c_str(), 1);
    ::unsetenv("CORVEL_LIBRARY_PATH");
}

RegistryScope::~RegistryScope()
{
    ::unsetenv("CORVEL_REGISTRY");
    ::unsetenv("CORVEL_LIBRARY_PATH");
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

// ---------------------------------------------------------------- late-bound calls

std::string Outcome::text() const
{
    return value.vt == VT_BSTR ? BstrToUtf8(value.bstrVal) : std::string("<not a string>");
}

int Outcome::number() const
{
    switch (value.vt) {
    case VT_I2: return value.iVal;
    case VT_I4: return value.lVal;
    case VT_BOOL: return value.boolVal;
    default: return -99999;
    }
}

Variant Str(std::string_view utf8) { return Variant::fromUtf8(utf8); }
Variant Str16(std::u16string_view text) { return Variant::fromU16(text); }
Variant I2(int16_t v) { return Variant::fromI2(v); }
Variant I4(int32_t v) { return Variant::fromI4(v); }
Variant Bool(bool v) { return Variant::fromBool(v); }

void Control::reset()
{
    if (d_)
        d_->Release();
    d_ = nullptr;
}

DISPID Control::id(const char* name) const
{
    const std::u16string n = Utf8ToU16(name);
    const OLECHAR* names[] = {n.c_str()};
    DISPID id = DISPID_UNKNOWN;
    d_->GetIDsOfNames(IID_NULL, names, 1, 0x400, &id);
    return id;
}

Outcome Control::invoke(DISPID dispid, uint16_t flags, std::vector<Variant> args) const
{
    std::vector<Variant> reversed(args.rbegin(), args.rend());
    Outcome o;
    EXCEPINFO ei;
    o.hr = InvokeMember(d_, dispid, flags, reversed.data(), static_cast<uint32_t>(reversed.size()), &o.value, &ei);
    o.scode = o.hr;
    if (o.hr == DISP_E_EXCEPTION) {
        o.scode = ei.scode;
        o.description = BstrToUtf8(ei.bstrDescription);
        o.source = BstrToUtf8(ei.bstrSource);
        o.helpContext = ei.dwHelpContext;
    }
    ClearExcepInfo(&ei);
    return o;
}

Outcome Control::get(const char* name, std::vector<Variant> index) const
{
    const DISPID d = id(name);
    EXPECT_NE(d, DISPID_UNKNOWN) << name;
    return invoke(d, DISPATCH_PROPERTYGET, std::move(index));
}

Outcome Control::put(const char* name, Variant value) const
{
    const DISPID d = id(name);
    EXPECT_NE(d, DISPID_UNKNOWN) << name;
    std::vector<Variant> args;
    args.push_back(value);
    return invoke(d, DISPATCH_PROPERTYPUT, std::move(args));
}

Outcome Control::putAt(const char* name, Variant index, Variant value) const
{
    const DISPID d = id(name);
    EXPECT_NE(d, DISPID_UNKNOWN) << name;
    std::vector<Variant> args;
    args.push_back(index);
    args.push_back(value);
    return invoke(d, DISPATCH_PROPERTYPUT, std::move(args));
}

Outcome Control::call(const char* name, std::vector<Variant> args) const
{
    const DISPID d = id(name);
    EXPECT_NE(d, DISPID_UNKNOWN) << name;
    return invoke(d, DISPATCH_METHOD, std::move(args));
}

std::string Control::config(const std::string& request) const
{
    const Outcome o = call("Config", {Str(request)});
    EXPECT_TRUE(o.ok()) << request << ": " << o.description;
    return o.ok() ? o.text() : std::string();
}

Control createControl()
{
    IDispatch* d = nullptr;
    const HRESULT hr =
        CoCreateInstance(CLSID_Corvel, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
    EXPECT_EQ(hr, S_OK);
    return Control(SUCCEEDED(hr) ? d : nullptr);
}

Control createControlWith(std::unique_ptr<BleLink> link)
{
    auto* control = new CorvelControl(std::move(link));
    IDispatch* d = nullptr;
    control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
    control->Release();
    return Control(d);
}

Site::Site(const Control& control) : control_(control.get()), site_(new HostSite())
{
    control_->AddRef();
    GiveSite(control_, site_);
}

Site::~Site()
{
    GiveSite(control_, nullptr);
    control_->Release();
    site_->Release();
}

// ---------------------------------------------------------------- events

RecordingSink::RecordingSink() = default;
RecordingSink::~RecordingSink() = default;

HRESULT RecordingSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID__ICorvelEvents) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

uint32_t RecordingSink::AddRef() { return ++refs_; }

uint32_t RecordingSink::Release()
{
    const uint32_t n = --refs_;
    if (n == 0)
        delete this;
    return n;
}

HRESULT RecordingSink::GetTypeInfoCount(uint32_t* count)
{
    if (count)
        *count = 0;
    return S_OK;
}

HRESULT RecordingSink::GetTypeInfo(uint32_t, uint32_t, void** typeInfo)
{
    if (typeInfo)
        *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT RecordingSink::GetIDsOfNames(REFIID, const OLECHAR**, uint32_t, uint32_t, DISPID*) { return E_NOTIMPL; }

HRESULT RecordingSink::Invoke(DISPID dispid, REFIID, uint32_t lcid, uint16_t flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO*, uint32_t*)
{
    if (result)
        VariantInit(result);
    EventCall call;
    call.dispid = dispid;
    call.lcid = lcid;
    call.flags = flags;
    std::vector<VARIANT*> args;
    if (params) {
        call.namedArgs = params->cNamedArgs;
        for (uint32_t i = 0; i < params->cArgs; ++i) {
            VARIANT* v = &params->rgvarg[params->cArgs - 1 - i];
            args.push_back(v);
            call.types.push_back(v->vt);
            call.values.push_back(zenu::corvelsh::FormatVariant(v));
        }
    }
    calls.push_back(call);
    if (onEvent)
        onEvent(dispid, args);
    return S_OK;
}

bool RecordingSink::advise(const Control& control)
{
    IConnectionPointContainer* container = nullptr;
    if (FAILED(control.get()->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))))
        return false;
    const HRESULT hr = container->FindConnectionPoint(DIID__ICorvelEvents, &point_);
    container->Release();
    if (FAILED(hr))
        return false;
    return SUCCEEDED(point_->Advise(static_cast<IDispatch*>(this), &cookie_));
}

void RecordingSink::unadvise()
{
    if (point_) {
        point_->Unadvise(cookie_);
        point_->Release();
        point_ = nullptr;
    }
}

std::vector<EventCall> RecordingSink::named(DISPID dispid) const
{
    std::vector<EventCall> out;
    for (const EventCall& c : calls)
        if (c.dispid == dispid)
            out.push_back(c);
    return out;
}

Sink::Sink(const Control& control) : sink_(new RecordingSink())
{
    EXPECT_TRUE(sink_->advise(control));
}

Sink::~Sink()
{
    sink_->unadvise();
    sink_->Release();
}

std::string hex(std::string_view bytes)
{
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(bytes[i]));
        if (i)
            out += ' ';
        out += buf;
    }
    return out;
}

} // namespace corveltest
