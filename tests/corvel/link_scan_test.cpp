// Scanning on the simulated stack: StartScanning and StopScanning with their events and log
// lines, advertisements taken apart into the Advertisement event, the advertisement-only
// settings inside the handler, scan responses, aborted scans and missing adapters.
#include "tests/corvel/link_support.h"

using namespace linktest;
using namespace corvel;

namespace {

constexpr uint64_t kHidden = 0xC47F51003003ull;
constexpr HRESULT kNoAdapterHr = static_cast<HRESULT>(0x800A5086);   // 613 + 20001
constexpr const char* kBatteryUuid = "0000180F-0000-1000-8000-00805F9B34FB";

sim::Scenario scanScenario()
{
    sim::Scenario s = basicScenario();
    sim::AdvertisingData& a = s.devices[0].advertising.data;
    a.solicitations = {bt::Guid::sig(0x1805)};
    a.serviceData = {{bt::Guid::sig(0x180F), {0x64}}};
    a.manufacturerData = {{0x0059, {0x01, 0x00, 0x02}}, {0x004C, {0x41, 0x42}}};
    sim::AdvertisingData response;
    response.name = "Thermo 1 Response";
    s.devices[0].advertising.scanResponse = response;

    sim::DeviceDef other;
    other.address = kOther;
    other.name = "Plain";
    other.advertising.type = bt::AdvertisementType::ConnectableDirected;
    other.advertising.intervalMs = 20;
    other.advertising.rssi = -70;
    s.devices.push_back(other);

    sim::DeviceDef hidden;
    hidden.address = kHidden;
    hidden.name = "Hidden";
    hidden.advertising.data.name = "";
    hidden.advertising.type = bt::AdvertisementType::NonConnectableUndirected;
    hidden.advertising.intervalMs = 20;
    // A 16-bit service data section too short for its UUID.
    hidden.advertising.data.rawSections = {{0x16, {0x0F}}};
    s.devices.push_back(hidden);
    return s;
}

std::vector<Ev> advertisementsOf(const Events& events, const std::string& serverId)
{
    std::vector<Ev> out;
    for (const Ev& e : events.of(EVENT_Advertisement))
        if (e.arg(0) == serverId)
            out.push_back(e);
    return out;
}

bool seen(const Events& events, const std::string& serverId, const std::string& isScanResponse = "")
{
    for (const Ev& e : advertisementsOf(events, serverId))
        if (isScanResponse.empty() || e.arg(10) == isScanResponse)
            return true;
    return false;
}

} // namespace

