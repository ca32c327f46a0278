// Values across the interface: the argument checks of reads and writes, exactly the encoded
// bytes on the way out, the exact byte length on the way in (embedded zero bytes included),
// and the code page conversions by number.
#include "tests/corvel/corvel_support.h"

#include "corvel/com/corvel_ids.h"
#include "corvel/core/codepage.h"

using namespace corveltest;

namespace {

constexpr const char* kBattery = "001000000000";
constexpr const char* kLevel = "001000120000";
constexpr const char* kVendor = "00AB00000000";
constexpr const char* kRaw = "00AB00AD0000";

class Values : public ::testing::Test {
protected:
    void SetUp() override { makeFake(fake, sampleDevice(), true); }
    const Control& c() const { return fake.control; }
    std::string lastWrite() const { return fake.device.writes.empty() ? "<none>" : hex(fake.device.writes.back().second); }
    FakeSetup fake;
};

} // namespace

TEST_F(Values, WriteValueSendsExactlyTheEncodedCharacters)
{
    Sink sink(c());
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("AB")}).ok());
    EXPECT_EQ(fake.device.writes.back().first, kRaw);
    EXPECT_EQ(lastWrite(), "41 42");   // no terminating zero
    ASSERT_EQ(sink->named(14).size(), 1u);
    EXPECT_EQ(sink->named(14)[0].values[0], "\"00AB00000000\"");

    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str16(std::u16string(u"\0x\0", 3))}).ok());
    EXPECT_EQ(lastWrite(), "00 78 00");
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("")}).ok());
    EXPECT_EQ(lastWrite(), "");
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str("00AB00AD00AF"), Str("\x01")}).ok());
    EXPECT_EQ(fake.device.writes.back().first, "00AB00AD00AF");

    sink->calls.clear();
    ASSERT_TRUE(c().call("PostValue", {Str(kVendor), Str(kRaw), Str("\xC3\xA4")}).ok());
    EXPECT_EQ(lastWrite(), "C3 A4");
    EXPECT_TRUE(sink->named(14).empty());   // no response to a post
}

TEST_F(Values, ArgumentChecksComeInOrderBeforeTheDevice)
{
    struct Case {
        const char* method;
        std::vector<const char*> args;
        HRESULT scode;
        const char* text;
    };
    const char* noService = "No service with the ID \"004000000000\" has been discovered.";
    const char* noChar = "No characteristic with the ID \"001000990000\" has been discovered for the service with ID "
                         "\"001000000000\".";
    const std::vector<Case> cases = {
        {"ReadValue", {"", "", ""}, corvel::hresultForError(202), "Must supply a service ID."},
        {"ReadValue", {kBattery, "", ""}, corvel::hresultForError(202), "Must supply a characteristic ID."},
        {"WriteValue", {"", kLevel, "", "x"}, corvel::hresultForError(202), "Must supply a service ID."},
        {"PostValue", {"", kLevel, "x"}, corvel::hresultForError(202), "Must supply a service ID."},
        {"PostValue", {"", "", "x"}, corvel::hresultForError(202), "Must supply a characteristic ID."},
        {"PostValue", {kBattery, "", "x"}, corvel::hresultForError(202), "Must supply a characteristic ID."},
        {"ReadValue", {"004000000000", kLevel, ""}, corvel::hresultForError(601), noService},
        {"ReadValue", {kBattery, "001000990000", ""}, corvel::hresultForError(601), noChar},
        {"ReadValue", {kBattery, kLevel, "001000120099"}, corvel::hresultForError(601),
         "No descriptor with the ID \"001000120099\" has been discovered for the characteristic with ID "
         "\"001000120000\"."},
        {"Subscribe", {"", ""}, corvel::hresultForError(601), "No service with the ID \"\" has been discovered."},
        {"Unsubscribe", {"", kLevel}, corvel::hresultForError(202), "Must supply a service ID."},
        {"Unsubscribe", {"004000000000", ""}, corvel::hresultForError(601), noService},
    };
    for (const Case& k : cases) {
        std::vector<Variant> args;
        for (const char* a : k.args)
            args.push_back(Str(a));
        const Outcome o = c().call(k.method, args);
        EXPECT_EQ(o.scode, k.scode) << k.method;
        EXPECT_EQ(o.description, k.text) << k.method;
        EXPECT_EQ(c().config("LastError"), k.text);
    }
    EXPECT_TRUE(fake.device.writes.empty());
}

