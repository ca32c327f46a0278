#include "platform/com/variant.h"

#include "platform/com/unknown.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace com {

// ---- SAFEARRAY (one-dimensional byte vectors) ----

namespace {
constexpr uint16_t FADF_FIXEDSIZE = 0x0010;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t elements)
{
    if (vt != VT_UI1)
        return nullptr;
    auto* sa = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
    if (!sa)
        return nullptr;
    sa->cDims = 1;
    sa->fFeatures = FADF_FIXEDSIZE;
    sa->cbElements = 1;
    sa->rgsabound[0].cElements = elements;
    sa->rgsabound[0].lLbound = lowerBound;
    sa->pvData = std::calloc(elements ? elements : 1, 1);
    if (!sa->pvData) {
        std::free(sa);
        return nullptr;
    }
    return sa;
}

SAFEARRAY* SafeArrayFromBytes(const void* bytes, uint32_t count)
{
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, count);
    if (sa && count && bytes)
        std::memcpy(sa->pvData, bytes, count);
    return sa;
}

HRESULT SafeArrayDestroy(SAFEARRAY* sa)
{
    if (!sa)
        return S_OK;
    if (sa->cLocks)
        return DISP_E_ARRAYISLOCKED;
    std::free(sa->pvData);
    std::free(sa);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* sa, void** data)
{
    if (!sa || !data)
        return E_INVALIDARG;
    ++sa->cLocks;
    *data = sa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* sa)
{
    if (!sa)
        return E_INVALIDARG;
    if (sa->cLocks == 0)
        return E_UNEXPECTED;
    --sa->cLocks;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* sa, uint32_t dim, int32_t* bound)
{
    if (!sa || !bound)
        return E_INVALIDARG;
    if (dim < 1 || dim > sa->cDims)
        return DISP_E_BADINDEX;
    *bound = sa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* sa, uint32_t dim, int32_t* bound)
{
    if (!sa || !bound)
        return E_INVALIDARG;
    if (dim < 1 || dim > sa->cDims)
        return DISP_E_BADINDEX;
    *bound = static_cast<int32_t>(int64_t(sa->rgsabound[0].lLbound) + int64_t(sa->rgsabound[0].cElements) - 1);
    return S_OK;
}

uint32_t SafeArrayGetDim(SAFEARRAY* sa)
{
    return sa ? sa->cDims : 0;
}

HRESULT SafeArrayCopy(SAFEARRAY* src, SAFEARRAY** copy)
{
    if (!copy)
        return E_INVALIDARG;
    *copy = nullptr;
    if (!src)
        return S_OK;
    if (src->cDims != 1 || src->cbElements != 1)
        return DISP_E_BADVARTYPE;
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, src->rgsabound[0].lLbound, src->rgsabound[0].cElements);
    if (!sa)
        return E_OUTOFMEMORY;
    if (src->rgsabound[0].cElements)
        std::memcpy(sa->pvData, src->pvData, src->rgsabound[0].cElements);
    *copy = sa;
    return S_OK;
}

// ---- VARIANT ----

void VariantInit(VARIANT* v)
{
    if (!v)
        return;
    std::memset(static_cast<void*>(v), 0, sizeof(VARIANT));
    v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            hr = SafeArrayDestroy(v->parray);
            if (FAILED(hr))
                return hr;
        } else {
            switch (v->vt) {
            case VT_BSTR: SysFreeString(v->bstrVal); break;
            case VT_UNKNOWN:
            case VT_DISPATCH:
                if (v->punkVal)
                    v->punkVal->Release();
                break;
            default: break;
            }
        }
    }
    VariantInit(v);
    return hr;
}

namespace {

BSTR copyBstr(BSTR s)
{
    if (!s)
        return nullptr;
    // By byte length, so odd byte lengths and embedded zeros survive.
    return SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s));
}

bool supportedPlain(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_BSTR: case VT_DISPATCH:
    case VT_ERROR: case VT_BOOL: case VT_UNKNOWN: case VT_UI1:
        return true;
    default:
        return false;
    }
}

