#include "tests/platform/com_fake_control.h"

#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"

#include <QObject>
#include <QTimer>

namespace comtest {

const CLSID CLSID_FakeControl = {0x6C1B2E60, 0x3F0A, 0x4D7E, {0x9A, 0x41, 0x0B, 0x7E, 0x5C, 0x2D, 0x9A, 0x01}};
const IID IID_IFakeControl = {0x6C1B2E61, 0x3F0A, 0x4D7E, {0x9A, 0x41, 0x0B, 0x7E, 0x5C, 0x2D, 0x9A, 0x01}};
const IID IID_FakeEvents = {0x86800402, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};
std::atomic<int> g_liveObjects{0};

namespace {
struct Member {
    const char16_t* name;
    DISPID id;
};
const Member kMembers[] = {
    {u"Name", kName}, {u"Count", kCount}, {u"Item", kItem}, {u"ReadOnly", kReadOnly}, {u"Bytes", kBytes},
    {u"UserMode", kUserMode}, {u"RuntimeOnly", kRuntimeOnly}, {u"Echo", kEcho}, {u"Add", kAdd},
    {u"Fire", kFire}, {u"FireLater", kFireLater}, {u"FireUnnamed", kFireUnnamed}, {u"Fail", kFail},
    {u"FailPlain", kFailPlain},
};
} // namespace

FakeControl::FakeControl() : point_(new ConnectionPoint(this, IID_FakeEvents)), timerContext_(new QObject)
{
    ++g_liveObjects;
}

FakeControl::~FakeControl()
{
    timerContext_.reset();   // cancels pending FireLater timers
    point_->detach();
    point_->Release();
    if (site_)
        site_->Release();
    --g_liveObjects;
}

HRESULT FakeControl::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IFakeControl)
        *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IObjectWithSiteLite)
        *object = static_cast<IObjectWithSiteLite*>(this);
    else if (iid == IID_IProvideEventNames)
        *object = static_cast<IProvideEventNames*>(this);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t FakeControl::AddRef()
{
    return ++refs_;
}

uint32_t FakeControl::Release()
{
    const uint32_t n = --refs_;
    if (n == 0)
        delete this;
    return n;
}

