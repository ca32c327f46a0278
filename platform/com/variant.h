#pragma once
// Automation VARIANT with the types the control and its hosts exchange:
// I2, I4, BOOL, BSTR, UI1, IUnknown/IDispatch, one-dimensional byte arrays and
// the by-reference forms of these.
#include "platform/com/bstr.h"
#include "platform/com/hresult.h"

#include <cstdint>

namespace com {

class IUnknown;
class IDispatch;

using VARTYPE = uint16_t;
enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

using VARIANT_BOOL = int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct SAFEARRAYBOUND {
    uint32_t cElements;
    int32_t lLbound;
};

struct SAFEARRAY {
    uint16_t cDims;
    uint16_t fFeatures;
    uint32_t cbElements;
    uint32_t cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
};

// Only VT_UI1 vectors are supported; other element types return nullptr.
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t elements);
HRESULT SafeArrayDestroy(SAFEARRAY* array);   // DISP_E_ARRAYISLOCKED while accessed
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, uint32_t dim, int32_t* bound);   // dim counts from 1
HRESULT SafeArrayGetUBound(SAFEARRAY* array, uint32_t dim, int32_t* bound);
HRESULT SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy);
uint32_t SafeArrayGetDim(SAFEARRAY* array);
// Convenience: a zero-based byte vector holding `bytes`.
SAFEARRAY* SafeArrayFromBytes(const void* bytes, uint32_t count);

struct VARIANT {
    VARTYPE vt;
    uint16_t wReserved1;
    uint16_t wReserved2;
    uint16_t wReserved3;
    union {
        int16_t iVal;
        int32_t lVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        uint8_t bVal;
        HRESULT scode;
        int16_t* piVal;
        int32_t* plVal;
        VARIANT_BOOL* pboolVal;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        uint8_t* pbVal;
    };
};
using VARIANTARG = VARIANT;

#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) ((V_VT(v) & ::com::VT_BYREF) != 0)
#define V_ISARRAY(v) ((V_VT(v) & ::com::VT_ARRAY) != 0)
#define V_I2(v) ((v)->iVal)
#define V_I4(v) ((v)->lVal)
#define V_UI1(v) ((v)->bVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_BSTR(v) ((v)->bstrVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_ARRAY(v) ((v)->parray)
#define V_ERROR(v) ((v)->scode)
#define V_I2REF(v) ((v)->piVal)
#define V_I4REF(v) ((v)->plVal)
#define V_UI1REF(v) ((v)->pbVal)
#define V_BOOLREF(v) ((v)->pboolVal)
#define V_BSTRREF(v) ((v)->pbstrVal)
#define V_VARIANTREF(v) ((v)->pvarVal)
#define V_ARRAYREF(v) ((v)->pparray)
#define V_UNKNOWNREF(v) ((v)->ppunkVal)
#define V_DISPATCHREF(v) ((v)->ppdispVal)

// Flags of VariantChangeType.
inline constexpr uint16_t VARIANT_NOVALUEPROP = 0x01;
inline constexpr uint16_t VARIANT_ALPHABOOL = 0x02;   // BOOL -> BSTR gives "True"/"False" instead of "-1"/"0"

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);                          // frees what it owns, leaves VT_EMPTY
HRESULT VariantCopy(VARIANT* dst, const VARIANT* src);     // deep copy; by-reference stays by-reference
HRESULT VariantCopyInd(VARIANT* dst, const VARIANT* src);  // deep copy of what a by-reference points to
// Conversions among EMPTY, I2, I4, BOOL, BSTR and UI1 (by-reference sources are dereferenced;
// dst may equal src). Out of range -> DISP_E_OVERFLOW, text that is no number -> DISP_E_TYPEMISMATCH.
HRESULT VariantChangeType(VARIANT* dst, const VARIANT* src, uint16_t flags, VARTYPE vt);

using DISPID = int32_t;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

inline constexpr uint16_t DISPATCH_METHOD = 1;
inline constexpr uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr uint16_t DISPATCH_PROPERTYPUT = 4;
inline constexpr uint16_t DISPATCH_PROPERTYPUTREF = 8;

// Arguments in reverse order: rgvarg[cArgs-1] is the first argument.
struct DISPPARAMS {
    VARIANT* rgvarg;
    DISPID* rgdispidNamedArgs;
    uint32_t cArgs;
    uint32_t cNamedArgs;
};

struct EXCEPINFO {
    uint16_t wCode;
    uint16_t wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    uint32_t dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    HRESULT scode;
};

// Owns one VARIANT; clears it on destruction.
class Variant : public VARIANT {
public:
    Variant() { VariantInit(this); }
    ~Variant() { VariantClear(this); }
    Variant(const Variant& other) : VARIANT() { VariantInit(this); VariantCopy(this, &other); }
    Variant& operator=(const Variant& other)
    {
        if (this != &other)
            VariantCopy(this, &other);
        return *this;
    }
    static Variant fromI2(int16_t v) { Variant r; r.vt = VT_I2; r.iVal = v; return r; }
    static Variant fromI4(int32_t v) { Variant r; r.vt = VT_I4; r.lVal = v; return r; }
    static Variant fromBool(bool v) { Variant r; r.vt = VT_BOOL; r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return r; }
    static Variant fromUtf8(std::string_view s) { Variant r; r.vt = VT_BSTR; r.bstrVal = BstrFromUtf8(s); return r; }
    static Variant fromU16(std::u16string_view s) { Variant r; r.vt = VT_BSTR; r.bstrVal = BstrFromU16(s); return r; }
};
// Arrays of Variant are passed as VARIANT arrays (DISPPARAMS::rgvarg).
static_assert(sizeof(Variant) == sizeof(VARIANT));

} // namespace com

using namespace com;