// Deep copy of a non-by-reference value into an initialised `dst`.
HRESULT copyValue(VARIANT* dst, const VARIANT* src)
{
    VARIANT tmp;
    std::memcpy(static_cast<void*>(&tmp), src, sizeof(VARIANT));
    if (src->vt & VT_ARRAY) {
        if ((src->vt & VT_TYPEMASK) != VT_UI1)
            return DISP_E_BADVARTYPE;
        HRESULT hr = SafeArrayCopy(src->parray, &tmp.parray);
        if (FAILED(hr))
            return hr;
    } else if (src->vt == VT_BSTR) {
        tmp.bstrVal = copyBstr(src->bstrVal);
        if (src->bstrVal && !tmp.bstrVal)
            return E_OUTOFMEMORY;
    } else if (src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) {
        if (tmp.punkVal)
            tmp.punkVal->AddRef();
    } else if (!supportedPlain(src->vt)) {
        return DISP_E_BADVARTYPE;
    }
    std::memcpy(static_cast<void*>(dst), &tmp, sizeof(VARIANT));
    return S_OK;
}

// The value a by-reference variant points to, as a plain (non-owning) VARIANT.
HRESULT deref(const VARIANT* src, VARIANT* plain)
{
    VariantInit(plain);
    if (!(src->vt & VT_BYREF)) {
        std::memcpy(static_cast<void*>(plain), src, sizeof(VARIANT));
        return S_OK;
    }
    if (!src->piVal)
        return E_POINTER;
    const VARTYPE base = src->vt & ~VT_BYREF;
    if (base & VT_ARRAY) {
        plain->vt = base;
        plain->parray = *src->pparray;
        return S_OK;
    }
    switch (base) {
    case VT_I2: plain->iVal = *src->piVal; break;
    case VT_I4: plain->lVal = *src->plVal; break;
    case VT_BOOL: plain->boolVal = *src->pboolVal; break;
    case VT_UI1: plain->bVal = *src->pbVal; break;
    case VT_BSTR: plain->bstrVal = *src->pbstrVal; break;
    case VT_UNKNOWN: plain->punkVal = *src->ppunkVal; break;
    case VT_DISPATCH: plain->pdispVal = *src->ppdispVal; break;
    case VT_ERROR: plain->scode = *reinterpret_cast<HRESULT*>(src->plVal); break;
    case VT_VARIANT:
        if (src->pvarVal->vt & VT_BYREF)
            return DISP_E_BADVARTYPE;   // one level only, as automation allows
        std::memcpy(static_cast<void*>(plain), src->pvarVal, sizeof(VARIANT));
        return S_OK;
    default: return DISP_E_BADVARTYPE;
    }
    plain->vt = base;
    return S_OK;
}

} // namespace

HRESULT VariantCopy(VARIANT* dst, const VARIANT* src)
{
    if (!dst || !src)
        return E_INVALIDARG;
    if (dst == src)
        return S_OK;
    if (src->vt & VT_BYREF) {
        HRESULT hr = VariantClear(dst);
        if (FAILED(hr))
            return hr;
        std::memcpy(static_cast<void*>(dst), src, sizeof(VARIANT));
        return S_OK;
    }
    VARIANT tmp;
    VariantInit(&tmp);
    HRESULT hr = copyValue(&tmp, src);
    if (FAILED(hr))
        return hr;
    hr = VariantClear(dst);
    if (FAILED(hr)) {
        VariantClear(&tmp);
        return hr;
    }
    std::memcpy(static_cast<void*>(dst), &tmp, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dst, const VARIANT* src)
{
    if (!dst || !src)
        return E_INVALIDARG;
    VARIANT plain;
    HRESULT hr = deref(src, &plain);
    if (FAILED(hr))
        return hr;
    VARIANT tmp;
    VariantInit(&tmp);
    hr = copyValue(&tmp, &plain);
    if (FAILED(hr))
        return hr;
    hr = VariantClear(dst);
    if (FAILED(hr)) {
        VariantClear(&tmp);
        return hr;
    }
    std::memcpy(static_cast<void*>(dst), &tmp, sizeof(VARIANT));
    return S_OK;
}

namespace {

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool equalsNoCase(std::u16string_view a, std::u16string_view b)
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

// Text -> number as automation does for integers: optional blanks and sign, decimal digits
// with an optional fraction (rounded half to even), or "&H" hexadecimal; "True"/"False" too
// when converting to a boolean.
HRESULT parseNumber(std::u16string_view s, bool allowBoolWords, double& out)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    if (allowBoolWords) {
        if (equalsNoCase(s, u"True") || equalsNoCase(s, u"#TRUE#")) { out = -1; return S_OK; }
        if (equalsNoCase(s, u"False") || equalsNoCase(s, u"#FALSE#")) { out = 0; return S_OK; }
    }
    if (s.empty())
        return DISP_E_TYPEMISMATCH;
    if (s.size() > 2 && s[0] == u'&' && (s[1] == u'H' || s[1] == u'h')) {
        uint64_t v = 0;
        if (s.size() > 2 + 8)
            return DISP_E_OVERFLOW;
        for (size_t i = 2; i < s.size(); ++i) {
            const char16_t c = s[i];
            int d;
            if (c >= u'0' && c <= u'9') d = c - u'0';
            else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
            else return DISP_E_TYPEMISMATCH;
            v = v * 16 + uint64_t(d);
        }
        // Hex literals are two's complement of their width, as in the language: &HFFFF = -1 (16 bit).
        if (s.size() <= 2 + 4)
            out = static_cast<int16_t>(static_cast<uint16_t>(v));
        else
            out = static_cast<int32_t>(static_cast<uint32_t>(v));
        return S_OK;
    }
    std::string ascii;
    size_t i = 0;
    if (s[i] == u'+' || s[i] == u'-')
        ascii.push_back(static_cast<char>(s[i++]));
    bool digits = false, dot = false;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= u'0' && c <= u'9') {
            digits = true;
            ascii.push_back(static_cast<char>(c));
        } else if (c == u'.' && !dot) {
            dot = true;
            ascii.push_back('.');
        } else {
            return DISP_E_TYPEMISMATCH;
        }
    }
    if (!digits || ascii.size() > 60)
        return ascii.size() > 60 ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    out = std::strtod(ascii.c_str(), nullptr);
    return S_OK;
}

