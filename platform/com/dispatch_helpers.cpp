#include "platform/com/dispatch_helpers.h"

#include "platform/com/bstr.h"
#include "platform/com/errorinfo.h"
#include "platform/com/hresult.h"

#include <cstring>

namespace com {

HRESULT GetArg(const DISPPARAMS* params, uint32_t position, VARTYPE vt, VARIANT* out, uint32_t* argErr)
{
    if (!params || !out)
        return E_INVALIDARG;
    if (position >= params->cArgs || !params->rgvarg)
        return DISP_E_PARAMNOTOPTIONAL;
    const uint32_t index = params->cArgs - 1 - position;
    const HRESULT hr = VariantChangeType(out, &params->rgvarg[index], 0, vt);
    if (FAILED(hr) && argErr)
        *argErr = index;
    return hr;
}

const VARIANT* PutValue(const DISPPARAMS* params)
{
    if (!params || !params->rgvarg || params->cArgs == 0)
        return nullptr;
    for (uint32_t i = 0; i < params->cNamedArgs && i < params->cArgs; ++i)
        if (params->rgdispidNamedArgs && params->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT)
            return &params->rgvarg[i];
    return &params->rgvarg[0];
}

void ClearExcepInfo(EXCEPINFO* ei)
{
    if (!ei)
        return;
    SysFreeString(ei->bstrSource);
    SysFreeString(ei->bstrDescription);
    SysFreeString(ei->bstrHelpFile);
    std::memset(static_cast<void*>(ei), 0, sizeof(EXCEPINFO));
}

HRESULT ExcepInfoFromErrorInfo(HRESULT hr, EXCEPINFO* ei)
{
    IErrorInfo* info = nullptr;
    GetErrorInfo(0, &info);
    if (!info)
        return hr;
    if (!ei) {
        // No place for the details: leave them where the caller's GetErrorInfo finds them.
        SetErrorInfo(0, info);
        info->Release();
        return hr;
    }
    ClearExcepInfo(ei);
    info->GetSource(&ei->bstrSource);
    info->GetDescription(&ei->bstrDescription);
    info->GetHelpFile(&ei->bstrHelpFile);
    info->GetHelpContext(&ei->dwHelpContext);
    ei->scode = hr;
    info->Release();
    return DISP_E_EXCEPTION;
}

bool NamesEqualNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

HRESULT InvokeMember(IDispatch* target, DISPID dispid, uint16_t flags, VARIANT* args, uint32_t count,
                     VARIANT* result, EXCEPINFO* excepInfo)
{
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params {count ? args : nullptr, nullptr, count, 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
        result = nullptr;
    }
    if (excepInfo)
        std::memset(static_cast<void*>(excepInfo), 0, sizeof *excepInfo);
    uint32_t argErr = 0;
    return target->Invoke(dispid, IID_NULL, 0x400, flags, &params, result, excepInfo, &argErr);
}

std::string TakeErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info)
        return {};
    BStr d;
    std::string text;
    if (SUCCEEDED(info->GetDescription(d.out())))
        text = d.utf8();
    info->Release();
    return text;
}

std::string DescribeInvokeFailure(HRESULT& hr, EXCEPINFO* ei)
{
    std::string text;
    if (hr == DISP_E_EXCEPTION && ei) {
        if (ei->pfnDeferredFillIn)
            ei->pfnDeferredFillIn(ei);
        if (ei->scode)
            hr = ei->scode;
        else if (ei->wCode)
            hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, ei->wCode);
        text = BstrToUtf8(ei->bstrDescription);
    }
    if (text.empty())
        text = TakeErrorDescription();
    if (text.empty())
        text = HResultText(hr);
    return text;
}

} // namespace com