TEST_F(Values, ReadValueKeepsTheExactByteLength)
{
    Outcome o = c().call("ReadValue", {Str(kVendor), Str(kRaw), Str("")});
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(BstrToU16(o.value.bstrVal), std::u16string(u"A\0B", 3));
    o = c().call("ReadValue", {Str(kVendor), Str(kRaw), Str("00AB00AD00AF")});
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(SysStringLen(o.value.bstrVal), 2u);
    o = c().call("ReadValue", {Str(kVendor), Str(kRaw), Str("00AB00AD00B0")});   // an empty value
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.value.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(o.value.bstrVal), 0u);
}

TEST_F(Values, CodePagesByNumberBothWays)
{
    fake.device.services[2].characteristics[0].value = std::string("\xC4\x00\x80", 3);
    ASSERT_TRUE(c().call("Config", {Str("CodePage=1252")}).ok());
    EXPECT_EQ(c().config("CodePage"), "1252");
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("\xC3\x84\xE2\x82\xAC")}).ok());
    EXPECT_EQ(lastWrite(), "C4 80");   // "Ä€" in Windows-1252
    Outcome o = c().call("ReadValue", {Str(kVendor), Str(kRaw), Str("")});
    EXPECT_EQ(BstrToU16(o.value.bstrVal), std::u16string(u"\u00C4\0\u20AC", 3));
    // A character the page cannot hold becomes '?'.
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("\xE6\x97\xA5")}).ok());
    EXPECT_EQ(lastWrite(), "3F");

    ASSERT_TRUE(c().call("Config", {Str("CodePage=932")}).ok());   // Shift-JIS
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("\xE6\x97\xA5\xE6\x9C\xAC")}).ok());
    EXPECT_EQ(lastWrite(), "93 FA 96 7B");

    ASSERT_TRUE(c().call("Config", {Str("CodePage=1200")}).ok());   // UTF-16LE
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("A\xE2\x82\xAC")}).ok());
    EXPECT_EQ(lastWrite(), "41 00 AC 20");
    fake.device.services[2].characteristics[0].value = std::string("\x41\x00\x00\x00\x42\x00", 6);
    o = c().call("ReadValue", {Str(kVendor), Str(kRaw), Str("")});
    EXPECT_EQ(BstrToU16(o.value.bstrVal), std::u16string(u"A\0B", 3));
    // Ids, UUIDs and settings stay readable in a page that does not keep ASCII as ASCII.
    EXPECT_EQ(c().config("CodePage"), "1200");
    EXPECT_EQ(c().get("ServiceId", {I4(0)}).text(), kBattery);
    EXPECT_EQ(c().get("ServiceUuid", {I4(0)}).text(), kBatteryService);
    EXPECT_EQ(c().call("ReadValue", {Str(""), Str(""), Str("")}).description, "Must supply a service ID.");

    // Settings texts go through the page too.
    ASSERT_TRUE(c().call("Config", {Str("CodePage=28595")}).ok());   // ISO 8859-5
    ASSERT_TRUE(c().call("Config", {Str("LogDebugFile=\xD0\x96")}).ok());
    EXPECT_EQ(c().config("LogDebugFile"), "\xD0\x96");
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("\xD0\x96")}).ok());
    EXPECT_EQ(lastWrite(), "B6");

    // A page iconv does not know is refused and the current one stays.
    const Outcome bad = c().call("Config", {Str("CodePage=12345")});
    EXPECT_EQ(bad.scode, corvel::hresultForError(202));
    EXPECT_EQ(bad.description, "Code page 12345 is not supported.");
    EXPECT_EQ(c().config("CodePage"), "28595");
}