HRESULT toInteger(double d, double lo, double hi, int64_t& out)
{
    const double r = std::nearbyint(d);   // default rounding mode: half to even
    if (!(r >= lo && r <= hi))
        return DISP_E_OVERFLOW;
    out = static_cast<int64_t>(r);
    return S_OK;
}

std::u16string numberText(int64_t v)
{
    const std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

} // namespace

HRESULT VariantChangeType(VARIANT* dst, const VARIANT* src, uint16_t flags, VARTYPE vt)
{
    if (!dst || !src)
        return E_INVALIDARG;
    VARIANT plain;
    HRESULT hr = deref(src, &plain);
    if (FAILED(hr))
        return hr;

    VARIANT result;
    VariantInit(&result);
    if (plain.vt == vt) {
        hr = copyValue(&result, &plain);
        if (FAILED(hr))
            return hr;
    } else {
        // Everything converts through a number or through text.
        double number = 0;
        bool isText = false;
        switch (plain.vt) {
        case VT_EMPTY: number = 0; break;
        case VT_I2: number = plain.iVal; break;
        case VT_I4: number = plain.lVal; break;
        case VT_BOOL: number = plain.boolVal ? -1 : 0; break;
        case VT_UI1: number = plain.bVal; break;
        case VT_BSTR: isText = true; break;
        default: return DISP_E_TYPEMISMATCH;
        }
        int64_t iv = 0;
        switch (vt) {
        case VT_EMPTY:
            break;
        case VT_BSTR: {
            std::u16string text;
            if (plain.vt == VT_EMPTY)
                text.clear();
            else if (plain.vt == VT_BOOL && (flags & VARIANT_ALPHABOOL))
                text = plain.boolVal ? u"True" : u"False";
            else
                text = numberText(static_cast<int64_t>(number));
            result.bstrVal = BstrFromU16(text);
            if (!result.bstrVal)
                return E_OUTOFMEMORY;
            break;
        }
        case VT_BOOL:
            if (isText) {
                hr = parseNumber(std::u16string_view(plain.bstrVal, SysStringLen(plain.bstrVal)), true, number);
                if (FAILED(hr))
                    return hr;
            }
            result.boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_I2:
        case VT_I4:
        case VT_UI1: {
            if (isText) {
                hr = parseNumber(std::u16string_view(plain.bstrVal, SysStringLen(plain.bstrVal)), false, number);
                if (FAILED(hr))
                    return hr;
            }
            const double lo = vt == VT_I2 ? -32768.0 : vt == VT_I4 ? -2147483648.0 : 0.0;
            const double hi = vt == VT_I2 ? 32767.0 : vt == VT_I4 ? 2147483647.0 : 255.0;
            hr = toInteger(number, lo, hi, iv);
            if (FAILED(hr))
                return hr;
            if (vt == VT_I2) result.iVal = static_cast<int16_t>(iv);
            else if (vt == VT_I4) result.lVal = static_cast<int32_t>(iv);
            else result.bVal = static_cast<uint8_t>(iv);
            break;
        }
        default:
            return DISP_E_TYPEMISMATCH;
        }
        result.vt = vt;
    }
    hr = VariantClear(dst);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    std::memcpy(static_cast<void*>(dst), &result, sizeof(VARIANT));
    return S_OK;
}

} // namespace com