HRESULT FakeControl::GetTypeInfoCount(uint32_t* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT FakeControl::GetTypeInfo(uint32_t, uint32_t, void** typeInfo)
{
    if (typeInfo)
        *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeControl::GetIDsOfNames(REFIID, const OLECHAR** names, uint32_t cNames, uint32_t, DISPID* ids)
{
    if (!names || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (uint32_t i = 0; i < cNames; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0 && names[0]) {
            for (const auto& m : kMembers)
                if (NamesEqualNoCase(names[0], m.name))
                    ids[0] = m.id;
        }
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

bool FakeControl::userMode() const
{
    if (!site_)
        return true;
    Variant v;
    if (FAILED(site_->GetAmbientProperty(DISPID_AMBIENT_USERMODE, &v)) || v.vt != VT_BOOL)
        return true;
    return v.boolVal != VARIANT_FALSE;
}

HRESULT FakeControl::fail(HRESULT hr, const char16_t* text, EXCEPINFO* ei)
{
    SetErrorInfoFields(IID_IFakeControl, u"CorvelTest.Fake", text, u"", 0);
    return ExcepInfoFromErrorInfo(hr, ei);
}

int FakeControl::fire(DISPID dispid, const std::u16string& text, int16_t number, bool flag)
{
    // The object owns the strings it passes and frees them after every sink ran.
    BSTR s = BstrFromU16(text);
    int16_t n = number;
    VARIANT_BOOL f = flag ? VARIANT_TRUE : VARIANT_FALSE;
    VARIANT args[3];
    for (auto& a : args)
        VariantInit(&a);
    args[2].vt = VT_BYREF | VT_BSTR;
    args[2].pbstrVal = &s;
    args[1].vt = VT_BYREF | VT_I2;
    args[1].piVal = &n;
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &f;
    DISPPARAMS p {args, nullptr, 3, 0};
    AddRef();   // a handler may release the host's last reference
    const int called = point_->fire(dispid, &p);
    SysFreeString(s);
    Release();
    return called;
}

HRESULT FakeControl::Invoke(DISPID dispid, REFIID, uint32_t, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* ei, uint32_t* argErr)
{
    if (!params)
        return E_POINTER;
    const bool put = flags & DISPATCH_PROPERTYPUT;
    Variant tmp, tmp2;
    auto arg = [&](uint32_t pos, VARTYPE vt, Variant& out) { return GetArg(params, pos, vt, &out, argErr); };
    auto putValue = [&](VARTYPE vt, Variant& out) {
        const VARIANT* v = PutValue(params);
        return v ? VariantChangeType(&out, v, 0, vt) : DISP_E_PARAMNOTOPTIONAL;
    };
    auto ret = [&](Variant& v) {
        if (result)
            VariantCopy(result, &v);
        return S_OK;
    };
    HRESULT hr;
    switch (dispid) {
    case kName:
        if (put) {
            if (FAILED(hr = putValue(VT_BSTR, tmp)))
                return hr;
            name_ = BstrToU16(tmp.bstrVal);
            return S_OK;
        }
        tmp = Variant::fromU16(name_);
        return ret(tmp);
    case kCount:
        if (put) {
            if (FAILED(hr = putValue(VT_I2, tmp)))
                return hr;
            count_ = tmp.iVal;
            return S_OK;
        }
        tmp = Variant::fromI2(count_);
        return ret(tmp);
    case kItem: {
        if (put)
            return fail(MakeCtlError(383), u"Property is read-only.", ei);
        if (FAILED(hr = arg(0, VT_I4, tmp)))
            return hr;
        static const char16_t* items[] = {u"zero", u"one", u"two"};
        if (tmp.lVal < 0 || tmp.lVal >= 3)
            return fail(MakeCtlError(381), u"Invalid array index.", ei);
        tmp2 = Variant::fromU16(items[tmp.lVal]);
        return ret(tmp2);
    }
    case kReadOnly:
        if (put)
            return fail(MakeCtlError(383), u"Property is read-only.", ei);
        tmp = Variant::fromI4(42);
        return ret(tmp);
    case kBytes: {
        const uint8_t bytes[] = {0x00, 0x41, 0xFF};
        tmp.vt = VT_ARRAY | VT_UI1;
        tmp.parray = SafeArrayFromBytes(bytes, 3);
        return ret(tmp);
    }
    case kUserMode:
        tmp = Variant::fromBool(userMode());
        return ret(tmp);
    case kRuntimeOnly:
        if (!userMode())
            return fail(MakeCtlError(394), u"Property is runtime only (no supported in design time).", ei);
        tmp = Variant::fromI2(1);
        return ret(tmp);
    case kEcho:
        if (FAILED(hr = arg(0, VT_BSTR, tmp)))
            return hr;
        return ret(tmp);
    case kAdd: {
        if (FAILED(hr = arg(0, VT_I4, tmp)) || FAILED(hr = arg(1, VT_I4, tmp2)))
            return hr;
        const int64_t sum = int64_t(tmp.lVal) + tmp2.lVal;
        if (sum > INT32_MAX || sum < INT32_MIN)
            return DISP_E_OVERFLOW;
        Variant r = Variant::fromI4(static_cast<int32_t>(sum));
        return ret(r);
    }
    case kFire: {
        Variant n, f;
        if (FAILED(hr = arg(0, VT_BSTR, tmp)) || FAILED(hr = arg(1, VT_I2, n)) || FAILED(hr = arg(2, VT_BOOL, f)))
            return hr;
        Variant r = Variant::fromI4(fire(kPing, BstrToU16(tmp.bstrVal), n.iVal, f.boolVal != 0));
        return ret(r);
    }
    case kFireLater: {
        if (FAILED(hr = arg(0, VT_I4, tmp)))
            return hr;
        QTimer::singleShot(tmp.lVal, timerContext_.get(), [this] { fire(kLater, u"later", 7, true); });
        return S_OK;
    }
    case kFireUnnamed:
        fire(kUnnamed, u"x", 5, false);
        return S_OK;
    case kFail:
        if (FAILED(hr = arg(0, VT_BSTR, tmp)))
            return hr;
        SetErrorInfoFields(IID_IFakeControl, u"CorvelTest.Fake", BstrToU16(tmp.bstrVal), u"", 44000);
        return ExcepInfoFromErrorInfo(MakeCtlError(0x507E), ei);
    case kFailPlain:
        // Fails without EXCEPINFO: the caller finds the text through GetErrorInfo.
        SetErrorInfoFields(IID_IFakeControl, u"CorvelTest.Fake", u"Plain failure.", u"", 0);
        return E_FAIL;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT FakeControl::EnumConnectionPoints(void** enumerator)
{
    if (enumerator)
        *enumerator = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (!(iid == IID_FakeEvents))
        return CONNECT_E_NOCONNECTION;
    point_->AddRef();
    *point = point_;
    return S_OK;
}

HRESULT FakeControl::SetSite(IUnknown* site)
{
    IOleClientSiteLite* fresh = nullptr;
    if (site && FAILED(site->QueryInterface(IID_IOleClientSiteLite, reinterpret_cast<void**>(&fresh))))
        fresh = nullptr;
    if (site_)
        site_->Release();
    site_ = fresh;
    return S_OK;
}

HRESULT FakeControl::GetEventName(DISPID dispid, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    switch (dispid) {
    case kPing: *name = BstrFromUtf8("Ping"); return S_OK;
    case kLater: *name = BstrFromUtf8("Later"); return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT FakeControl::InterfaceSupportsErrorInfo(REFIID iid)
{
    return iid == IID_IFakeControl || iid == IID_IDispatch ? S_OK : S_FALSE;
}

} // namespace comtest
