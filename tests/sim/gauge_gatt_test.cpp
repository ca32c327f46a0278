// Simulated gauges through the stack, as the program talks to them: discovery by UUID, a
// command written with response and its reply read back by polling, the list in pieces,
// a family "5" download, family "4" storage reads, live readings and faults.
#include <QString>
#include <QTimeZone>

#include "sim/gauge_gatt.h"
#include "sim_test_support.h"

using namespace simtest;

namespace {

Scenario gaugeScenario() {
    Scenario s;
    s.latency.connect = 1;
    s.latency.unreachable = 10;
    DeviceDef five;
    five.address = kGauge5;
    GaugeDef g5;
    g5.model = GaugeModel::QX;
    g5.serial = "4711";
    g5.clock = QDateTime(QDate(2024, 3, 5), QTime(14, 22, 10), QTimeZone::utc());
    g5.listPieceSize = 10;
    GaugeFile m;
    m.name = "m001";
    for (int i = 0; i < 5; ++i) {
        FileReading r;
        r.value = 10 + i;
        m.readings.push_back(r);
    }
    g5.files = {m};
    g5.extraFiles = {"setup"};
    g5.live.startDelayMs = 0;
    g5.live.intervalMs = 10;
    g5.live.readings = {{12.5, "", std::nullopt, ""}, {13.5, "", std::nullopt, ""}};
    five.gauge = g5;
    s.devices.push_back(five);

    DeviceDef four;
    four.address = kGauge4;
    GaugeDef g4;
    g4.model = GaugeModel::VQB;
    StoredMemory mem;
    mem.number = 1;
    for (int i = 0; i < 6; ++i) mem.readings.push_back({50.0 + i, "", "", {}});
    g4.memories = {mem};
    four.gauge = g4;
    s.devices.push_back(four);
    return s;
}

// The gauge's characteristics found the way the program finds them: all services, then all
// characteristics, matched by UUID.
struct GaugeLink {
    std::shared_ptr<Device> device;
    std::shared_ptr<GattCharacteristic> command, storageInfo, storageData, measurement;
    std::vector<Guid> services;

    GaugeLink(SimStack& stack, uint64_t address) : device(connect(stack, address)) {
        for (const auto& s : await(device->getGattServicesAsync(CacheMode::Uncached)).services) {
            services.push_back(s->uuid());
            for (const auto& c : await(s->getCharacteristicsAsync(CacheMode::Uncached)).characteristics) {
                if (c->uuid() == gauge_uuids::kCommand) command = c;
                if (c->uuid() == gauge_uuids::kStorageInformation) storageInfo = c;
                if (c->uuid() == gauge_uuids::kStorageData) storageData = c;
                if (c->uuid() == gauge_uuids::kMeasurement) measurement = c;
            }
        }
    }

    // WriteValue, then ReadValue until something arrives (at most `polls` reads).
    std::string ask(const std::string& command_, int polls = 20) {
        EXPECT_TRUE(await(command->writeValueWithResultAsync(bytes(command_), WriteOption::WriteWithResponse)).ok());
        for (int i = 0; i < polls; ++i) {
            const auto r = await(command->readValueAsync(CacheMode::Uncached));
            if (!r.ok()) return "<" + std::string(toString(r.status)) + ">";
            if (!r.value.empty()) return text(r.value);
            std::this_thread::sleep_for(5ms);
        }
        return "";
    }
    std::string read(const std::shared_ptr<GattCharacteristic>& c) {
        return text(await(c->readValueAsync(CacheMode::Uncached)).value);
    }
};

}  // namespace