TEST(LinkScan, StartScanningFiresStartScanOnceAndAdvertisementsArriveOnTheHostThread)
{
    SKIP_ON_BLUEZ("solicitations, scan responses and several manufacturer entries are not observable on BlueZ 5.66");
    Harness h(scanScenario());
    h.c().config("LogLevel=3");
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    // StartScan fires inside the call.
    ASSERT_EQ(h.events->count(EVENT_StartScan), 1u);
    EXPECT_EQ(h.events->of(EVENT_StartScan)[0].arg(0), "");
    EXPECT_TRUE(h.events->logged("2 Scanning: Scanning is starting."));
    EXPECT_TRUE(h.events->logged("3 Scanning: Scanning parameters:\r\n\tActive scanning: 0\r\n\tService UUIDs: ."));
    EXPECT_TRUE(h.events->logged("1 Scanning: Scanning started."));
    EXPECT_EQ(h.c().get("Scanning").number(), -1);
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    EXPECT_EQ(h.events->count(EVENT_StartScan), 1u);

    ASSERT_TRUE(pumpUntil([&] { return seen(*h.events, kDeviceId) && seen(*h.events, kOtherId); }));
    const Ev a = advertisementsOf(*h.events, kDeviceId)[0];
    EXPECT_EQ(a.thread, std::this_thread::get_id());
    EXPECT_EQ(a.arg(1), "Thermo 1");
    EXPECT_EQ(a.arg(2), "-60");
    EXPECT_EQ(a.arg(3), "-4");
    EXPECT_EQ(a.arg(4), kBatteryUuid);
    EXPECT_EQ(a.arg(5), kBatteryUuid);
    EXPECT_EQ(a.arg(6), "00001805-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(a.arg(7), "89");
    EXPECT_EQ(hex(a.arg(8)), "01 00 02");
    EXPECT_EQ(a.arg(9), "True");
    EXPECT_EQ(a.arg(10), "False");
    // Passive: no scan responses.
    EXPECT_FALSE(seen(*h.events, kDeviceId, "True"));

    // No manufacturer data: -1 and "". A directed advertisement is connectable.
    const Ev b = advertisementsOf(*h.events, kOtherId)[0];
    EXPECT_EQ(b.arg(1), "Plain");
    EXPECT_EQ(b.arg(3), "0");
    EXPECT_EQ(b.arg(4), "");
    EXPECT_EQ(b.arg(7), "-1");
    EXPECT_EQ(b.arg(8), "");
    EXPECT_EQ(b.arg(9), "True");
}

TEST(LinkScan, AServiceFilterPassesOnlyMatchingDevicesAndIsReportedInTheLongForm)
{
    Harness h(scanScenario());
    ASSERT_TRUE(h.c().call("StartScanning", {Str("180F")}).ok());
    ASSERT_EQ(h.events->count(EVENT_StartScan), 1u);
    EXPECT_EQ(h.events->of(EVENT_StartScan)[0].arg(0), kBatteryUuid);
    pump(150);
    EXPECT_TRUE(seen(*h.events, kDeviceId));
    EXPECT_FALSE(seen(*h.events, kOtherId));
    // A malformed filter fails before anything starts.
    ASSERT_TRUE(h.c().call("StopScanning").ok());
    const Outcome bad = h.c().call("StartScanning", {Str("12345")});
    EXPECT_EQ(bad.description, "UUIDs hexadecimal strings must represent either 16-, 32-, or 128-bit values.");
    EXPECT_EQ(h.c().get("Scanning").number(), 0);
}

TEST(LinkScan, ActiveScanningBringsScanResponsesAndCannotChangeWhileScanning)
{
    SKIP_ON_BLUEZ("the advertisement type (scan response) is not observable on BlueZ 5.66");
    Harness h(scanScenario());
    ASSERT_TRUE(h.c().put("ActiveScanning", Bool(true)).ok());
    h.c().config("LogLevel=3");
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    EXPECT_TRUE(h.events->logged("3 Scanning: Scanning parameters:\r\n\tActive scanning: 1\r\n\tService UUIDs: ."));
    const Outcome change = h.c().put("ActiveScanning", Bool(false));
    EXPECT_EQ(change.description, "You cannot change the ActiveScanning property while scanning.");
    EXPECT_TRUE(h.c().put("ActiveScanning", Bool(true)).ok());
    ASSERT_TRUE(pumpUntil([&] { return seen(*h.events, kDeviceId, "True"); }));
    for (const Ev& e : advertisementsOf(*h.events, kDeviceId))
        if (e.arg(10) == "True") {
            EXPECT_EQ(e.arg(1), "Thermo 1 Response");
            EXPECT_EQ(e.arg(9), "False");
        }
}

TEST(LinkScan, AdvertisementOnlySettingsWorkInsideTheHandlerOnly)
{
    SKIP_ON_BLUEZ("raw advertisement sections are not observable on BlueZ 5.66");
    Harness h(scanScenario());
    std::map<std::string, Outcome> answers;
    Outcome bytesB;
    bool asked = false;
    h.events->hook = [&](const Ev& e, std::vector<VARIANT*>&) {
        if (e.dispid != EVENT_Advertisement || e.arg(0) != kDeviceId || asked)
            return;
        asked = true;
        for (const char* q : {"ManufacturerDataCount", "ManufacturerCompanyId[1]", "ManufacturerData[0]",
                              "ManufacturerData[2]", "ManufacturerCompanyId[-1]", "ServiceData=180F",
                              "ServiceData=1805", "AdvertisementRawData"})
            answers[q] = h.c().call("Config", {Str(q)});
        bytesB = h.c().get("AdvertisementManufacturerDataB");
    };
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(pumpUntil([&] { return asked; }));
    EXPECT_EQ(answers["ManufacturerDataCount"].text(), "2");
    EXPECT_EQ(answers["ManufacturerCompanyId[1]"].text(), "76");
    EXPECT_EQ(hex(answers["ManufacturerData[0]"].text()), "01");
    EXPECT_EQ(answers["ManufacturerData[2]"].description, "Index '{0}' is invalid for {1}.");
    EXPECT_EQ(answers["ManufacturerCompanyId[-1]"].description, "Index '{0}' is invalid for {1}.");
    EXPECT_EQ(answers["ServiceData=180F"].text(), "d");
    EXPECT_EQ(answers["ServiceData=1805"].description,
              "No service data in advertisement for UUID 00001805-0000-1000-8000-00805F9B34FB.");
    // LE meta event, advertising report, one report; type, address type, address (least
    // significant byte first), data length, Tx power first, then manufacturer data, the
    // other sections in their order, and the signal strength.
    EXPECT_EQ(answers["AdvertisementRawData"].text(),
              "3E020100"
              "00"
              "011000517FC4"
              "27"
              "020AFC"
              "06FF5900010002"
              "05FF4C004142"
              "03030F18"
              "0909546865726D6F2031"
              "03140518"
              "04160F1864"
              "C4");
    EXPECT_EQ(bytesB.value.vt, VT_ARRAY | VT_UI1);

    const Outcome outside = h.c().call("Config", {Str("ManufacturerDataCount")});
    EXPECT_EQ(outside.description,
              "The ManufacturerDataCount setting is only usable within the Advertisement event handler.");
    EXPECT_EQ(h.c().get("AdvertisementManufacturerDataB").value.vt, VT_EMPTY);
}

// Device data answers in the code page like the Name argument; numbers stay readable.
TEST(LinkScan, AdvertisementDataFromConfigTakesTheCodePage)
{
    SKIP_ON_BLUEZ("raw advertisement sections are not observable on BlueZ 5.66");
    sim::Scenario s = scanScenario();
    s.devices[0].advertising.data.serviceData = {{bt::Guid::sig(0x180F), {0x64, 0x00}}};
    Harness h(s);
    ASSERT_TRUE(h.c().call("Config", {Str("CodePage=1200")}).ok());   // UTF-16LE
    std::map<std::string, std::string> answers;
    h.events->hook = [&](const Ev& e, std::vector<VARIANT*>&) {
        if (e.dispid != EVENT_Advertisement || e.arg(0) != kDeviceId || !answers.empty())
            return;
        for (const char* q : {"ManufacturerData[1]", "ServiceData=180F", "ManufacturerCompanyId[1]"})
            answers[q] = h.c().call("Config", {Str(q)}).text();
    };
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(pumpUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers["ManufacturerData[1]"], "\xE4\x89\x81");   // 41 42 as UTF-16LE: U+4241
    EXPECT_EQ(answers["ServiceData=180F"], "d");
    EXPECT_EQ(answers["ManufacturerCompanyId[1]"], "76");
}

TEST(LinkScan, MalformedSectionsLeaveTheirTextAndTheAdvertisementStillArrives)
{
    SKIP_ON_BLUEZ("BlueZ parses the sections itself; malformed ones never reach a client");
    Harness h(scanScenario());
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(pumpUntil([&] { return seen(*h.events, "C47F51003003"); }));
    const Ev e = advertisementsOf(*h.events, "C47F51003003")[0];
    EXPECT_EQ(e.arg(1), "");   // no local name
    EXPECT_EQ(e.arg(5), "");
    EXPECT_EQ(e.arg(9), "False");
    EXPECT_EQ(h.c().config("LastError"), "Expected byte[] length to be at least 2, but instead is 1.");
}

TEST(LinkScan, QueryAdditionalDeviceInfoNamesADeviceWithoutLocalName)
{
    SKIP_ON_BLUEZ("BlueZ knows a device's name only from its advertisements until it connects");
    Harness h(scanScenario());
    h.c().config("QueryAdditionalDeviceInfo=True");
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(pumpUntil([&] { return seen(*h.events, "C47F51003003"); }));
    EXPECT_EQ(advertisementsOf(*h.events, "C47F51003003")[0].arg(1), "Hidden");
}

// A name look-up slower than the advertising interval holds the advertisements behind it
// instead of waiting inside the handler: StartScanning returns, the order stays, a look-up
// that does not end is given up, and LastError is left alone.
TEST(LinkScan, NameLookUpsNeitherNestNorReorder)
{
    SKIP_ON_BLUEZ("BlueZ knows a device's name only from its advertisements until it connects");
    for (const int lookupMs : {400, 10000}) {
        sim::Scenario s = scanScenario();
        for (sim::DeviceDef& d : s.devices)
            d.advertising.intervalMs = d.address == kHidden ? 100 : 50;
        s.devices[2].advertising.data.rawSections.clear();
        s.devices[2].latency.device = lookupMs;
        Harness h(s);
        h.c().config("QueryAdditionalDeviceInfo=True");
        ASSERT_TRUE(h.c().put("Timeout", I2(1)).ok());
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
        EXPECT_LT(msSince(start), 1000) << lookupMs;
        EXPECT_FALSE(h.c().call("Config", {Str("NoSuchSetting")}).ok());
        ASSERT_TRUE(pumpUntil([&] { return advertisementsOf(*h.events, "C47F51003003").size() >= 3; }, 6000));
        // Received in the order Thermo 1, Plain, Hidden, ... (their phases): nothing that came
        // after the first nameless one overtakes it.
        size_t before = 0;
        for (const Ev& e : h.events->of(EVENT_Advertisement)) {
            if (e.arg(0) == "C47F51003003")
                break;
            ++before;
        }
        EXPECT_LE(before, 2u) << lookupMs;
        EXPECT_EQ(advertisementsOf(*h.events, "C47F51003003")[0].arg(1), lookupMs < 1000 ? "Hidden" : "");
        EXPECT_EQ(h.c().config("LastError"), "Unknown config setting.") << lookupMs;
        EXPECT_TRUE(h.c().call("StopScanning").ok());
    }
}

TEST(LinkScan, StopScanningWaitsForStopScanAndLogsIt)
{
    Harness h(scanScenario());
    h.c().config("LogLevel=2");
    EXPECT_TRUE(h.c().call("StopScanning").ok());   // not scanning: nothing happens
    EXPECT_EQ(h.events->count(EVENT_StopScan), 0u);
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(h.c().call("StopScanning").ok());
    const auto stops = h.events->of(EVENT_StopScan);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].arg(0), "0");
    EXPECT_EQ(stops[0].arg(1), "");
    EXPECT_TRUE(h.events->logged("2 Scanning: Scanning is stopping."));
    EXPECT_TRUE(h.events->logged("1 Scanning: Scanning stopped."));
    EXPECT_EQ(h.c().get("Scanning").number(), 0);
    // A stopped scan can be started again.
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    EXPECT_EQ(h.events->count(EVENT_StartScan), 2u);
}

