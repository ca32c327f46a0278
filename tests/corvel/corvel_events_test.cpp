// Events through the connection point: every event with its DISPID and by-reference
// arguments to two sinks, the PairingRequest answer read back, the byte-array properties
// that only live inside their handlers, the advertisement-only settings, Log and Error.
#include "tests/corvel/corvel_support.h"

#include "corvel/com/corvel_ids.h"
#include "corvel/core/advertisement.h"

using namespace corveltest;

namespace {

constexpr VARTYPE S = VT_BYREF | VT_BSTR;
constexpr VARTYPE N = VT_BYREF | VT_I2;
constexpr VARTYPE B = VT_BYREF | VT_BOOL;

class Events : public ::testing::Test {
protected:
    void SetUp() override { makeFake(fake, sampleDevice(), false); }
    const Control& c() const { return fake.control; }
    corvel::EventSink& core() { return *fake.link->core().eventSink(); }
    FakeSetup fake;
};

// The bytes of a VT_ARRAY | VT_UI1 value with its bounds, or "Empty".
std::string bytesOf(const Outcome& o)
{
    if (o.value.vt == VT_EMPTY)
        return "Empty";
    if (o.value.vt != (VT_ARRAY | VT_UI1))
        return "<other>";
    int32_t lo = 0, hi = 0;
    SafeArrayGetLBound(o.value.parray, 1, &lo);
    SafeArrayGetUBound(o.value.parray, 1, &hi);
    void* data = nullptr;
    SafeArrayAccessData(o.value.parray, &data);
    std::string bytes(static_cast<const char*>(data), static_cast<size_t>(hi - lo + 1));
    SafeArrayUnaccessData(o.value.parray);
    return std::to_string(lo) + ".." + std::to_string(hi) + ": " + hex(bytes);
}

corvel::AdvertisementContext advertisement()
{
    corvel::AdvertisementContext adv;
    adv.address = 0x001122AABBCCull;
    adv.rssi = -60;
    adv.manufacturerData = {{0x0059, {0x01, 0x00, 0x02}}, {0x004C, {0x41, 0x42}}};
    adv.serviceData = {{corvel::sigUuid(0x180F), {0x64}}};
    adv.sections = {{0x0A, {0xF8}}, {0x16, {0x0F, 0x18, 0x64}}};
    return adv;
}

corvel::AdvertisementArgs advertisementArgs()
{
    corvel::AdvertisementArgs a;
    a.serverId = "001122AABBCC";
    a.name = "Zenu";
    a.rssi = -60;
    a.txPower = -8;
    a.serviceUuids = kBatteryService;
    a.servicesWithData = kBatteryService;
    a.manufacturerCompanyId = 0x0059;
    a.manufacturerData = std::string("\x01\x00\x02", 3);
    a.isConnectable = true;
    return a;
}

} // namespace

