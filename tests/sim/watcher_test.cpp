// Scanning on the simulated stack: watcher states, the advertisement fields, the filter,
// scan responses and aborted scans.
#include <algorithm>

#include "sim/advertising_payload.h"
#include "sim_test_support.h"

using namespace simtest;

namespace {

Scenario scanScenario() {
    Scenario s = basicScenario();
    DeviceDef& d = s.devices[0];
    d.advertising.rssi = -58;
    d.advertising.data.flags = 0x06;
    d.advertising.data.manufacturerData = {{0x0059, {0x01, 0x02}}, {0x004C, {0xAA}}};
    d.advertising.data.serviceData = {{Guid::sig(0x180F), {0x64}}};
    d.advertising.data.solicitations = {Guid::sig(0x1812)};
    d.advertising.data.rawSections = {{0x16, {0x0F}}};  // service data too short for its UUID
    AdvertisingData response;
    response.name = "Thermo 1 (scan)";
    d.advertising.scanResponse = response;

    DeviceDef other;
    other.address = 0xC47F51002002;
    other.name = "Beacon";
    other.advertising.type = AdvertisementType::NonConnectableUndirected;
    other.advertising.addressType = AddressType::Random;
    other.advertising.intervalMs = 20;
    s.devices.push_back(other);
    return s;
}

struct Scan {
    std::shared_ptr<SimStack> stack;
    std::shared_ptr<AdvertisementWatcher> watcher;
    Recorder<AdvertisementReceivedArgs> received;
    Recorder<BluetoothErrorCode> stopped;

    explicit Scan(Scenario s) : stack(makeStack(std::move(s))), watcher(stack->createAdvertisementWatcher()) {
        watcher->received.add([this](const AdvertisementReceivedArgs& a) { received.add(a); });
        watcher->stopped.add([this](BluetoothErrorCode e) { stopped.add(e); });
    }
    // The recorders go before the watcher: take the handlers off first (waits for a running one).
    ~Scan() {
        if (!watcher) return;
        watcher->received.clear();
        watcher->stopped.clear();
    }
    std::vector<AdvertisementReceivedArgs> from(uint64_t address) {
        std::vector<AdvertisementReceivedArgs> out;
        for (const auto& a : received.items())
            if (a.bluetoothAddress == address) out.push_back(a);
        return out;
    }
};

}  // namespace

TEST(Watcher, StartsStopsAndReports) {
    Scan scan(scanScenario());
    EXPECT_EQ(scan.watcher->status(), WatcherStatus::Created);
    scan.watcher->start();
    ASSERT_TRUE(eventually([&] { return scan.watcher->status() == WatcherStatus::Started; }));
    EXPECT_FALSE(scan.watcher->setScanningMode(ScanningMode::Active));
    EXPECT_FALSE(scan.watcher->setServiceUuidFilter({Guid::sig(0x180F)}));
    ASSERT_TRUE(scan.received.waitFor(4));
    for (auto id : scan.received.threads()) EXPECT_NE(id, std::this_thread::get_id());
    scan.watcher->stop();
    EXPECT_EQ(scan.watcher->status(), WatcherStatus::Stopping);
    ASSERT_TRUE(scan.stopped.waitFor(1));
    EXPECT_EQ(scan.stopped.items()[0], BluetoothErrorCode::Success);
    EXPECT_EQ(scan.watcher->status(), WatcherStatus::Stopped);
    const std::size_t seen = scan.received.size();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(scan.received.size(), seen);
    // It can scan again.
    scan.watcher->start();
    ASSERT_TRUE(eventually([&] { return scan.watcher->status() == WatcherStatus::Started; }));
}