TEST(LinkScan, StopScanningIsBoundedByTimeout)
{
    SKIP_ON_BLUEZ("a stop of BlueZ's discovery ends at once; there is no slow stop to bound");
    sim::Scenario s = scanScenario();
    s.adapter.scanStopDelayMs = 2000;
    Harness h(std::move(s));
    h.c().config("TimeoutInMilliseconds=True");
    ASSERT_TRUE(h.c().put("Timeout", I2(150)).ok());
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = h.c().call("StopScanning");
    EXPECT_EQ(o.description, "Timeout.");
    EXPECT_LT(msSince(start), 600);
    // The stop still arrives later.
    EXPECT_TRUE(pumpUntil([&] { return h.events->count(EVENT_StopScan) == 1; }));
}

TEST(LinkScan, TheRadioGoingOffAbortsTheScanWithErrorAndStopScan)
{
    Harness h(scanScenario());
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    h.stack->setRadio(false);
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_StopScan) == 1; }));
    const auto errors = h.events->of(EVENT_Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].arg(0), "603");
    EXPECT_EQ(errors[0].arg(1), "Scanning was aborted for the following reason: RadioNotAvailable");
    const auto stop = h.events->of(EVENT_StopScan)[0];
    EXPECT_EQ(stop.arg(0), "603");
    EXPECT_EQ(stop.arg(1), "RadioNotAvailable");
    EXPECT_EQ(h.c().get("Scanning").number(), 0);
}