TEST_F(Events, TwoSinksGetEveryEventWithItsDispidAndReferenceArguments)
{
    Sink one(c()), two(c());
    ASSERT_TRUE(c().call("StartScanning", {Str("180F")}).ok());
    fake.link->core().deliverAdvertisement(advertisement(), advertisementArgs());
    ASSERT_TRUE(c().call("StopScanning").ok());
    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    ASSERT_TRUE(c().call("Discover", {Str("180F"), Str(""), Bool(true), Str("")}).ok());
    ASSERT_TRUE(c().call("ReadValue", {Str("001000000000"), Str("001000120000"), Str("")}).ok());
    ASSERT_TRUE(c().call("WriteValue", {Str("001000000000"), Str("001000120000"), Str(""), Str("x")}).ok());
    ASSERT_TRUE(c().call("Subscribe", {Str("001000000000"), Str("001000120000")}).ok());
    ASSERT_TRUE(c().call("Unsubscribe", {Str(""), Str("")}).ok());
    core().onServerUpdate("New name", "");
    fake.link->core().reportError(603, "Scanning was aborted for the following reason: RadioNotAvailable");
    ASSERT_TRUE(c().call("Disconnect").ok());

    const std::map<DISPID, std::vector<VARTYPE>> types = {
        {1, {S, S, N, N, S, S, S, N, S, B, B}},
        {2, {N, S}},
        {3, {N, S}},
        {4, {N, S, S, S, S, S}},
        {5, {N, S}},
        {6, {N, S, S}},
        {8, {S, S}},
        {9, {S}},
        {10, {N, S}},
        {11, {S, S, S, S}},
        {12, {S, S, S, S}},
        {13, {S, S, S, S, S, S}},
        {14, {S, S, S, S, S}},
    };
    for (const auto& [dispid, expected] : types) {
        const auto calls = one->named(dispid);
        ASSERT_FALSE(calls.empty()) << "event " << dispid;
        for (const EventCall& call : calls) {
            EXPECT_EQ(call.types, expected) << "event " << dispid;
            EXPECT_EQ(call.lcid, 0x400u);
            EXPECT_EQ(call.flags, DISPATCH_METHOD);
            EXPECT_EQ(call.namedArgs, 0u);
        }
    }
    ASSERT_EQ(one->calls.size(), two->calls.size());
    for (size_t i = 0; i < one->calls.size(); ++i) {
        EXPECT_EQ(one->calls[i].dispid, two->calls[i].dispid);
        EXPECT_EQ(one->calls[i].values, two->calls[i].values);
    }

    auto first = [&](DISPID id) { return one->named(id).front().values; };
    EXPECT_EQ(first(9), (std::vector<std::string>{"\"0000180F-0000-1000-8000-00805F9B34FB\""}));
    EXPECT_EQ(first(1), (std::vector<std::string>{"\"001122AABBCC\"", "\"Zenu\"", "-60", "-8",
                                                  "\"0000180F-0000-1000-8000-00805F9B34FB\"",
                                                  "\"0000180F-0000-1000-8000-00805F9B34FB\"", "\"\"", "89",
                                                  "\"\\x01\\x00\\x02\"", "True", "False"}));
    EXPECT_EQ(first(10), (std::vector<std::string>{"0", "\"\""}));
    EXPECT_EQ(first(2), (std::vector<std::string>{"0", "\"OK\""}));
    EXPECT_EQ(first(4), (std::vector<std::string>{"0", "\"001000000000\"", "\"\"", "\"\"",
                                                  "\"0000180F-0000-1000-8000-00805F9B34FB\"", "\"Battery Service\""}));
    EXPECT_EQ(one->named(4).size(), 4u);   // the service, its characteristic, two descriptors
    EXPECT_EQ(first(13), (std::vector<std::string>{"\"001000000000\"", "\"001000120000\"", "\"\"",
                                                   std::string("\"") + kBatteryLevel + "\"", "\"Battery Level\"",
                                                   "\"d\""}));
    EXPECT_EQ(first(14).size(), 5u);
    EXPECT_EQ(first(11)[3], "\"Battery Level\"");
    EXPECT_EQ(one->named(12).size(), 1u);   // only the subscribed characteristic changes
    EXPECT_EQ(first(8), (std::vector<std::string>{"\"New name\"", "\"\""}));
    EXPECT_EQ(first(5), (std::vector<std::string>{
                            "603", "\"Scanning was aborted for the following reason: RadioNotAvailable\""}));
    EXPECT_EQ(c().config("LastError"), "Scanning was aborted for the following reason: RadioNotAvailable");
    EXPECT_EQ(first(3), (std::vector<std::string>{"0", "\"OK\""}));
}

TEST_F(Events, PairingRequestReadsPinAndAcceptBackFromTheHandlers)
{
    fake.device.canPair = true;
    c().config("PairingMode=1");
    Sink one(c()), two(c());
    one->onEvent = [](DISPID id, std::vector<VARIANT*>& args) {
        if (id == 7)
            SysReAllocString(args[2]->pbstrVal, u"123456");
    };
    two->onEvent = [](DISPID id, std::vector<VARIANT*>& args) {
        if (id == 7)
            *args[3]->pboolVal = VARIANT_TRUE;
    };
    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    ASSERT_EQ(one->named(7).size(), 1u);
    EXPECT_EQ(one->named(7)[0].values, (std::vector<std::string>{"\"001122AABBCC\"", "4", "\"0000\"", "False"}));
    EXPECT_EQ(two->named(7)[0].values[2], "\"123456\"");   // the second sink sees the first one's answer
    EXPECT_EQ(fake.device.pairingPin, "123456");
    EXPECT_TRUE(fake.device.pairingAccepted);

    // Without PairingMode 1 there is no request.
    ASSERT_TRUE(c().call("Disconnect").ok());
    c().config("PairingMode=0");
    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    EXPECT_EQ(one->named(7).size(), 1u);
}

TEST_F(Events, ChangesToOtherArgumentsAreNotReadBackAndAreFreedByTheControl)
{
    Sink sink(c());
    sink->onEvent = [](DISPID, std::vector<VARIANT*>& args) {
        for (VARIANT* v : args)
            if (v->vt == (VT_BYREF | VT_BSTR))
                SysReAllocString(v->pbstrVal, u"changed by the handler");
    };
    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    ASSERT_TRUE(c().call("Discover", {Str(""), Str(""), Bool(false), Str("")}).ok());
    EXPECT_EQ(c().get("ServiceId", {I4(0)}).text(), "001000000000");
    const Outcome o = c().call("ReadValue", {Str("001000000000"), Str("001000120000"), Str("")});
    EXPECT_EQ(o.text(), "d");
}

