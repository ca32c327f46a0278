#pragma once
// Helpers for implementations of IDispatch::Invoke and for its callers.
#include "platform/com/unknown.h"

#include <string>

namespace com {

// Converts argument `position` (0 = the first argument, i.e. rgvarg[cArgs-1-position]) to `vt`
// into `out` (which the caller clears). Missing argument: DISP_E_PARAMNOTOPTIONAL; failed
// conversion: the conversion's error, with *argErr set to the index into rgvarg.
HRESULT GetArg(const DISPPARAMS* params, uint32_t position, VARTYPE vt, VARIANT* out, uint32_t* argErr);

// The value a property put carries: the argument named DISPID_PROPERTYPUT, else rgvarg[0].
const VARIANT* PutValue(const DISPPARAMS* params);

// Moves this thread's error information into `excepInfo` (if given) and returns
// DISP_E_EXCEPTION; when there is none, returns `hr` unchanged. `excepInfo->scode` is `hr`.
HRESULT ExcepInfoFromErrorInfo(HRESULT hr, EXCEPINFO* excepInfo);

// Frees the strings of an EXCEPINFO and zeroes it.
void ClearExcepInfo(EXCEPINFO* excepInfo);

// Calls `dispid` of `target` as automation callers do: `args` last to first, the value of a
// property put named DISPID_PROPERTYPUT, no result for a put, locale 0x400. `excepInfo` is
// zeroed first; `result` may be null.
HRESULT InvokeMember(IDispatch* target, DISPID dispid, uint16_t flags, VARIANT* args, uint32_t count,
                     VARIANT* result, EXCEPINFO* excepInfo);

// Takes this thread's error information and returns its description ("" when there is none).
std::string TakeErrorDescription();

// Description of a failed Invoke: EXCEPINFO's text, else the thread's error information, else a
// generic text for the code. `hr` becomes the code to report (EXCEPINFO's scode, or its wCode,
// for DISP_E_EXCEPTION). The caller still clears the EXCEPINFO.
std::string DescribeInvokeFailure(HRESULT& hr, EXCEPINFO* excepInfo);

// Case-insensitive comparison of a member name (ASCII letters fold; others compare exactly).
bool NamesEqualNoCase(std::u16string_view a, std::u16string_view b);

} // namespace com

using namespace com;