TEST(LinkScan, AScanTheSystemAbortsAtOnceOnlyLogsThatItFailedToStart)
{
    sim::Scenario s = scanScenario();
    s.adapter.scanAbort = bt::BluetoothErrorCode::ResourceInUse;
    Harness h(std::move(s));
    h.c().config("ScanStartedTimeout=1");
    const Outcome o = h.c().call("StartScanning", {Str("")});
    EXPECT_TRUE(o.ok());
    EXPECT_TRUE(h.events->logged("1 Scanning: Scanning failed to start."));
    EXPECT_EQ(h.events->count(EVENT_StartScan), 0u);
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_StopScan) == 1; }));
    EXPECT_EQ(h.events->of(EVENT_StopScan)[0].arg(1), "ResourceInUse");
    EXPECT_EQ(h.events->of(EVENT_Error)[0].arg(1), "Scanning was aborted for the following reason: ResourceInUse");
}

TEST(LinkScan, AWatcherThatStartsTooLateFailsToStartQuietly)
{
    sim::Scenario s = scanScenario();
    s.adapter.scanStartDelayMs = 1000;
    Harness h(std::move(s));
    h.c().config("ScanStartedTimeout=0");
    EXPECT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    EXPECT_TRUE(h.events->logged("1 Scanning: Scanning failed to start."));
    EXPECT_EQ(h.events->count(EVENT_StartScan), 0u);
}