TEST_F(Events, ValueValueBHoldsTheValueOnlyInsideTheValueHandler)
{
    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    ASSERT_TRUE(c().call("Discover", {Str(""), Str(""), Bool(false), Str("")}).ok());
    EXPECT_EQ(bytesOf(c().get("ValueValueB")), "Empty");
    std::vector<std::string> inside;
    Sink sink(c());
    sink->onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != 13)
            return;
        inside.push_back(bytesOf(c().get("ValueValueB")));
        inside.push_back(bytesOf(c().get("AdvertisementManufacturerDataB")));
        if (inside.size() == 2) {
            // A read inside the handler has its own value; the outer one comes back after it.
            c().call("ReadValue", {Str("002000000000"), Str("002000220000"), Str("")});
            inside.push_back(bytesOf(c().get("ValueValueB")));
        }
    };
    const Outcome o = c().call("ReadValue", {Str("00AB00000000"), Str("00AB00AD0000"), Str("")});
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(SysStringLen(o.value.bstrVal), 3u);   // "A\0B" keeps its zero
    EXPECT_EQ(BstrToU16(o.value.bstrVal), std::u16string(u"A\0B", 3));
    ASSERT_EQ(inside.size(), 5u);
    EXPECT_EQ(inside[0], "0..2: 41 00 42");
    EXPECT_EQ(inside[1], "Empty");
    EXPECT_EQ(inside[2], "0..3: 5A 58 2D 35");   // "ZX-5" of the nested read
    EXPECT_EQ(inside[3], "Empty");
    EXPECT_EQ(inside[4], "0..2: 41 00 42");
    EXPECT_EQ(bytesOf(c().get("ValueValueB")), "Empty");
    EXPECT_EQ(sink->named(13)[0].values[5], "\"A\\x00B\"");
}

TEST_F(Events, AdvertisementOnlySettingsAndBytesInsideTheHandler)
{
    std::vector<std::string> seen;
    Sink sink(c());
    sink->onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != 1)
            return;
        seen.push_back(bytesOf(c().get("AdvertisementManufacturerDataB")));
        seen.push_back(bytesOf(c().get("ValueValueB")));
        for (const char* request : {"ManufacturerDataCount", "manufacturercompanyid[1]", "ManufacturerCompanyId",
                                    "ManufacturerData[ 1 ]", "ManufacturerData[0]", "ServiceData=0x180F",
                                    "ServiceData=0000180F-0000-1000-8000-00805F9B34FB", "AdvertisementRawData"}) {
            const Outcome o = c().call("Config", {Str(request)});
            seen.push_back(o.ok() ? o.text() : "! " + o.description);
        }
        for (const char* request : {"ManufacturerCompanyId[2]", "ManufacturerData[-1]", "ServiceData=2A19",
                                    "ServiceData=zz", "ServiceData", "ManufacturerDataCount=3"}) {
            const Outcome o = c().call("Config", {Str(request)});
            seen.push_back(std::to_string(o.scode - static_cast<HRESULT>(0x800A0000u) - 20001) + " " + o.description);
        }
    };
    fake.link->core().deliverAdvertisement(advertisement(), advertisementArgs());
    const std::vector<std::string> expected = {
        "0..2: 01 00 02",
        "Empty",
        "2",
        "76",
        "89",
        "AB",
        "\x01",   // up to the first zero byte
        "d",
        "d",
        "",   // the raw report, below
        "202 Index '{0}' is invalid for {1}.",
        "202 Index '{0}' is invalid for {1}.",
        "202 No service data in advertisement for UUID 00002A19-0000-1000-8000-00805F9B34FB.",
        "600 UUIDs hexadecimal strings must represent either 16-, 32-, or 128-bit values.",
        "-1 Unknown config setting.",
        "-1 Unknown config setting.",
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        if (i != 9) {
            EXPECT_EQ(seen[i], expected[i]) << i;
        }
    }
    // The raw report: LE Meta 3E, report 02, count 01, type, address type, address (least
    // significant byte first), data length, Tx Power first, manufacturer data, the rest, RSSI.
    EXPECT_EQ(seen[9], "3E02010000CCBBAA221100" "15" "020AF8" "06FF5900010002" "05FF4C004142" "0416" "0F1864" "C4");

    // Outside the handler every one of them is refused by name.
    EXPECT_EQ(bytesOf(c().get("AdvertisementManufacturerDataB")), "Empty");
    for (const char* name : {"ManufacturerDataCount", "ManufacturerCompanyId", "ManufacturerData",
                             "AdvertisementRawData"}) {
        const Outcome o = c().call("Config", {Str(name)});
        EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Bu) << name;
        EXPECT_EQ(o.description, std::string("The ") + name + " setting is only usable within the Advertisement "
                                                                 "event handler.");
    }
    EXPECT_EQ(c().call("Config", {Str("ServiceData=180F")}).description,
              "The ServiceData setting is only usable within the Advertisement event handler.");
}

