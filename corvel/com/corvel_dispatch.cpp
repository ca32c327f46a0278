// ICorvel's late-bound entry point: argument checks and conversions, the
// design-time and read-only rules, and the calls into the core.
#include <algorithm>
#include <exception>
#include <new>

#include "corvel/com/corvel_control.h"
#include "corvel/com/corvel_ids.h"
#include "corvel/com/text_convert.h"
#include "corvel/sig/errors.h"
#include "corvel/sig/sig_names.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"

namespace corvel {

using namespace com;

namespace {

constexpr const char16_t* kReadOnly = u"Property is read-only.";
constexpr const char16_t* kRuntimeOnly = u"Property is runtime only (no supported in design time).";
constexpr const char16_t* kInvalidArrayIndex = u"Invalid array index.";

int16_t toShort(int64_t v)
{
    return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

void setI2(VARIANT* r, int64_t v)
{
    r->vt = VT_I2;
    r->iVal = toShort(v);
}

void setBool(VARIANT* r, bool v)
{
    r->vt = VT_BOOL;
    r->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}

std::string uuidText(const std::optional<Uuid>& u) { return u ? formatUuid(*u) : std::string(); }
std::string nameOf(SigKind kind, const std::optional<Uuid>& u) { return u ? sigName(kind, *u) : std::string(); }

} // namespace

HRESULT CorvelControl::Invoke(DISPID dispid, REFIID iid, uint32_t, uint16_t flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excepInfo, uint32_t* argErr)
{
    if (!(iid == IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    const MemberInfo* m = findMember(dispid);
    if (!m)
        return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params)
        params = &none;
    if (params->cArgs > 0 && !params->rgvarg)
        return E_INVALIDARG;
    if (params->cNamedArgs > 0 && !params->rgdispidNamedArgs)
        return E_INVALIDARG;
    if (result)
        VariantInit(result);
    // Only this call's failure may reach the caller's error information.
    SetErrorInfo(0, nullptr);

    // Keep the object alive while event handlers run inside the call.
    hold();
    HRESULT hr;
    try {
        if (m->kind == MemberKind::Property) {
            if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
                hr = invokeProperty(*m, true, params, result, argErr);
            else if (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))
                hr = invokeProperty(*m, false, params, result, argErr);
            else
                hr = DISP_E_MEMBERNOTFOUND;
        } else if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
            hr = invokeMethod(*m, params, result, argErr);
        } else {
            hr = DISP_E_MEMBERNOTFOUND;
        }
    } catch (const std::bad_alloc&) {
        if (result)
            VariantClear(result);
        hr = failWith(dispid, core_.fail(kErrOutOfMemory, text::kOutOfMemory));
    } catch (const std::exception& e) {
        hr = failInternally(dispid, result, std::string("Internal error: ") + e.what());
    } catch (...) {
        hr = failInternally(dispid, result, "Internal error.");
    }
    unhold();
    if (FAILED(hr))
        return ExcepInfoFromErrorInfo(hr, excepInfo);
    return hr;
}

// Nothing may unwind through the host's call; whatever was thrown is the call's failure.
HRESULT CorvelControl::failInternally(DISPID dispid, VARIANT* result, const std::string& description)
{
    if (result)
        VariantClear(result);
    SetErrorInfoFields(IID_ICorvel, kErrorSource, Utf8ToU16(description), u"", helpContextFor(dispid));
    return E_UNEXPECTED;
}

// ---------------------------------------------------------------- properties

HRESULT CorvelControl::invokeProperty(const MemberInfo& m, bool put, DISPPARAMS* params, VARIANT* result,
                                      uint32_t* argErr)
{
    const uint32_t positional = m.indexed ? 1u : 0u;
    if (put) {
        if (params->cNamedArgs > 1 ||
            (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_NONAMEDARGS;
        if (params->cArgs != positional + 1)
            return DISP_E_BADPARAMCOUNT;
    } else {
        if (params->cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
        if (params->cArgs != positional)
            return DISP_E_BADPARAMCOUNT;
        // A get without a place for its value does nothing.
        if (!result)
            return S_OK;
    }
    if (m.dispid != DISPID_Timeout && designMode())
        return failCtl(m.dispid, 394, kRuntimeOnly);
    if (put && !m.writable)
        return failCtl(m.dispid, 383, kReadOnly);

    int32_t index = 0;
    if (m.indexed) {
        Variant v;
        // The index is the first argument; for a put the value sits in rgvarg[0].
        const uint32_t position = 0;
        if (HRESULT hr = GetArg(params, position, VT_I4, &v, argErr); FAILED(hr))
            return hr;
        index = v.lVal;
    }
    if (put) {
        const VARIANT* value = PutValue(params);
        if (!value)
            return DISP_E_PARAMNOTFOUND;
        return putProperty(m, index, *value);
    }
    return getProperty(m, index, result);
}

HRESULT CorvelControl::getProperty(const MemberInfo& m, int32_t index, VARIANT* r)
{
    const DISPID id = m.dispid;
    auto failed = [&](const Status& s) {
        return s.code == kErrIndexOutOfBounds ? failCtl(id, 381, kInvalidArrayIndex) : failWith(id, s);
    };
    auto setText = [&](std::string_view bytes) {
        r->bstrVal = toBstr(bytes);
        r->vt = VT_BSTR;
        return S_OK;
    };
    auto setValueText = [&](std::string_view bytes) {
        r->bstrVal = valueToBstr(bytes);
        r->vt = VT_BSTR;
        return S_OK;
    };

    switch (id) {
    case DISPID_ActiveScanning:
        setBool(r, core_.activeScanning());
        return S_OK;
    case DISPID_Characteristic:
        return setText(core_.selectedCharacteristic());
    case DISPID_CharacteristicCount:
        setI2(r, core_.characteristicCount());
        return S_OK;
    case DISPID_CharacteristicCanSubscribe: {
        Result<bool> v = core_.characteristicCanSubscribe(index);
        if (!v.ok())
            return failed(v.status);
        setBool(r, v.value);
        return S_OK;
    }
    case DISPID_CharacteristicDescription:
    case DISPID_CharacteristicId:
    case DISPID_CharacteristicUuid: {
        Result<CharacteristicRecord*> c = core_.characteristicAt(index);
        if (!c.ok())
            return failed(c.status);
        if (id == DISPID_CharacteristicId)
            return setText(c.value->id);
        if (id == DISPID_CharacteristicUuid)
            return setText(uuidText(c.value->uuid));
        return setText(nameOf(SigKind::Characteristic, c.value->uuid));
    }
    case DISPID_CharacteristicFlags: {
        Result<uint16_t> v = core_.characteristicFlags(index);
        if (!v.ok())
            return failed(v.status);
        setI2(r, v.value);
        return S_OK;
    }
    case DISPID_CharacteristicUserDescription: {
        Result<std::string> v = core_.characteristicUserDescription(index);
        if (!v.ok())
            return failed(v.status);
        return setValueText(v.value);
    }
    case DISPID_CharacteristicValueExponent:
    case DISPID_CharacteristicValueFormatCount:
    case DISPID_CharacteristicValueFormatIndex: {
        Result<int> v = id == DISPID_CharacteristicValueExponent ? core_.characteristicValueExponent(index)
                        : id == DISPID_CharacteristicValueFormatCount
                            ? core_.characteristicValueFormatCount(index)
                            : core_.characteristicValueFormatIndex(index);
        if (!v.ok())
            return failed(v.status);
        setI2(r, v.value);
        return S_OK;
    }
    case DISPID_CharacteristicValueFormat: {
        Result<int> v = core_.characteristicValueFormat(index);
        if (!v.ok())
            return failed(v.status);
        r->vt = VT_I4;
        r->lVal = v.value;
        return S_OK;
    }
    case DISPID_CharacteristicValueUnit: {
        Result<std::string> v = core_.characteristicValueUnit(index);
        if (!v.ok())
            return failed(v.status);
        return setText(v.value);
    }
    case DISPID_DescriptorCount:
        setI2(r, core_.descriptorCount());
        return S_OK;
    case DISPID_DescriptorDescription:
    case DISPID_DescriptorId:
    case DISPID_DescriptorUuid: {
        Result<DescriptorRecord*> d = core_.descriptorAt(index);
        if (!d.ok())
            return failed(d.status);
        if (id == DISPID_DescriptorId)
            return setText(d.value->id);
        if (id == DISPID_DescriptorUuid)
            return setText(uuidText(d.value->uuid));
        return setText(nameOf(SigKind::Descriptor, d.value->uuid));
    }
    case DISPID_Scanning:
        setBool(r, core_.scanning());
        return S_OK;
    case DISPID_ServerId:
        return setText(core_.serverId());
    case DISPID_ServerName:
        return setValueText(core_.serverName());
    case DISPID_Service:
        return setText(core_.selectedService());
    case DISPID_ServiceCount:
        setI2(r, core_.serviceCount());
        return S_OK;
    case DISPID_ServiceDescription:
    case DISPID_ServiceId:
    case DISPID_ServiceIncludedSvcIds:
    case DISPID_ServiceParentSvcIds:
    case DISPID_ServiceUuid: {
        Result<ServiceRecord*> s = core_.serviceAt(index);
        if (!s.ok())
            return failed(s.status);
        switch (id) {
        case DISPID_ServiceId:
            return setText(s.value->id);
        case DISPID_ServiceUuid:
            return setText(uuidText(s.value->uuid));
        case DISPID_ServiceIncludedSvcIds:
            return setText(joinIds(s.value->includedIds));
        case DISPID_ServiceParentSvcIds:
            return setText(joinIds(s.value->parentIds));
        default:
            return setText(nameOf(SigKind::Service, s.value->uuid));
        }
    }
    case DISPID_Timeout:
        setI2(r, core_.timeout());
        return S_OK;
    case DISPID_AdvertisementManufacturerDataB:
        return byteArrayProperty(currentManufacturerData_, r);
    case DISPID_ValueValueB:
        return byteArrayProperty(currentValue_, r);
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CorvelControl::byteArrayProperty(const std::optional<std::string>& bytes, VARIANT* r)
{
    if (!bytes || bytes->empty())
        return S_OK;   // VT_EMPTY
    SAFEARRAY* array = SafeArrayFromBytes(bytes->data(), static_cast<uint32_t>(bytes->size()));
    if (!array)
        throw std::bad_alloc();
    r->vt = VT_ARRAY | VT_UI1;
    r->parray = array;
    return S_OK;
}

HRESULT CorvelControl::putProperty(const MemberInfo& m, int32_t index, const VARIANT& value)
{
    const DISPID id = m.dispid;
    Variant v;
    const VARTYPE vt = id == DISPID_Timeout || id == DISPID_CharacteristicCount ||
                               id == DISPID_CharacteristicValueFormatIndex
                           ? static_cast<VARTYPE>(VT_I2)
                           : m.type;
    if (HRESULT hr = VariantChangeType(&v, &value, 0, vt); FAILED(hr))
        return hr;
    auto done = [&](const Status& s) {
        if (s.ok())
            return S_OK;
        return s.code == kErrIndexOutOfBounds ? failCtl(id, 381, kInvalidArrayIndex) : failWith(id, s);
    };
    switch (id) {
    case DISPID_ActiveScanning:
        return done(core_.setActiveScanning(v.boolVal != VARIANT_FALSE));
    case DISPID_Characteristic:
        return done(core_.setCharacteristic(fromBstr(v.bstrVal)));
    case DISPID_CharacteristicCount:
        core_.setCharacteristicCount(v.iVal);
        return S_OK;
    case DISPID_CharacteristicUserDescription:
        return done(core_.setCharacteristicUserDescription(index, valueFromBstr(v.bstrVal)));
    case DISPID_CharacteristicValueFormatIndex:
        return done(core_.setCharacteristicValueFormatIndex(index, v.iVal));
    case DISPID_Service:
        return done(core_.setService(fromBstr(v.bstrVal)));
    case DISPID_Timeout:
        core_.setTimeout(v.iVal);
        return S_OK;
    default:
        return failCtl(id, 383, kReadOnly);
    }
}

// ---------------------------------------------------------------- methods

HRESULT CorvelControl::invokeMethod(const MemberInfo& m, DISPPARAMS* params, VARIANT* result, uint32_t* argErr)
{
    const DISPID id = m.dispid;
    if (params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (params->cArgs != m.argCount)
        return DISP_E_BADPARAMCOUNT;

    switch (id) {
    case DISPID_AboutBox:
        showAboutBox();
        return S_OK;
    case DISPID_OnEndPage:
        return S_OK;
    case DISPID_OnStartPage: {
        // Any interface pointer (or none) is accepted; it is not kept.
        const VARIANT* a = &params->rgvarg[0];
        while (a->vt == (VT_BYREF | VT_VARIANT) && a->pvarVal)
            a = a->pvarVal;
        const VARTYPE vt = a->vt & ~VT_BYREF;
        if (vt != VT_UNKNOWN && vt != VT_DISPATCH && vt != VT_EMPTY && vt != VT_NULL && vt != VT_ERROR) {
            if (argErr)
                *argErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        onStartPageCalled_ = true;
        return S_OK;
    }
    default:
        break;
    }

    // Convert every argument first; strings go through the code page. The value of a
    // write is data, the other strings are Ids, UUIDs and settings.
    Variant args[4];
    std::string text[4];
    const uint32_t valueArg = id == DISPID_WriteValue ? 3u : id == DISPID_PostValue ? 2u : 99u;
    for (uint32_t i = 0; i < m.argCount; ++i) {
        if (HRESULT hr = GetArg(params, i, m.args[i], &args[i], argErr); FAILED(hr))
            return hr;
        if (m.args[i] == VT_BSTR)
            text[i] = i == valueArg ? valueFromBstr(args[i].bstrVal) : fromBstr(args[i].bstrVal);
    }
    auto done = [&](const Status& s) { return s.ok() ? S_OK : failWith(id, s); };
    auto textResult = [&](const Result<std::string>& r) {
        if (!r.ok())
            return failWith(id, r.status);
        if (result) {
            const bool deviceData = id != DISPID_Config || ControlCore::configAnswersDeviceData(text[0]);
            result->bstrVal = deviceData ? valueToBstr(r.value) : toBstr(r.value);
            result->vt = VT_BSTR;
        }
        return S_OK;
    };

    switch (id) {
    case DISPID_CheckCharacteristicSubscribed: {
        Result<bool> r = core_.checkCharacteristicSubscribed(args[0].iVal);
        if (!r.ok())
            return failWith(id, r.status);
        if (result)
            setBool(result, r.value);
        return S_OK;
    }
    case DISPID_Config:
        return textResult(core_.config(text[0]));
    case DISPID_Connect:
        return done(core_.connect(text[0]));
    case DISPID_Disconnect:
        return done(core_.disconnect());
    case DISPID_Discover:
        return done(core_.discover(text[0], text[1], args[2].boolVal != VARIANT_FALSE, text[3]));
    case DISPID_DiscoverCharacteristics:
        return done(core_.discoverCharacteristics(text[0], text[1]));
    case DISPID_DiscoverDescriptors:
        return done(core_.discoverDescriptors(text[0], text[1]));
    case DISPID_DiscoverServices:
        return done(core_.discoverServices(text[0], text[1]));
    case DISPID_DoEvents:
        core_.doEvents();
        return S_OK;
    case DISPID_PostValue:
        return done(core_.postValue(text[0], text[1], text[2]));
    case DISPID_QueryCharacteristicCachedVal:
        return textResult(core_.queryCharacteristicCachedVal(args[0].iVal));
    case DISPID_QueryDescriptorCachedVal:
        return textResult(core_.queryDescriptorCachedVal(args[0].iVal));
    case DISPID_ReadValue:
        return textResult(core_.readValue(text[0], text[1], text[2]));
    case DISPID_Select:
        return done(core_.select(text[0], text[1]));
    case DISPID_StartScanning:
        return done(core_.startScanning(text[0]));
    case DISPID_StopScanning:
        return done(core_.stopScanning());
    case DISPID_Subscribe:
        return done(core_.subscribe(text[0], text[1]));
    case DISPID_Unsubscribe:
        return done(core_.unsubscribe(text[0], text[1]));
    case DISPID_WriteValue:
        return done(core_.writeValue(text[0], text[1], text[2], text[3]));
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace corvel