TEST(LinkScan, NoAdapterOrNoLowEnergyFailsWith613)
{
    sim::Scenario none = scanScenario();
    none.adapter.present = false;
    Harness a(std::move(none));
    Outcome o = a.c().call("StartScanning", {Str("")});
    EXPECT_EQ(o.scode, kNoAdapterHr);
    // BlueZ says more: that bluetoothd has no controller.
    EXPECT_EQ(o.description.rfind("No Bluetooth adapter found", 0), 0u) << o.description;
    if (!onBluez()) {
        EXPECT_EQ(o.description, "No Bluetooth adapter found.");
    }
    EXPECT_EQ(a.c().get("Scanning").number(), 0);

    sim::Scenario classic = scanScenario();
    classic.adapter.lowEnergy = false;
    Harness b(std::move(classic));
    o = b.c().call("StartScanning", {Str("")});
    EXPECT_EQ(o.scode, kNoAdapterHr);
    EXPECT_EQ(o.description, "Bluetooth adapter does not support Low Energy.");
}

TEST(LinkScan, ConnectStopsARunningScanFirst)
{
    Harness h(scanScenario());
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    EXPECT_EQ(h.c().get("Scanning").number(), 0);
    std::vector<DISPID> order;
    for (const Ev& e : h.events->all())
        if (e.dispid == EVENT_StopScan || e.dispid == EVENT_Connected)
            order.push_back(e.dispid);
    EXPECT_EQ(order, (std::vector<DISPID>{EVENT_StopScan, EVENT_Connected}));
}
