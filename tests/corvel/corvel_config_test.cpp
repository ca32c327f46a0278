// The Config channel through the real library (every setting with its type and default,
// the request forms, the value conversions, query-only and locked settings), the Timeout
// arithmetic of the core, and the error codes with their HRESULTs and default texts.
#include "tests/corvel/corvel_support.h"

#include "corvel/com/corvel_ids.h"
#include "corvel/core/config_text.h"
#include "corvel/sig/errors.h"

using namespace corveltest;

namespace {

class Config : public ::testing::Test {
protected:
    void SetUp() override
    {
        control = createControl();
        ASSERT_TRUE(control);
    }
    std::string get(const std::string& name) const { return control.config(name); }
    Outcome set(const std::string& request) const { return control.call("Config", {Str(request)}); }
    RegistryScope registry;
    Control control;
};

} // namespace

TEST_F(Config, EverySettingHasItsDefault)
{
    const std::pair<const char*, const char*> defaults[] = {
        {"AutoDiscoverCharacteristics", "False"}, {"AutoDiscoverDescriptors", "False"},
        {"AutoDiscoverIncludedServices", "False"}, {"IncludeRediscovered", "True"},
        {"PreferIndications", "False"},           {"QueryAdditionalDeviceInfo", "False"},
        {"ScanStartedTimeout", "2"},              {"PairingMode", "0"},
        {"LogLevel", "1"},                        {"CodePage", "65001"},
        {"TimeoutInMilliseconds", "False"},       {"AbsoluteTimeout", "False"},
        {"SelectWaitMillis", "20"},               {"UseWindowsMessages", "True"},
        {"UseIOCP", "False"},                     {"IgnoreExternalEvents", "False"},
        {"IgnoreOtherWindowEvents", "False"},     {"LastError", ""},
        {"LogDebugFile", ""},                     {"LogDebugOption", "0"},
        {"CharsetMode", "0"},                     {"MaxPduSize", ""},
        {"GattObjTreeInfo", "GATT Object Tree Info [>Services, >>Characteristics, >>>Descriptors]:\r\n"},
        {"WinsockStatus", "0"},                   {"WinsockVersion", "2.2"},
        {"QOSTrafficType", "0"},
    };
    for (const auto& [name, value] : defaults)
        EXPECT_EQ(get(name), value) << name;
    // The shared core's settings answer too.
    for (const char* name : {"UseInternalCryptoAPI", "UseFIPSCompliantAPI", "Allow3DESInFIPS", "QOSDSCPValue",
                             "SSLProvider", "SSLCipherStrength", "UseDefaultCredentials", "ReuseSSLSession",
                             "ExtendedProtection", "SSLSecurityFlags", "SSLIncludeCertChain", "SSLEnabledProtocols",
                             "SSLEnableRenegotiation", "UseIPv6", "UseIPv6Int", "UseGetAddrInfo", "KerberosSPN",
                             "UseSystemSSPI", "RecordToFile", "RecordToString", "UseInternalSecurityAPI",
                             "ZeroMemory"})
        EXPECT_TRUE(set(name).ok()) << name;
}

TEST_F(Config, RequestFormsNamesAndValues)
{
    EXPECT_EQ(get("loglevel"), "1");
    EXPECT_EQ(get("  LOGLEVEL  "), "1");
    const Outcome o = set(" LogLevel = 3 ");
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.text(), "");   // setting returns ""
    EXPECT_EQ(get("LogLevel"), "3");

    // Booleans: TRUE, yes and 1 (any case) are true, anything else false.
    for (const char* yes : {"TRUE", "true", "Yes", "YES", "1", " 1 "}) {
        set("PreferIndications=False");
        set(std::string("PreferIndications=") + yes);
        EXPECT_EQ(get("PreferIndications"), "True") << yes;
    }
    for (const char* no : {"False", "no", "0", "2", "-1", "", "on", "y"}) {
        set("PreferIndications=True");
        set(std::string("PreferIndications=") + no);
        EXPECT_EQ(get("PreferIndications"), "False") << no;
    }
    // Integers: TRUE/yes 1, FALSE/no 0, decimal, hexadecimal after 0x, else the leading digits.
    const std::pair<const char*, const char*> numbers[] = {
        {"TRUE", "1"}, {"yes", "1"}, {"FALSE", "0"}, {"No", "0"},       {"42", "42"},  {"-7", "-7"},
        {"0x1F", "31"}, {"0X10", "16"}, {"0xFFFFFFFF", "-1"}, {"12abc", "12"}, {"abc", "0"}, {"", "0"},
        {"99999999999", "2147483647"},
    };
    for (const auto& [text, value] : numbers) {
        set(std::string("ScanStartedTimeout=") + text);
        EXPECT_EQ(get("ScanStartedTimeout"), value) << text;
    }
    // Text settings keep their text (trimmed) with any "=" after the first.
    set("LogDebugFile= /tmp/a=b.log ");
    EXPECT_EQ(get("LogDebugFile"), "/tmp/a=b.log");
    // An index on a setting without one is ignored.
    EXPECT_EQ(get("LogLevel[3]"), "3");
}