TEST(GaugeGatt, LayoutOfAFamilyFiveGauge) {
    auto stack = makeStack(gaugeScenario());
    GaugeLink g(*stack, kGauge5);
    ASSERT_TRUE(g.command && g.storageInfo && g.storageData && g.measurement);
    EXPECT_EQ(g.services.size(), 6u);
    EXPECT_EQ(g.command->uuid().toString(), "000028CA-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(g.command->attributeHandle(), gauge_handles::kCommand);
    EXPECT_EQ(g.measurement->uuid().toString(), "3DCF8703-54E8-4FBC-A822-25EC413CA19B");
    EXPECT_TRUE(g.measurement->characteristicProperties() & properties::kNotify);
    EXPECT_EQ(g.device->name(), "OKTA QX 20");
    // The name characteristic of the access service carries it too.
    auto access = await(g.device->getGattServicesForUuidAsync(Guid::sig(0x1800), CacheMode::Uncached)).services.at(0);
    auto name = await(access->getCharacteristicsForUuidAsync(Guid::sig(0x2A00), CacheMode::Uncached)).characteristics.at(0);
    EXPECT_EQ(g.read(name), "OKTA QX 20");
}

TEST(GaugeGatt, ProbeCommandServiceReplacesTheCommandService) {
    Scenario s = gaugeScenario();
    s.devices[0].gauge->probeCommandService = true;
    auto stack = makeStack(s);
    GaugeLink g(*stack, kGauge5);
    EXPECT_NE(std::find(g.services.begin(), g.services.end(), gauge_uuids::kProbeCommandService), g.services.end());
    EXPECT_EQ(std::find(g.services.begin(), g.services.end(), gauge_uuids::kCommandService), g.services.end());
    EXPECT_EQ(g.ask("$gcv!"), "$gcv?4.05!");
}

TEST(GaugeGatt, ConnectionInitialisation) {
    auto stack = makeStack(gaugeScenario());
    GaugeLink g(*stack, kGauge5);
    EXPECT_EQ(g.ask("$zenu00!"), "$zenu00T:QX20 V:1 B:0 R:840 S:4711 H:H2 M:C47F51005005 U:ym!");
    // "$gfi!" is not waited for; the next command replaces its reply.
    EXPECT_TRUE(await(g.command->writeValueWithResultAsync(bytes("$gfi!"), WriteOption::WriteWithResponse)).ok());
    EXPECT_EQ(g.ask("$gpi!"), "$gpiT:F1 R:12 S:P1001 U:ym!");
    EXPECT_EQ(g.ask("$sdp?1!"), "$sdp!");
    EXPECT_EQ(g.ask("$gcv!"), "$gcv?4.05!");
    // A reply is read once; the next poll finds the characteristic empty.
    EXPECT_EQ(g.read(g.command), "");
    // Setting the clock is not answered.
    EXPECT_EQ(g.ask("$slt?2026-12-06/16:20:05!\r\n", 3), "");
    EXPECT_EQ(g.ask("$glt!").substr(0, 21), "$glt?2026-12-06/16:20");
}

TEST(GaugeGatt, ListReplyInPiecesThenEmpty) {
    auto stack = makeStack(gaugeScenario());
    GaugeLink g(*stack, kGauge5);
    std::string list = g.ask("$ls!");
    EXPECT_EQ(list.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const std::string piece = g.read(g.command);
        if (piece.empty()) break;
        list += piece;
    }
    EXPECT_EQ(list, "$ls?000262144 m001 setup!");
}

TEST(GaugeGatt, FamilyFiveDownload) {
    auto stack = makeStack(gaugeScenario());
    GaugeLink g(*stack, kGauge5);
    const std::string open = g.ask("$fr?m001!");
    ASSERT_EQ(open, "$fr?1 240!");
    std::string hex;
    for (int remaining = 240; remaining > 0; remaining -= 32) {
        const int n = remaining > 32 ? 32 : remaining;
        const std::string block = g.ask("$rd?1 " + std::to_string(n) + "!");
        hex += block.substr(block.size() - 1 - 2 * static_cast<std::size_t>(n), 2 * static_cast<std::size_t>(n));
    }
    EXPECT_EQ(hex.size(), 480u);
    EXPECT_EQ(hex.substr(320, 4), "0000");  // first record: byte 0 unused, status 00
    EXPECT_EQ(g.ask("$fc?1!"), "$fc?1 0!");
}

TEST(GaugeGatt, FamilyFourStorage) {
    auto stack = makeStack(gaugeScenario());
    GaugeLink g(*stack, kGauge4);
    EXPECT_EQ(g.read(g.storageInfo), "1\r\n1,6\r\n");
    EXPECT_TRUE(await(g.storageInfo->writeValueWithResultAsync(bytes("1"), WriteOption::WriteWithResponse)).ok());
    const QString block1 = QString::fromStdString(g.read(g.storageData));
    EXPECT_EQ(block1.count(QLatin1Char('\n')), 5);
    const QString block2 = QString::fromStdString(g.read(g.storageData));
    EXPECT_EQ(block2.count(QLatin1Char('\n')), 1);
    EXPECT_EQ(block2.mid(6, 10).trimmed(), "55.0");
    EXPECT_EQ(g.read(g.storageData), "");
    EXPECT_TRUE(await(g.storageInfo->writeValueWithResultAsync(bytes("-"), WriteOption::WriteWithResponse)).ok());
}

TEST(GaugeGatt, LiveReadingsWhileSubscribed) {
    auto stack = makeStack(gaugeScenario());
    GaugeLink g(*stack, kGauge5);
    Recorder<std::string> live;
    g.measurement->valueChanged.add([&](const ValueChangedArgs& a) { live.add(text(a.value)); });
    ASSERT_TRUE(await(g.measurement->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify)).ok());
    ASSERT_TRUE(live.waitFor(2));
    const auto items = live.items();
    EXPECT_EQ(QString::fromStdString(items[0]).mid(6, 10).trimmed(), "12.5");
    EXPECT_EQ(QString::fromStdString(items[1]).mid(6, 10).trimmed(), "13.5");
    // After "$sdp?1!" the next readings are blank-separated.
    g.ask("$sdp?1!");
    const std::size_t before = live.size();
    ASSERT_TRUE(live.waitFor(before + 2));
    EXPECT_TRUE(QString::fromStdString(live.items().back()).contains(QLatin1Char('!')));
    // Unsubscribed, the stream stops.
    ASSERT_TRUE(await(g.measurement->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::None)).ok());
    ASSERT_TRUE(stack->settle());
    const std::size_t stopped = live.size();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(live.size(), stopped);
}