TEST_F(Events, EmptyManufacturerDataIsAnEmptyVariant)
{
    std::string seen;
    Sink sink(c());
    sink->onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id == 1)
            seen = bytesOf(c().get("AdvertisementManufacturerDataB"));
    };
    corvel::AdvertisementArgs args;
    args.serverId = "001122AABBCC";
    fake.link->core().deliverAdvertisement(corvel::AdvertisementContext{}, args);
    EXPECT_EQ(seen, "Empty");
    EXPECT_EQ(sink->calls[0].values[7], "-1");   // no manufacturer data
    EXPECT_EQ(sink->calls[0].values[8], "\"\"");
}

TEST_F(Events, LogEventsFollowTheLogLevel)
{
    Sink sink(c());
    EXPECT_EQ(c().config("loglevel"), "1");
    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    auto logs = sink->named(6);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].values,
              (std::vector<std::string>{"1", "\"Successfully connected to server ID 001122AABBCC.\"",
                                        "\"Connection\""}));
    fake.link->core().log(3, "Debug", "a detail");
    EXPECT_EQ(sink->named(6).size(), 1u);
    EXPECT_EQ(c().config("LogLevel=3"), "");
    fake.link->core().log(3, "Debug", "a detail");
    logs = sink->named(6);
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[1].values, (std::vector<std::string>{"3", "\"a detail\"", "\"Debug\""}));

    c().config("LogLevel=0");
    sink->calls.clear();
    ASSERT_TRUE(c().call("Disconnect").ok());
    fake.link->core().log(1, "Connection", "never");
    EXPECT_TRUE(sink->named(6).empty());
    EXPECT_EQ(sink->named(3).size(), 1u);
}

TEST_F(Events, AnUnadvisedSinkHearsNothingMore)
{
    auto* lone = new RecordingSink();
    ASSERT_TRUE(lone->advise(c()));
    Sink kept(c());
    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    EXPECT_EQ(lone->named(2).size(), 1u);
    lone->unadvise();
    ASSERT_TRUE(c().call("Disconnect").ok());
    EXPECT_TRUE(lone->named(3).empty());
    EXPECT_EQ(kept->named(3).size(), 1u);
    lone->Release();
}

TEST_F(Events, ConnectStopsAScanAndReplacesAnotherServer)
{
    Sink sink(c());
    ASSERT_TRUE(c().call("StartScanning", {Str("")}).ok());
    EXPECT_EQ(c().get("Scanning").number(), VARIANT_TRUE);
    ASSERT_TRUE(c().call("StartScanning", {Str("180F")}).ok());   // already scanning: nothing happens
    EXPECT_EQ(sink->named(9).size(), 1u);
    EXPECT_EQ(sink->named(9)[0].values[0], "\"\"");
    // ActiveScanning may not change while scanning; the same value is fine.
    EXPECT_TRUE(c().put("ActiveScanning", Bool(false)).ok());
    const Outcome o = c().put("ActiveScanning", Bool(true));
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Bu);
    EXPECT_EQ(o.description, "You cannot change the ActiveScanning property while scanning.");
    EXPECT_EQ(o.helpContext, 24001u);

    ASSERT_TRUE(c().call("Connect", {Str("001122AABBCC")}).ok());
    EXPECT_EQ(c().get("Scanning").number(), VARIANT_FALSE);
    ASSERT_GE(sink->calls.size(), 2u);
    std::vector<DISPID> order;
    for (const EventCall& call : sink->calls)
        if (call.dispid != 6)
            order.push_back(call.dispid);
    EXPECT_EQ(order, (std::vector<DISPID>{9, 10, 2}));   // StartScan, StopScan, Connected

    // The same server again: nothing happens.
    sink->calls.clear();
    ASSERT_TRUE(c().call("Connect", {Str("001122aabbcc")}).ok());
    EXPECT_TRUE(sink->calls.empty());

    // Another server: the current one is disconnected first, and the tree goes with it.
    ASSERT_TRUE(c().call("Discover", {Str(""), Str(""), Bool(false), Str("")}).ok());
    ASSERT_EQ(c().get("ServiceCount").number(), 3);
    sink->calls.clear();
    const Outcome other = c().call("Connect", {Str("AABBCCDDEEFF")});
    EXPECT_EQ(other.scode, corvel::hresultForError(604));
    EXPECT_EQ(c().get("ServiceCount").number(), 0);
    order.clear();
    for (const EventCall& call : sink->calls)
        if (call.dispid != 6)
            order.push_back(call.dispid);
    EXPECT_EQ(order, (std::vector<DISPID>{3, 2}));   // Disconnected, then the failed Connected
    EXPECT_EQ(sink->named(2)[0].values[0], "604");
}