TEST_F(Config, UnknownQueryOnlyAndIgnoredSettings)
{
    Outcome o = set("NoSuchSetting");
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A4E20u);
    EXPECT_EQ(o.description, "Unknown config setting.");
    EXPECT_EQ(o.helpContext, 44002u);
    EXPECT_EQ(get("LastError"), "Unknown config setting.");
    for (const char* request : {"NoSuchSetting=1", "GattObjTreeInfo=x", "MaxPduSize=1", "ManufacturerCompanyId=1",
                                "ManufacturerData=1", "ManufacturerDataCount=1", "AdvertisementRawData=1",
                                "ServiceData", ""}) {
        o = set(request);
        EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A4E20u) << request;
    }
    // Accepted and ignored.
    for (const char* request : {"LastError=x", "WinsockStatus=5", "WinsockVersion=1.1"})
        EXPECT_TRUE(set(request).ok()) << request;
    EXPECT_EQ(get("LastError"), "Unknown config setting.");
    EXPECT_EQ(get("WinsockVersion"), "2.2");
}

TEST_F(Config, SettingsWithBehaviour)
{
    // UseIOCP turns window messages the other way.
    set("UseIOCP=True");
    EXPECT_EQ(get("UseWindowsMessages"), "False");
    set("UseIOCP=False");
    EXPECT_EQ(get("UseWindowsMessages"), "True");
    EXPECT_TRUE(set("UseWindowsMessages=False").ok());   // no socket connection ever locks it
    EXPECT_EQ(get("UseWindowsMessages"), "False");

    // QOSTrafficType by name or number.
    set("QOSTrafficType=voice");
    EXPECT_EQ(get("QOSTrafficType"), "4");
    set("QOSTrafficType=Control");
    EXPECT_EQ(get("QOSTrafficType"), "5");
    set("QOSTrafficType=2");
    EXPECT_EQ(get("QOSTrafficType"), "2");

    // ZeroMemory is one value for the whole process.
    Control other = createControl();
    set("ZeroMemory=True");
    EXPECT_EQ(other.config("ZeroMemory"), "True");
    other.config("ZeroMemory=False");
    EXPECT_EQ(get("ZeroMemory"), "False");
    // Everything else belongs to its control.
    set("LogLevel=2");
    EXPECT_EQ(other.config("LogLevel"), "1");

    // Settings survive a (failed) connection attempt.
    control.call("Connect", {Str("001122AABBCC")});
    EXPECT_EQ(get("LogLevel"), "2");
}

TEST(CoreTimeout, SecondsMillisecondsAndTheCap)
{
    corvel::ControlCore core;
    EXPECT_EQ(core.timeout(), 60);
    EXPECT_EQ(core.timeoutMs(), 60000);
    core.setTimeout(32767);
    EXPECT_EQ(core.timeoutMs(), 32767000);
    ASSERT_TRUE(core.config("TimeoutInMilliseconds=True").ok());
    EXPECT_EQ(core.timeout(), 32767);
    EXPECT_EQ(core.timeoutMs(), 32767);
    core.setTimeout(500);
    EXPECT_EQ(core.timeoutMs(), 500);   // half a second
    core.setTimeout(0);
    EXPECT_EQ(core.timeoutMs(), 0);     // no limit
    core.setTimeout(2147483647);
    EXPECT_EQ(core.timeout(), 2147483);   // capped so that milliseconds fit 32 bits
    core.config("TimeoutInMilliseconds=False");
    EXPECT_EQ(core.timeoutMs(), 2147483000);
    core.setTimeout(-3);
    EXPECT_EQ(core.timeout(), -3);        // stored unchanged
    EXPECT_EQ(core.timeoutMs(), 1);       // and expires at once
}

