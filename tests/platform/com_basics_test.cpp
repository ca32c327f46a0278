// GUIDs, result codes, automation strings and per-thread error information.
#include "platform/com/bstr.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"
#include "platform/com/guid.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

TEST(ComGuid, FormatsUpperCaseAndParsesAllForms)
{
    GUID g;
    ASSERT_TRUE(GuidFromString("86800400-f789-11ce-86f8-0020afd8c6db", g));
    EXPECT_EQ(g.Data1, 0x86800400u);
    EXPECT_EQ(g.Data2, 0xF789);
    EXPECT_EQ(g.Data3, 0x11CE);
    EXPECT_EQ(g.Data4[0], 0x86);
    EXPECT_EQ(g.Data4[7], 0xDB);
    EXPECT_EQ(GuidToString(g), "{86800400-F789-11CE-86F8-0020AFD8C6DB}");
    GUID h;
    ASSERT_TRUE(GuidFromString("{86800400-F789-11CE-86F8-0020AFD8C6DB}", h));
    EXPECT_TRUE(g == h);
    EXPECT_EQ(GuidToString(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
    EXPECT_EQ(GuidToString(IID_IConnectionPointContainer), "{B196B284-BAB4-101A-B69C-00AA00341D07}");
}

TEST(ComGuid, RejectsMalformedTextAndLeavesTargetAlone)
{
    GUID g = IID_IUnknown;
    for (const char* bad : {"", "{86800400-F789-11CE-86F8-0020AFD8C6DB", "86800400-F789-11CE-86F8-0020AFD8C6D",
                            "86800400-F789-11CE-86F8-0020AFD8C6DG", "86800400F789-11CE-86F8-0020AFD8C6DB0",
                            "(86800400-F789-11CE-86F8-0020AFD8C6DB)", "86800400-F789-11CE-86F8-0020AFD8C6DB}"})
        EXPECT_FALSE(GuidFromString(bad, g)) << bad;
    EXPECT_TRUE(g == IID_IUnknown);
}

TEST(ComHresult, WindowsValuesAndCtlErrors)
{
    EXPECT_EQ(static_cast<uint32_t>(E_FAIL), 0x80004005u);
    EXPECT_EQ(static_cast<uint32_t>(E_INVALIDARG), 0x80070057u);
    EXPECT_EQ(static_cast<uint32_t>(DISP_E_EXCEPTION), 0x80020009u);
    EXPECT_EQ(static_cast<uint32_t>(REGDB_E_CLASSNOTREG), 0x80040154u);
    EXPECT_EQ(static_cast<uint32_t>(CONNECT_E_NOCONNECTION), 0x80040200u);
    EXPECT_EQ(static_cast<uint32_t>(MakeCtlError(383)), 0x800A017Fu);
    EXPECT_EQ(static_cast<uint32_t>(MakeCtlError(605 + 20001)), 0x800A507Eu);
    EXPECT_TRUE(FAILED(MakeCtlError(7)));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_EQ(HResultHex(MakeCtlError(383)), "0x800A017F");
    EXPECT_EQ(HResultText(E_FAIL), "Unspecified error");
    EXPECT_EQ(HResultText(static_cast<HRESULT>(0x80001234u)), "Error 0x80001234");
}

TEST(ComBstr, LengthPrefixAndEmbeddedZeros)
{
    const char16_t text[] = {u'a', 0, u'b', 0, u'c'};
    BSTR b = SysAllocStringLen(text, 5);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 5u);
    EXPECT_EQ(SysStringByteLen(b), 10u);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(b) - 4, 4);
    EXPECT_EQ(prefix, 10u);
    EXPECT_EQ(b[5], 0);   // terminated
    EXPECT_EQ(BstrToU16(b), std::u16string(text, 5));
    std::string utf8 = BstrToUtf8(b);
    EXPECT_EQ(utf8, std::string("a\0b\0c", 5));
    SysFreeString(b);

    // Odd byte lengths keep their exact size and still end in a zero character.
    BSTR odd = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(SysStringByteLen(odd), 3u);
    EXPECT_EQ(SysStringLen(odd), 1u);
    EXPECT_EQ(reinterpret_cast<const char*>(odd)[3], 0);
    SysFreeString(odd);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(ComBstr, ReallocFromItsOwnCharacters)
{
    BSTR b = SysAllocString(u"hello world");
    ASSERT_TRUE(SysReAllocStringLen(&b, b + 6, 5));
    EXPECT_EQ(BstrToU16(b), u"world");
    ASSERT_TRUE(SysReAllocString(&b, b));
    EXPECT_EQ(BstrToU16(b), u"world");
    ASSERT_TRUE(SysReAllocString(&b, nullptr));
    EXPECT_EQ(b, nullptr);
}

TEST(ComBstr, Utf8ConversionsRoundTripAndReplaceBadSequences)
{
    const std::string s = "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9F\x98\x80";   // "Grüße € 😀"
    BStr b(s);
    EXPECT_EQ(b.length(), 10u);   // eight characters and the emoji's surrogate pair
    EXPECT_EQ(b.utf8(), s);
    EXPECT_EQ(Utf8ToU16("a\xFF" "b"), u"a\uFFFD" "b");
    EXPECT_EQ(Utf8ToU16("\xE2\x82"), u"\uFFFD\uFFFD");   // truncated sequence
    EXPECT_EQ(Utf8ToU16("\xED\xA0\x80"), u"\uFFFD");      // encoded surrogate
    EXPECT_EQ(U16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(ComErrorInfo, PerThreadSlotTakenOnce)
{
    ASSERT_EQ(SetErrorInfoFields(IID_IDispatch, u"Src", u"Something failed.", u"help.chm", 24007), S_OK);
    std::thread other([] {
        IErrorInfo* info = reinterpret_cast<IErrorInfo*>(1);
        EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);   // the other thread's slot is empty
        EXPECT_EQ(info, nullptr);
        SetErrorInfoFields(IID_IUnknown, u"", u"left behind", u"", 0);   // released when the thread ends
    });
    other.join();

    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    ASSERT_NE(info, nullptr);
    BStr d, s, h;
    info->GetDescription(d.out());
    info->GetSource(s.out());
    info->GetHelpFile(h.out());
    GUID g;
    uint32_t ctx = 0;
    info->GetGUID(&g);
    info->GetHelpContext(&ctx);
    EXPECT_EQ(d.utf8(), "Something failed.");
    EXPECT_EQ(s.utf8(), "Src");
    EXPECT_EQ(h.utf8(), "help.chm");
    EXPECT_TRUE(g == IID_IDispatch);
    EXPECT_EQ(ctx, 24007u);
    info->Release();
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);   // taken
}

TEST(ComErrorInfo, ExcepInfoTakesTheThreadsErrorInformation)
{
    EXCEPINFO ei {};
    EXPECT_EQ(ExcepInfoFromErrorInfo(E_FAIL, &ei), E_FAIL);   // nothing stored: code unchanged
    SetErrorInfoFields(IID_IDispatch, u"Corvel", u"Invalid array index.", u"", 24025);
    EXPECT_EQ(ExcepInfoFromErrorInfo(MakeCtlError(381), &ei), DISP_E_EXCEPTION);
    EXPECT_EQ(ei.scode, MakeCtlError(381));
    EXPECT_EQ(BstrToUtf8(ei.bstrDescription), "Invalid array index.");
    EXPECT_EQ(BstrToUtf8(ei.bstrSource), "Corvel");
    EXPECT_EQ(ei.dwHelpContext, 24025u);
    ClearExcepInfo(&ei);
    EXPECT_EQ(ei.bstrDescription, nullptr);

    // Without an EXCEPINFO the details stay for GetErrorInfo.
    SetErrorInfoFields(IID_IDispatch, u"Corvel", u"kept", u"", 0);
    EXPECT_EQ(ExcepInfoFromErrorInfo(E_FAIL, nullptr), E_FAIL);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    info->Release();
}