TEST_F(Values, Utf8IsTheDefaultAndBrokenBytesDoNotBreakTheCall)
{
    fake.device.services[2].characteristics[0].value = std::string("\xFF" "A\xC3", 3);
    const Outcome o = c().call("ReadValue", {Str(kVendor), Str(kRaw), Str("")});
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(BstrToU16(o.value.bstrVal), u"\uFFFDA\uFFFD");
    ASSERT_TRUE(c().call("WriteValue", {Str(kVendor), Str(kRaw), Str(""), Str("\xF0\x9F\x98\x80")}).ok());
    EXPECT_EQ(lastWrite(), "F0 9F 98 80");
}

TEST_F(Values, SubscriptionsThroughTheLink)
{
    Sink sink(c());
    ASSERT_TRUE(c().call("Subscribe", {Str(kBattery), Str(kLevel)}).ok());
    ASSERT_TRUE(c().call("Subscribe", {Str(kVendor), Str(kRaw)}).ok());
    EXPECT_EQ(sink->named(11).size(), 2u);
    ASSERT_TRUE(c().call("Unsubscribe", {Str(kVendor), Str("")}).ok());   // every one of that service
    EXPECT_EQ(sink->named(12).size(), 1u);
    ASSERT_TRUE(c().call("Unsubscribe", {Str(""), Str("")}).ok());
    ASSERT_EQ(sink->named(12).size(), 2u);
    EXPECT_EQ(sink->named(12)[1].values[1], "\"001000120000\"");
}

TEST(CodePages, ConversionsKeepZeroBytesAndKnowWindowsNumbers)
{
    using corvel::decodeText;
    using corvel::encodeText;
    const std::string zeros("a\0b\0", 4);
    for (int page : {65001, 1252, 1250, 1251, 437, 850, 28591, 20127}) {
        EXPECT_TRUE(corvel::isSupportedCodePage(page)) << page;
        EXPECT_EQ(encodeText(page, decodeText(page, zeros)), zeros) << page;
        EXPECT_EQ(decodeText(page, zeros).size(), 4u) << page;
    }
    EXPECT_EQ(corvel::iconvNameForCodePage(65001), "UTF-8");
    EXPECT_EQ(corvel::iconvNameForCodePage(1252), "CP1252");
    EXPECT_EQ(corvel::iconvNameForCodePage(0), "CP1252");
    EXPECT_EQ(corvel::iconvNameForCodePage(28605), "ISO-8859-15");
    EXPECT_EQ(corvel::textCodePage(1252), 1252);
    EXPECT_EQ(corvel::textCodePage(932), 932);
    EXPECT_EQ(corvel::textCodePage(1200), 65001);
    EXPECT_EQ(corvel::textCodePage(12000), 65001);
    EXPECT_EQ(corvel::textCodePage(12345), 65001);
    EXPECT_FALSE(corvel::isSupportedCodePage(-7));
    EXPECT_FALSE(corvel::isSupportedCodePage(12345));
    // 1251 Cyrillic, 1253 Greek, 20866 KOI8-R.
    EXPECT_EQ(encodeText(1251, u"\u0416"), "\xC6");
    EXPECT_EQ(encodeText(1253, u"\u03A9"), "\xD9");
    EXPECT_EQ(encodeText(20866, u"\u0416"), "\xF6");
    EXPECT_EQ(decodeText(1252, "\x80"), u"\u20AC");
    // Unknown pages fall back to UTF-8 rather than losing the text.
    EXPECT_EQ(encodeText(12345, u"\u00E4"), "\xC3\xA4");
    EXPECT_EQ(decodeText(65001, ""), u"");
    EXPECT_EQ(encodeText(65001, u""), "");
    // A long text crosses the converter's buffer boundaries intact.
    std::u16string longText;
    for (int i = 0; i < 5000; ++i)
        longText.push_back(static_cast<char16_t>(0x400 + i % 64));
    EXPECT_EQ(decodeText(65001, encodeText(65001, longText)), longText);
}