TEST(Watcher, AdvertisementCarriesEveryField) {
    Scan scan(scanScenario());
    scan.watcher->start();
    ASSERT_TRUE(eventually([&] { return !scan.from(kDevice).empty() && !scan.from(0xC47F51002002).empty(); }));
    const AdvertisementReceivedArgs a = scan.from(kDevice)[0];
    EXPECT_EQ(a.rawSignalStrengthInDBm, -58);
    EXPECT_EQ(a.advertisementType, AdvertisementType::ConnectableUndirected);
    EXPECT_EQ(a.addressType, AddressType::Public);
    EXPECT_EQ(a.advertisement.localName, "Thermo 1");
    EXPECT_EQ(a.advertisement.serviceUuids, std::vector<Guid>{Guid::sig(0x180F)});
    ASSERT_EQ(a.advertisement.manufacturerData.size(), 2u);
    EXPECT_EQ(a.advertisement.manufacturerData[0].companyId, 0x0059);
    EXPECT_EQ(a.advertisement.manufacturerData[0].data, (Bytes{0x01, 0x02}));
    EXPECT_EQ(a.advertisement.flags, 0x06);
    std::vector<uint8_t> types;
    for (const auto& s : a.advertisement.dataSections) types.push_back(s.type);
    EXPECT_EQ(types, (std::vector<uint8_t>{0x01, 0x03, 0x09, 0x0A, 0x14, 0x16, 0xFF, 0xFF, 0x16}));
    const auto tx = a.advertisement.sectionsByType(section_types::kTxPowerLevel);
    ASSERT_EQ(tx.size(), 1u);
    EXPECT_EQ(static_cast<int8_t>(tx[0].data.at(0)), -4);
    const auto serviceData = a.advertisement.sectionsByType(section_types::kServiceData16);
    ASSERT_EQ(serviceData.size(), 2u);
    EXPECT_EQ(serviceData[0].data, (Bytes{0x0F, 0x18, 0x64}));
    EXPECT_EQ(serviceData[1].data, (Bytes{0x0F}));

    const auto beacon = scan.from(0xC47F51002002);
    ASSERT_FALSE(beacon.empty());
    EXPECT_EQ(beacon[0].advertisementType, AdvertisementType::NonConnectableUndirected);
    EXPECT_EQ(beacon[0].addressType, AddressType::Random);
    EXPECT_TRUE(beacon[0].advertisement.manufacturerData.empty());
}

TEST(Watcher, ScanResponsesOnlyWhenActive) {
    Scan passive(scanScenario());
    passive.watcher->start();
    ASSERT_TRUE(eventually([&] { return passive.from(kDevice).size() >= 3; }));
    for (const auto& a : passive.received.items()) EXPECT_NE(a.advertisementType, AdvertisementType::ScanResponse);

    Scan active(scanScenario());
    EXPECT_TRUE(active.watcher->setScanningMode(ScanningMode::Active));
    active.watcher->start();
    ASSERT_TRUE(eventually([&] { return active.from(kDevice).size() >= 4; }));
    const auto got = active.from(kDevice);
    // Each advertisement is followed by its scan response.
    EXPECT_EQ(got[0].advertisementType, AdvertisementType::ConnectableUndirected);
    EXPECT_EQ(got[1].advertisementType, AdvertisementType::ScanResponse);
    EXPECT_EQ(got[1].advertisement.localName, "Thermo 1 (scan)");
    EXPECT_TRUE(got[1].advertisement.serviceUuids.empty());
}

TEST(Watcher, ServiceFilter) {
    Scan scan(scanScenario());
    EXPECT_TRUE(scan.watcher->setServiceUuidFilter({Guid::sig(0x180F)}));
    EXPECT_EQ(scan.watcher->serviceUuidFilter(), std::vector<Guid>{Guid::sig(0x180F)});
    scan.watcher->start();
    ASSERT_TRUE(scan.received.waitFor(5));
    for (const auto& a : scan.received.items()) EXPECT_EQ(a.bluetoothAddress, kDevice);

    Scan none(scanScenario());
    none.watcher->setServiceUuidFilter({Guid::sig(0x1234)});
    none.watcher->start();
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(none.received.size(), 0u);
}

TEST(Watcher, OfflineAndSilentDevicesAreNotSeen) {
    Scenario s = scanScenario();
    s.devices[1].online = false;
    Scan scan(s);
    scan.stack->setAdvertising(kDevice, false);
    scan.watcher->start();
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(scan.received.size(), 0u);
    scan.stack->setAdvertising(kDevice, true);
    EXPECT_TRUE(scan.received.waitFor(1));
}

TEST(Watcher, NameChangesShowInTheAdvertisement) {
    Scan scan(scanScenario());
    scan.stack->setName(kDevice, "Renamed");
    ASSERT_TRUE(scan.stack->settle());
    scan.watcher->start();
    ASSERT_TRUE(eventually([&] { return !scan.from(kDevice).empty(); }));
    EXPECT_EQ(scan.from(kDevice)[0].advertisement.localName, "Renamed");
}

TEST(Watcher, RadioOffAbortsTheScan) {
    Scan scan(scanScenario());
    scan.watcher->start();
    ASSERT_TRUE(eventually([&] { return scan.watcher->status() == WatcherStatus::Started; }));
    scan.stack->setRadio(false);
    ASSERT_TRUE(scan.stopped.waitFor(1));
    EXPECT_EQ(scan.stopped.items()[0], BluetoothErrorCode::RadioNotAvailable);
    EXPECT_EQ(scan.watcher->status(), WatcherStatus::Aborted);
    // Starting without a radio aborts at once.
    scan.watcher->start();
    ASSERT_TRUE(scan.stopped.waitFor(2));
    scan.stack->setRadio(true);
    ASSERT_TRUE(scan.stack->settle());
    scan.watcher->start();
    EXPECT_TRUE(eventually([&] { return scan.watcher->status() == WatcherStatus::Started; }));
}

