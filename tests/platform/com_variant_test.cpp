// VARIANT ownership, copies, by-reference forms, byte arrays and conversions.
#include "platform/com/dispatch_helpers.h"
#include "platform/com/variant.h"

#include <gtest/gtest.h>

TEST(ComSafeArray, ByteVectorBoundsAndLocking)
{
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, 3);
    ASSERT_NE(sa, nullptr);
    int32_t lo = -1, hi = -1;
    EXPECT_EQ(SafeArrayGetLBound(sa, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(sa, 1, &hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 2);
    EXPECT_EQ(SafeArrayGetUBound(sa, 2, &hi), DISP_E_BADINDEX);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(sa, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(sa), DISP_E_ARRAYISLOCKED);   // still in use
    static_cast<uint8_t*>(data)[2] = 0x7F;
    EXPECT_EQ(SafeArrayUnaccessData(sa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(sa), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(sa), S_OK);

    SAFEARRAY* empty = SafeArrayCreateVector(VT_UI1, 0, 0);
    ASSERT_EQ(SafeArrayGetUBound(empty, 1, &hi), S_OK);
    EXPECT_EQ(hi, -1);
    SafeArrayDestroy(empty);
    EXPECT_EQ(SafeArrayCreateVector(VT_BSTR, 0, 1), nullptr);
}

TEST(ComVariant, CopyIsDeepAndCopyIndDereferences)
{
    const char16_t raw[] = {u'x', 0, u'y'};
    Variant s;
    s.vt = VT_BSTR;
    s.bstrVal = SysAllocStringLen(raw, 3);
    Variant c(s);
    EXPECT_NE(c.bstrVal, s.bstrVal);
    EXPECT_EQ(BstrToU16(c.bstrVal), std::u16string(raw, 3));

    const uint8_t bytes[] = {1, 2, 3};
    Variant a;
    a.vt = VT_ARRAY | VT_UI1;
    a.parray = SafeArrayFromBytes(bytes, 3);
    Variant ac(a);
    ASSERT_NE(ac.parray, a.parray);
    EXPECT_EQ(static_cast<uint8_t*>(ac.parray->pvData)[2], 3);

    int16_t i2 = 12;
    Variant r;
    r.vt = VT_BYREF | VT_I2;
    r.piVal = &i2;
    Variant rc;
    ASSERT_EQ(VariantCopy(&rc, &r), S_OK);   // still a reference
    EXPECT_EQ(rc.vt, VT_BYREF | VT_I2);
    EXPECT_EQ(rc.piVal, &i2);
    Variant ind;
    ASSERT_EQ(VariantCopyInd(&ind, &r), S_OK);
    EXPECT_EQ(ind.vt, VT_I2);
    EXPECT_EQ(ind.iVal, 12);

    BSTR text = SysAllocString(u"ref");
    Variant br;
    br.vt = VT_BYREF | VT_BSTR;
    br.pbstrVal = &text;
    Variant brc;
    ASSERT_EQ(VariantCopyInd(&brc, &br), S_OK);
    EXPECT_NE(brc.bstrVal, text);   // its own copy; the referenced string stays the owner's
    SysFreeString(text);
}

struct Conversion {
    Variant from;
    VARTYPE to;
    HRESULT hr;
    const char* expect;   // the result as text, for readable failures
};

static std::string show(const VARIANT& v)
{
    switch (v.vt) {
    case VT_I2: return "I2:" + std::to_string(v.iVal);
    case VT_I4: return "I4:" + std::to_string(v.lVal);
    case VT_UI1: return "UI1:" + std::to_string(v.bVal);
    case VT_BOOL: return std::string("BOOL:") + (v.boolVal == VARIANT_TRUE ? "T" : v.boolVal ? "?" : "F");
    case VT_BSTR: return "BSTR:" + BstrToUtf8(v.bstrVal);
    case VT_EMPTY: return "EMPTY";
    default: return "vt" + std::to_string(v.vt);
    }
}

TEST(ComVariant, ChangeTypeTable)
{
    const Conversion table[] = {
        {Variant::fromUtf8("123"), VT_I2, S_OK, "I2:123"},
        {Variant::fromUtf8("  -7 "), VT_I4, S_OK, "I4:-7"},
        {Variant::fromUtf8("2.5"), VT_I2, S_OK, "I2:2"},   // half to even
        {Variant::fromUtf8("3.5"), VT_I2, S_OK, "I2:4"},
        {Variant::fromUtf8("&HFF"), VT_I2, S_OK, "I2:255"},
        {Variant::fromUtf8("&HFFFF"), VT_I2, S_OK, "I2:-1"},
        {Variant::fromUtf8("40000"), VT_I2, DISP_E_OVERFLOW, ""},
        {Variant::fromUtf8("99999999999"), VT_I4, DISP_E_OVERFLOW, ""},
        {Variant::fromUtf8("12a"), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Variant::fromUtf8(""), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Variant::fromUtf8("true"), VT_BOOL, S_OK, "BOOL:T"},
        {Variant::fromUtf8("False"), VT_BOOL, S_OK, "BOOL:F"},
        {Variant::fromUtf8("5"), VT_BOOL, S_OK, "BOOL:T"},
        {Variant::fromUtf8("yes"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
        {Variant::fromUtf8("256"), VT_UI1, DISP_E_OVERFLOW, ""},
        {Variant::fromI4(70000), VT_I2, DISP_E_OVERFLOW, ""},
        {Variant::fromI4(-1), VT_UI1, DISP_E_OVERFLOW, ""},
        {Variant::fromI2(-5), VT_BSTR, S_OK, "BSTR:-5"},
        {Variant::fromBool(true), VT_I2, S_OK, "I2:-1"},
        {Variant::fromBool(true), VT_BSTR, S_OK, "BSTR:-1"},
        {Variant::fromI2(0), VT_BOOL, S_OK, "BOOL:F"},
        {Variant(), VT_I4, S_OK, "I4:0"},
        {Variant(), VT_BSTR, S_OK, "BSTR:"},
    };
    for (const auto& c : table) {
        Variant out;
        const HRESULT hr = VariantChangeType(&out, &c.from, 0, c.to);
        EXPECT_EQ(hr, c.hr) << show(c.from) << " -> " << c.to;
        if (SUCCEEDED(hr))
            EXPECT_EQ(show(out), c.expect) << show(c.from);
        else
            EXPECT_EQ(out.vt, VT_EMPTY) << "a failed conversion leaves the target alone";
    }
    Variant b = Variant::fromBool(false);
    Variant t;
    ASSERT_EQ(VariantChangeType(&t, &b, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
    EXPECT_EQ(show(t), "BSTR:False");
}

TEST(ComVariant, ChangeTypeInPlaceAndFromReferences)
{
    Variant v = Variant::fromUtf8("42");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(show(v), "I4:42");

    VARIANT_BOOL flag = VARIANT_TRUE;
    Variant r;
    r.vt = VT_BYREF | VT_BOOL;
    r.pboolVal = &flag;
    Variant out;
    ASSERT_EQ(VariantChangeType(&out, &r, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
    EXPECT_EQ(show(out), "BSTR:True");

    Variant inner = Variant::fromI2(9);
    Variant vr;
    vr.vt = VT_BYREF | VT_VARIANT;
    vr.pvarVal = &inner;
    ASSERT_EQ(VariantChangeType(&out, &vr, 0, VT_I4), S_OK);
    EXPECT_EQ(show(out), "I4:9");

    Variant nullRef;
    nullRef.vt = VT_BYREF | VT_I4;
    nullRef.plVal = nullptr;
    EXPECT_EQ(VariantChangeType(&out, &nullRef, 0, VT_I4), E_POINTER);
}

TEST(ComDispatchHelpers, ArgumentsCountFromTheFirstAndReportTheirSlot)
{
    Variant args[3];
    args[2] = Variant::fromUtf8("first");
    args[1] = Variant::fromUtf8("x2");
    args[0] = Variant::fromI2(3);
    DISPPARAMS p {args, nullptr, 3, 0};
    Variant out;
    uint32_t argErr = 99;
    ASSERT_EQ(GetArg(&p, 0, VT_BSTR, &out, &argErr), S_OK);
    EXPECT_EQ(show(out), "BSTR:first");
    ASSERT_EQ(GetArg(&p, 2, VT_I4, &out, &argErr), S_OK);
    EXPECT_EQ(show(out), "I4:3");
    EXPECT_EQ(GetArg(&p, 1, VT_I4, &out, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
    EXPECT_EQ(GetArg(&p, 3, VT_I4, &out, &argErr), DISP_E_PARAMNOTOPTIONAL);

    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put {args, &named, 3, 1};
    EXPECT_EQ(PutValue(&put), &args[0]);
    DISPPARAMS none {nullptr, nullptr, 0, 0};
    EXPECT_EQ(PutValue(&none), nullptr);
    EXPECT_TRUE(NamesEqualNoCase(u"ServiceCount", u"SERVICECOUNT"));
    EXPECT_FALSE(NamesEqualNoCase(u"ServiceCount", u"ServiceCoun"));
}