TEST(GaugeGatt, LateReplyIsEmptyUntilItComes) {
    Scenario s = gaugeScenario();
    s.devices[0].gauge->faults = {{FaultKind::LateReply, "$gcv", 80, "", 0, 0, -1}};
    auto stack = makeStack(s);
    GaugeLink g(*stack, kGauge5);
    EXPECT_TRUE(await(g.command->writeValueWithResultAsync(bytes("$gcv!"), WriteOption::WriteWithResponse)).ok());
    EXPECT_EQ(g.read(g.command), "");
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(g.read(g.command), "$gcv?4.05!");
}

TEST(GaugeGatt, NoReplyAndMalformedReply) {
    Scenario s = gaugeScenario();
    s.devices[0].gauge->faults = {{FaultKind::NoReply, "$zenu00", 0, "", 0, 0, -1},
                                  {FaultKind::Malformed, "$fc", 0, "$fc?x 0!", 0, 0, -1}};
    auto stack = makeStack(s);
    GaugeLink g(*stack, kGauge5);
    EXPECT_EQ(g.ask("$zenu00!", 5), "");
    EXPECT_EQ(g.ask("$fc?1!"), "$fc?x 0!");
}

TEST(GaugeGatt, DisconnectInTheMiddleOfADownload) {
    Scenario s = gaugeScenario();
    s.devices[0].gauge->faults = {{FaultKind::Disconnect, "$rd", 0, "", 2, 0, 1}};
    auto stack = makeStack(s);
    GaugeLink g(*stack, kGauge5);
    Recorder<ConnectionStatus> statuses;
    g.device->connectionStatusChanged.add([&](ConnectionStatus st) { statuses.add(st); });
    ASSERT_EQ(g.ask("$fr?m001!"), "$fr?1 240!");
    EXPECT_NE(g.ask("$rd?1 32!"), "");
    EXPECT_NE(g.ask("$rd?1 32!"), "");
    EXPECT_EQ(g.ask("$rd?1 32!", 3), "<Unreachable>");
    ASSERT_TRUE(statuses.waitFor(1));
    EXPECT_EQ(statuses.items()[0], ConnectionStatus::Disconnected);
    // Back in range, the gauge answers again.
    stack->setOnline(kGauge5, true);
    ASSERT_TRUE(statuses.waitFor(2));
    EXPECT_EQ(g.ask("$gcv!"), "$gcv?4.05!");
}