TEST(Watcher, ScheduledRadioOffWithItsReason) {
    Scenario s = scanScenario();
    TimedEvent off;
    off.type = EventType::RadioOff;
    off.from = EventFrom::Start;
    off.atMs = 40;
    off.error = BluetoothErrorCode::DisabledByUser;
    s.events.push_back(off);
    Scan scan(s);
    scan.watcher->start();
    ASSERT_TRUE(scan.stopped.waitFor(1));
    EXPECT_EQ(scan.stopped.items()[0], BluetoothErrorCode::DisabledByUser);
}

TEST(Watcher, AbortedStartAndSlowStart) {
    Scenario busy = scanScenario();
    busy.adapter.scanAbort = BluetoothErrorCode::ResourceInUse;
    Scan aborted(busy);
    aborted.watcher->start();
    ASSERT_TRUE(aborted.stopped.waitFor(1));
    EXPECT_EQ(aborted.stopped.items()[0], BluetoothErrorCode::ResourceInUse);
    EXPECT_EQ(aborted.watcher->status(), WatcherStatus::Aborted);

    Scenario slow = scanScenario();
    slow.adapter.scanStartDelayMs = 150;
    Scan late(slow);
    late.watcher->start();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(late.watcher->status(), WatcherStatus::Created);
    EXPECT_TRUE(eventually([&] { return late.watcher->status() == WatcherStatus::Started; }));
}

TEST(Watcher, StopBeforeStartedCancelsTheStart) {
    Scenario slow = scanScenario();
    slow.adapter.scanStartDelayMs = 50;
    Scan scan(slow);
    scan.watcher->start();
    scan.watcher->stop();
    std::this_thread::sleep_for(100ms);
    EXPECT_NE(scan.watcher->status(), WatcherStatus::Started);
    EXPECT_EQ(scan.received.size(), 0u);
}

// A second stop while stopping (a caller whose first stop timed out) must not cancel the first.
TEST(Watcher, SecondStopWhileStoppingStillStops) {
    Scenario s = scanScenario();
    s.adapter.scanStopDelayMs = 30;
    Scan scan(s);
    scan.watcher->start();
    ASSERT_TRUE(eventually([&] { return scan.watcher->status() == WatcherStatus::Started; }));
    scan.watcher->stop();
    scan.watcher->stop();
    ASSERT_TRUE(scan.stopped.waitFor(1, 500ms));
    EXPECT_EQ(scan.watcher->status(), WatcherStatus::Stopped);
    EXPECT_EQ(scan.stopped.size(), 1u);
}

TEST(Watcher, NoAdapterNoScan) {
    Scenario s = scanScenario();
    s.adapter.present = false;
    Scan scan(s);
    scan.watcher->start();
    ASSERT_TRUE(scan.stopped.waitFor(1));
    EXPECT_EQ(scan.stopped.items()[0], BluetoothErrorCode::RadioNotAvailable);
}

TEST(Watcher, DroppedWatcherStopsQuietly) {
    Scan scan(scanScenario());
    scan.watcher->start();
    ASSERT_TRUE(scan.received.waitFor(1));
    scan.watcher.reset();
    std::this_thread::sleep_for(50ms);
    SUCCEED();
}

TEST(AdvertisingPayload, WidthsOfUuids) {
    AdvertisingData d;
    d.serviceUuids = {Guid::sig(0x180F), Guid::sig(0x12345678), *Guid::parse("3DCF8700-54E8-4FBC-A822-25EC413CA19B"),
                      Guid::sig(0x1812)};
    d.shortenedName = true;
    const Advertisement a = buildAdvertisement(d, "Gauge");
    ASSERT_GE(a.dataSections.size(), 4u);
    EXPECT_EQ(a.dataSections[0].type, section_types::kComplete16);
    EXPECT_EQ(a.dataSections[0].data, (Bytes{0x0F, 0x18, 0x12, 0x18}));
    EXPECT_EQ(a.dataSections[1].type, section_types::kComplete32);
    EXPECT_EQ(a.dataSections[1].data, (Bytes{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(a.dataSections[2].type, section_types::kComplete128);
    EXPECT_EQ(a.dataSections[2].data.size(), 16u);
    EXPECT_EQ(a.dataSections[2].data[15], 0x3D);
    EXPECT_EQ(a.dataSections[3].type, section_types::kShortenedName);
    EXPECT_EQ(a.localName, "Gauge");
}