TEST(ConfigText, ParsingPieces)
{
    corvel::ConfigRequest r = corvel::parseConfigRequest(" ManufacturerData [ 2 ] = a b ");
    EXPECT_EQ(r.name, "ManufacturerData");
    ASSERT_TRUE(r.index.has_value());
    EXPECT_EQ(*r.index, "2");
    ASSERT_TRUE(r.value.has_value());
    EXPECT_EQ(*r.value, "a b");
    r = corvel::parseConfigRequest("LogLevel");
    EXPECT_FALSE(r.index.has_value());
    EXPECT_FALSE(r.value.has_value());
    r = corvel::parseConfigRequest("LogLevel=");
    ASSERT_TRUE(r.value.has_value());
    EXPECT_EQ(*r.value, "");
    r = corvel::parseConfigRequest("X[1");   // an open bracket takes the rest as the index
    EXPECT_EQ(r.name, "X");
    EXPECT_EQ(*r.index, "1");
    EXPECT_EQ(corvel::configInt("0x"), 0);
    EXPECT_EQ(corvel::configInt("0x1G"), 1);
    EXPECT_EQ(corvel::configInt("-99999999999"), INT32_MIN);
}

TEST(Errors, CodesBecomeHresults)
{
    using corvel::hresultForError;
    const std::pair<int, uint32_t> table[] = {
        {200, 0x800A0007u}, {-1, 0x800A4E20u},  {202, 0x800A4EEBu}, {287, 0x800A4F40u}, {301, 0x800A4F4Eu},
        {432, 0x800A4FD1u}, {600, 0x800A5079u}, {601, 0x800A507Au}, {602, 0x800A507Bu}, {603, 0x800A507Cu},
        {604, 0x800A507Du}, {605, 0x800A507Eu}, {606, 0x800A507Fu}, {607, 0x800A5080u}, {703, 0x800A50E0u},
        {10000, 0x800A7531u}, {10001, 0x800A61AAu}, {11001, 0x800A6592u},
    };
    for (const auto& [code, hr] : table)
        EXPECT_EQ(static_cast<uint32_t>(hresultForError(code)), hr) << code;
}

TEST(Errors, HelpContexts)
{
    using corvel::helpContextFor;
    EXPECT_EQ(helpContextFor(1), 24001u);
    EXPECT_EQ(helpContextFor(29), 24029u);
    EXPECT_EQ(helpContextFor(30), 34000u);
    EXPECT_EQ(helpContextFor(31), 34001u);
    EXPECT_EQ(helpContextFor(502), 44001u);
    EXPECT_EQ(helpContextFor(520), 44019u);
    EXPECT_EQ(helpContextFor(-552), 0u);
    EXPECT_EQ(helpContextFor(1610743892), 0u);
}

TEST(Errors, DefaultTextsAndTheLastError)
{
    EXPECT_EQ(corvel::defaultErrorText(10060), "[10060] Connection timed out.");
    EXPECT_EQ(corvel::defaultErrorText(999), "[999] (no description available)");
    EXPECT_EQ(corvel::defaultErrorText(200), "Out of memory.");
    EXPECT_EQ(corvel::defaultErrorText(301), "Interrupted.");

    corvel::ControlCore core;
    const corvel::Status s = core.fail(10061, "");
    EXPECT_EQ(s.text, "[10061] Connection refused.");
    EXPECT_EQ(core.lastErrorCode(), 10061);
    EXPECT_EQ(core.lastErrorText(), "[10061] Connection refused.");
    core.fail(601, "No service with the ID \"x\" has been discovered.");
    EXPECT_EQ(core.config("LastError").value, "No service with the ID \"x\" has been discovered.");
    // Success records nothing.
    EXPECT_TRUE(core.fail(corvel::Status::success()).ok());
    EXPECT_EQ(core.lastErrorCode(), 601);
}
