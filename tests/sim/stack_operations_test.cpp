// The simulated stack's GATT operations: discovery with handles, reads and writes, client
// configuration, injected errors, latency and the order and threads of completions.
#include <atomic>

#include "sim_test_support.h"

using namespace simtest;

namespace {

class StackOps : public ::testing::Test {
protected:
    void SetUp() override {
        stack = makeStack(basicScenario());
        ASSERT_TRUE(stack);
        device = connect(*stack);
        ASSERT_TRUE(device);
    }
    std::shared_ptr<SimStack> stack;
    std::shared_ptr<Device> device;
};

std::vector<uint16_t> handles(const GattServicesResult& r) {
    std::vector<uint16_t> out;
    for (const auto& s : r.services) out.push_back(s->attributeHandle());
    return out;
}

}  // namespace

TEST(StackAdapter, ReportsTheAdapterOrNone) {
    auto stack = makeStack(basicScenario());
    auto adapter = await(stack->getDefaultAdapterAsync());
    ASSERT_TRUE(adapter);
    EXPECT_TRUE(adapter->lowEnergySupported);

    Scenario none = basicScenario();
    none.adapter.present = false;
    EXPECT_FALSE(await(makeStack(none)->getDefaultAdapterAsync()));

    Scenario classic = basicScenario();
    classic.adapter.lowEnergy = false;
    auto old = await(makeStack(classic)->getDefaultAdapterAsync());
    ASSERT_TRUE(old);
    EXPECT_FALSE(old->lowEnergySupported);
}

TEST(StackAdapter, UnknownAddressGivesNoDevice) {
    auto stack = makeStack(basicScenario());
    EXPECT_EQ(await(stack->fromBluetoothAddressAsync(0x112233445566)), nullptr);
}

TEST(StackAdapter, TheLiveDeviceObjectIsReturnedAgain) {
    auto stack = makeStack(basicScenario());
    auto a = connect(*stack);
    auto b = connect(*stack);
    EXPECT_EQ(a, b);
    a->close();
    auto c = connect(*stack);
    EXPECT_NE(a, c);
}

TEST_F(StackOps, DeviceObjectDoesNotOpenTheLink) {
    EXPECT_EQ(device->connectionStatus(), ConnectionStatus::Disconnected);
    EXPECT_EQ(device->name(), "Thermo 1");
    EXPECT_EQ(device->bluetoothAddress(), kDevice);
    EXPECT_FALSE(stack->linkOpen(kDevice));
}

TEST_F(StackOps, FirstRequestOpensTheLinkAndReportsIt) {
    Recorder<ConnectionStatus> statuses;
    device->connectionStatusChanged.add([&](ConnectionStatus s) { statuses.add(s); });
    await(device->getGattServicesAsync(CacheMode::Uncached));
    ASSERT_TRUE(statuses.waitFor(1));
    EXPECT_EQ(statuses.items()[0], ConnectionStatus::Connected);
    EXPECT_EQ(device->connectionStatus(), ConnectionStatus::Connected);
    EXPECT_NE(statuses.threads()[0], std::this_thread::get_id());
}

TEST_F(StackOps, RootDiscoveryListsPrimaryServicesByHandle) {
    auto all = await(device->getGattServicesAsync(CacheMode::Uncached));
    EXPECT_TRUE(all.ok());
    EXPECT_EQ(handles(all), (std::vector<uint16_t>{0x0010, 0x0020}));
    auto battery = await(device->getGattServicesForUuidAsync(Guid::sig(0x180F), CacheMode::Uncached));
    EXPECT_EQ(handles(battery), (std::vector<uint16_t>{0x0010}));
    EXPECT_EQ(battery.services[0]->uuid().toString(), "0000180F-0000-1000-8000-00805F9B34FB");
    // The same attribute comes back as the same object.
    EXPECT_EQ(battery.services[0], all.services[0]);
}

TEST_F(StackOps, IncludedServicesAndCharacteristics) {
    auto custom = serviceByHandle(*device, 0x0020);
    ASSERT_TRUE(custom);
    auto included = await(custom->getIncludedServicesAsync(CacheMode::Uncached));
    EXPECT_EQ(handles(included), (std::vector<uint16_t>{0x0030}));
    auto none = await(custom->getIncludedServicesForUuidAsync(Guid::sig(0x1234), CacheMode::Uncached));
    EXPECT_TRUE(none.ok());
    EXPECT_TRUE(none.services.empty());

    auto chars = await(custom->getCharacteristicsAsync(CacheMode::Uncached));
    ASSERT_EQ(chars.characteristics.size(), 3u);
    EXPECT_EQ(chars.characteristics[0]->attributeHandle(), 0x0022);
    EXPECT_EQ(chars.characteristics[1]->attributeHandle(), 0x0025);
    EXPECT_EQ(chars.characteristics[2]->serviceHandle(), 0x0020);
    auto one = await(custom->getCharacteristicsForUuidAsync(Guid::sig(0xFFE2), CacheMode::Uncached));
    ASSERT_EQ(one.characteristics.size(), 1u);
    EXPECT_EQ(one.characteristics[0]->characteristicProperties(), properties::kIndicate);
}

TEST_F(StackOps, ImpliedDescriptorsGetTheNextHandles) {
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    auto descs = await(level->getDescriptorsAsync(CacheMode::Uncached));
    ASSERT_EQ(descs.descriptors.size(), 2u);
    EXPECT_EQ(descs.descriptors[0]->attributeHandle(), 0x0013);
    EXPECT_EQ(descs.descriptors[0]->uuid(), Guid::sig(0x2902));
    EXPECT_EQ(descs.descriptors[1]->attributeHandle(), 0x0014);
    EXPECT_EQ(descs.descriptors[1]->uuid(), Guid::sig(0x2904));
}

TEST_F(StackOps, ExtendedPropertiesShowOnceTheirDescriptorIsDiscovered) {
    auto aux = characteristicByHandle(*device, 0x0020, 0x0028);
    EXPECT_EQ(aux->characteristicProperties(), properties::kRead | properties::kExtendedProperties);
    EXPECT_EQ(aux->userDescription(), "");
    await(aux->getDescriptorsForUuidAsync(Guid::sig(0x2900), CacheMode::Uncached));
    EXPECT_EQ(aux->characteristicProperties(), properties::kRead | properties::kExtendedProperties |
                                                    properties::kReliableWrites | properties::kWritableAuxiliaries);
    EXPECT_EQ(aux->userDescription(), "");
    auto desc = await(aux->getDescriptorsForUuidAsync(Guid::sig(0x2901), CacheMode::Uncached));
    ASSERT_EQ(desc.descriptors.size(), 1u);
    EXPECT_EQ(aux->userDescription(), "Setpoint");
    // Writable auxiliaries make the user description writable.
    EXPECT_TRUE(await(desc.descriptors[0]->writeValueWithResultAsync(bytes("Limit"))).ok());
    EXPECT_EQ(aux->userDescription(), "Limit");
}

TEST_F(StackOps, PresentationFormatsAfterDiscovery) {
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    EXPECT_TRUE(level->presentationFormats().empty());
    await(level->getDescriptorsForUuidAsync(Guid::sig(0x2904), CacheMode::Uncached));
    ASSERT_EQ(level->presentationFormats().size(), 1u);
    EXPECT_EQ(level->presentationFormats()[0], (PresentationFormat{0x04, 0, 0x27AD, 1, 0}));
}

TEST_F(StackOps, ReadsAndWrites) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    auto read = await(rw->readValueAsync(CacheMode::Uncached));
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(text(read.value), "hello");
    EXPECT_TRUE(await(rw->writeValueWithResultAsync(bytes("AB"), WriteOption::WriteWithResponse)).ok());
    EXPECT_EQ(text(await(rw->readValueAsync(CacheMode::Uncached)).value), "AB");
    EXPECT_TRUE(await(rw->writeValueWithResultAsync(Bytes{}, WriteOption::WriteWithoutResponse)).ok());
    EXPECT_TRUE(await(rw->readValueAsync(CacheMode::Uncached)).value.empty());
    EXPECT_EQ(stack->stats(kDevice).writes, (std::vector<Bytes>{bytes("AB"), Bytes{}}));
}

TEST_F(StackOps, PropertiesDecideWhatIsPermitted) {
    auto ind = characteristicByHandle(*device, 0x0020, 0x0025);
    auto read = await(ind->readValueAsync(CacheMode::Uncached));
    EXPECT_EQ(read.status, CommunicationStatus::ProtocolError);
    EXPECT_EQ(read.protocolError, 0x02);
    auto write = await(ind->writeValueWithResultAsync(bytes("x"), WriteOption::WriteWithResponse));
    EXPECT_EQ(write.protocolError, 0x03);
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    auto tooLong = await(rw->writeValueWithResultAsync(Bytes(513, 'x'), WriteOption::WriteWithResponse));
    EXPECT_EQ(tooLong.protocolError, 0x0D);
}

TEST_F(StackOps, CachedReadsNeedNoLinkOnceAValueIsKnown) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    await(rw->readValueAsync(CacheMode::Uncached));
    stack->setValue(kDevice, 0x0022, bytes("changed"));
    stack->setOnline(kDevice, false);
    ASSERT_TRUE(stack->settle());
    auto cached = await(rw->readValueAsync(CacheMode::Cached));
    EXPECT_TRUE(cached.ok());
    EXPECT_EQ(text(cached.value), "hello");
    EXPECT_EQ(await(rw->readValueAsync(CacheMode::Uncached)).status, CommunicationStatus::Unreachable);
}

TEST_F(StackOps, EveryProtocolErrorCodeCanBeInjected) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    for (int code : {0x01, 0x03, 0x0E, 0x11, 0x80, 0x85, 0x9F, 0xFC, 0xFF, 0x42}) {
        stack->injectError(kDevice, 0x0022, ErrorOp::Write, InjectedError{CommunicationStatus::ProtocolError,
                                                                          static_cast<uint8_t>(code), 1});
        auto r = await(rw->writeValueWithResultAsync(bytes("x"), WriteOption::WriteWithResponse));
        EXPECT_EQ(r.status, CommunicationStatus::ProtocolError);
        EXPECT_EQ(r.protocolError, code);
    }
    // Each struck once; the attribute behaves again.
    EXPECT_TRUE(await(rw->writeValueWithResultAsync(bytes("x"), WriteOption::WriteWithResponse)).ok());
}

TEST_F(StackOps, StatusErrorsCarryNoProtocolByte) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    stack->injectError(kDevice, 0x0022, ErrorOp::Read, InjectedError{CommunicationStatus::AccessDenied, 0, 2});
    for (int i = 0; i < 2; ++i) {
        auto r = await(rw->readValueAsync(CacheMode::Uncached));
        EXPECT_EQ(r.status, CommunicationStatus::AccessDenied);
        EXPECT_FALSE(r.protocolError);
    }
    EXPECT_TRUE(await(rw->readValueAsync(CacheMode::Uncached)).ok());
    stack->injectError(kDevice, 0x0022, ErrorOp::Read, InjectedError{CommunicationStatus::Unreachable, 0, 1});
    EXPECT_EQ(await(rw->readValueAsync(CacheMode::Uncached)).status, CommunicationStatus::Unreachable);
}

TEST_F(StackOps, DiscoveryErrors) {
    stack->injectError(kDevice, 0, ErrorOp::Discover, InjectedError{CommunicationStatus::ProtocolError, 0x0A, 1});
    auto failed = await(device->getGattServicesAsync(CacheMode::Uncached));
    EXPECT_EQ(failed.status, CommunicationStatus::ProtocolError);
    EXPECT_EQ(failed.protocolError, 0x0A);
    EXPECT_TRUE(failed.services.empty());
    auto custom = serviceByHandle(*device, 0x0020);
    stack->injectError(kDevice, 0x0020, ErrorOp::Discover, InjectedError{CommunicationStatus::Unreachable, 0, 1});
    EXPECT_EQ(await(custom->getCharacteristicsAsync(CacheMode::Uncached)).status, CommunicationStatus::Unreachable);
    EXPECT_TRUE(await(custom->getCharacteristicsAsync(CacheMode::Uncached)).ok());
}

TEST_F(StackOps, ClientConfigurationNotifyAndIndicate) {
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    auto ind = characteristicByHandle(*device, 0x0020, 0x0025);
    EXPECT_EQ(await(level->readClientCharacteristicConfigurationDescriptorAsync()).value, ClientConfig::None);
    EXPECT_TRUE(await(level->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify)).ok());
    EXPECT_EQ(await(level->readClientCharacteristicConfigurationDescriptorAsync()).value, ClientConfig::Notify);
    EXPECT_EQ(stack->clientConfig(kDevice, 0x0012), 1);
    // What a characteristic does not support is refused.
    auto wrong = await(ind->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify));
    EXPECT_EQ(wrong.protocolError, 0xFD);
    EXPECT_TRUE(await(ind->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Indicate)).ok());

    Recorder<std::string> values;
    level->valueChanged.add([&](const ValueChangedArgs& a) { values.add("level " + text(a.value)); });
    ind->valueChanged.add([&](const ValueChangedArgs& a) { values.add("ind " + text(a.value)); });
    stack->sendValue(kDevice, 0x0012, bytes("1"));
    stack->sendValue(kDevice, 0x0025, bytes("2"));
    stack->sendValue(kDevice, 0x0012, bytes("3"));
    ASSERT_TRUE(values.waitFor(3));
    EXPECT_EQ(values.items(), (std::vector<std::string>{"level 1", "ind 2", "level 3"}));
    for (auto id : values.threads()) EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_EQ(stack->stats(kDevice).notificationsSent, 2);
    EXPECT_EQ(stack->stats(kDevice).indicationsSent, 1);

    // Switched off, nothing is sent.
    EXPECT_TRUE(await(level->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::None)).ok());
    stack->sendValue(kDevice, 0x0012, bytes("4"));
    ASSERT_TRUE(stack->settle());
    EXPECT_EQ(stack->stats(kDevice).valuesDropped, 1);
    EXPECT_EQ(values.size(), 3u);
}

TEST_F(StackOps, ClientConfigurationThroughTheDescriptor) {
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    auto cccd = await(level->getDescriptorsForUuidAsync(Guid::sig(0x2902), CacheMode::Uncached)).descriptors.at(0);
    EXPECT_TRUE(await(cccd->writeValueWithResultAsync(Bytes{0x01, 0x00})).ok());
    EXPECT_EQ(stack->clientConfig(kDevice, 0x0012), 1);
    EXPECT_EQ(await(cccd->readValueAsync(CacheMode::Uncached)).value, (Bytes{0x01, 0x00}));
    EXPECT_EQ(await(cccd->writeValueWithResultAsync(Bytes{0x02, 0x00})).protocolError, 0xFD);
    EXPECT_EQ(await(cccd->writeValueWithResultAsync(Bytes{0x01})).protocolError, 0x0D);
}

TEST_F(StackOps, ManyNotificationsArriveInOrder) {
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    await(level->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify));
    Recorder<int> got;
    level->valueChanged.add([&](const ValueChangedArgs& a) { got.add(a.value.at(0)); });
    for (int i = 0; i < 200; ++i) stack->sendValue(kDevice, 0x0012, Bytes{static_cast<uint8_t>(i)});
    ASSERT_TRUE(got.waitFor(200));
    const auto items = got.items();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(items[static_cast<std::size_t>(i)], i);
}

TEST_F(StackOps, OfflineAndOnline) {
    Recorder<ConnectionStatus> statuses;
    device->connectionStatusChanged.add([&](ConnectionStatus s) { statuses.add(s); });
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    ASSERT_TRUE(statuses.waitFor(1));
    stack->setOnline(kDevice, false);
    ASSERT_TRUE(statuses.waitFor(2));
    EXPECT_EQ(statuses.items()[1], ConnectionStatus::Disconnected);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(await(rw->readValueAsync(CacheMode::Uncached)).status, CommunicationStatus::Unreachable);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 15ms);  // the unreachable latency
    stack->setOnline(kDevice, true);
    ASSERT_TRUE(statuses.waitFor(3));
    EXPECT_EQ(statuses.items()[2], ConnectionStatus::Connected);
    EXPECT_TRUE(await(rw->readValueAsync(CacheMode::Uncached)).ok());
    EXPECT_EQ(statuses.size(), 3u);
}

TEST_F(StackOps, LinkLossForgetsTheSubscriptionOfAnUnbondedClient) {
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    await(level->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify));
    stack->setOnline(kDevice, false);
    stack->setOnline(kDevice, true);
    ASSERT_TRUE(stack->settle());
    EXPECT_EQ(stack->clientConfig(kDevice, 0x0012), 0);
    EXPECT_TRUE(eventually([&] { return stack->linkOpen(kDevice); }));
}

TEST_F(StackOps, NameAndServiceChanges) {
    Recorder<std::string> names, changes;
    device->nameChanged.add([&](const std::string& n) { names.add(n); });
    device->gattServicesChanged.add([&](const std::string& c) { changes.add(c); });
    stack->setName(kDevice, "Thermo 2");
    ASSERT_TRUE(names.waitFor(1));
    EXPECT_EQ(names.items()[0], "Thermo 2");
    EXPECT_EQ(device->name(), "Thermo 2");

    auto custom = serviceByHandle(*device, 0x0020);
    ServiceDef extra;
    extra.uuid = Guid::sig(0x1812);
    stack->changeServices(kDevice, {extra}, {0x0020});
    ASSERT_TRUE(changes.waitFor(1));
    EXPECT_EQ(changes.items()[0], "0020-0033");
    auto after = await(device->getGattServicesAsync(CacheMode::Uncached));
    ASSERT_EQ(after.services.size(), 2u);
    EXPECT_EQ(after.services[1]->uuid(), Guid::sig(0x1812));
    EXPECT_GT(after.services[1]->attributeHandle(), 0x0032);
    // The removed service answers as an invalid handle.
    EXPECT_EQ(await(custom->getCharacteristicsAsync(CacheMode::Uncached)).protocolError, 0x01);
}

TEST_F(StackOps, RequestsOfOneDeviceEndInTheOrderTheyWereMade) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    Latency slowReads;
    slowReads.read = 30;
    slowReads.write = 0;
    stack->setLatency(kDevice, slowReads);
    Recorder<int> order;
    auto a = rw->readValueAsync(CacheMode::Uncached);
    auto b = rw->writeValueWithResultAsync(bytes("z"), WriteOption::WriteWithResponse);
    auto c = level->readValueAsync(CacheMode::Uncached);
    a->setCompleted([&](auto&, AsyncStatus) { order.add(1); });
    b->setCompleted([&](auto&, AsyncStatus) { order.add(2); });
    c->setCompleted([&](auto&, AsyncStatus) { order.add(3); });
    ASSERT_TRUE(order.waitFor(3));
    EXPECT_EQ(order.items(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(text(a->getResults().value), "hello");  // read before the write
}

TEST_F(StackOps, LatencyDelaysCompletion) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    Latency slow;
    slow.read = 150;
    stack->setLatency(kDevice, slow);
    auto op = rw->readValueAsync(CacheMode::Uncached);
    EXPECT_EQ(op->status(), AsyncStatus::Started);
    EXPECT_FALSE(op->wait(50ms));
    EXPECT_TRUE(op->wait(2000ms));
    EXPECT_TRUE(op->getResults().ok());
}

TEST_F(StackOps, ClosingCancelsRunningRequestsAndRefusesNewOnes) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    Latency slow;
    slow.read = 200;
    stack->setLatency(kDevice, slow);
    auto running = rw->readValueAsync(CacheMode::Uncached);
    std::atomic<int> handlerRuns{0};
    running->setCompleted([&](auto&, AsyncStatus s) {
        EXPECT_EQ(s, AsyncStatus::Canceled);
        ++handlerRuns;
    });
    device->close();
    EXPECT_TRUE(running->wait(100ms));  // at once, not at the request's due time
    EXPECT_EQ(running->status(), AsyncStatus::Canceled);
    EXPECT_THROW(running->getResults(), BluetoothError);
    EXPECT_EQ(handlerRuns, 1);
    auto late = rw->readValueAsync(CacheMode::Uncached);
    EXPECT_TRUE(late->wait(100ms));
    EXPECT_EQ(late->status(), AsyncStatus::Error);
    EXPECT_FALSE(stack->linkOpen(kDevice));
}

TEST_F(StackOps, DroppingTheDeviceObjectReleasesTheLink) {
    await(device->getGattServicesAsync(CacheMode::Uncached));
    EXPECT_TRUE(stack->linkOpen(kDevice));
    device.reset();
    EXPECT_TRUE(eventually([&] { return !stack->linkOpen(kDevice); }));
}

TEST_F(StackOps, DestroyingTheStackCancelsWhatRuns) {
    auto rw = characteristicByHandle(*device, 0x0020, 0x0022);
    Latency slow;
    slow.read = 5000;
    stack->setLatency(kDevice, slow);
    auto op = rw->readValueAsync(CacheMode::Uncached);
    stack.reset();
    EXPECT_EQ(op->status(), AsyncStatus::Canceled);
    // Objects still held answer without a stack.
    EXPECT_EQ(rw->readValueAsync(CacheMode::Uncached)->status(), AsyncStatus::Error);
}

TEST(StackEvents, TimedEventsFromConnectRepeat) {
    Scenario s = basicScenario();
    TimedEvent e;
    e.type = EventType::Notify;
    e.from = EventFrom::Subscribe;
    e.handle = 0x0012;
    e.atMs = 5;
    e.everyMs = 5;
    e.count = 4;
    e.values = {Bytes{10}, Bytes{20}};
    s.devices[0].events.push_back(e);
    auto stack = makeStack(s);
    auto device = connect(*stack);
    auto level = characteristicByHandle(*device, 0x0010, 0x0012);
    Recorder<int> got;
    level->valueChanged.add([&](const ValueChangedArgs& a) { got.add(a.value.at(0)); });
    await(level->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify));
    ASSERT_TRUE(got.waitFor(4));
    EXPECT_EQ(got.items(), (std::vector<int>{10, 20, 10, 20}));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(got.size(), 4u);
}

TEST(StackEvents, OfflineOnlineScenarioEvents) {
    Scenario s = basicScenario();
    TimedEvent off, on;
    off.type = EventType::Offline;
    off.atMs = 20;
    on.type = EventType::Online;
    on.atMs = 60;
    s.devices[0].events = {off, on};
    auto stack = makeStack(s);
    auto device = connect(*stack);
    Recorder<ConnectionStatus> statuses;
    device->connectionStatusChanged.add([&](ConnectionStatus st) { statuses.add(st); });
    await(device->getGattServicesAsync(CacheMode::Uncached));
    ASSERT_TRUE(statuses.waitFor(3));
    EXPECT_EQ(statuses.items(), (std::vector<ConnectionStatus>{ConnectionStatus::Connected,
                                                               ConnectionStatus::Disconnected,
                                                               ConnectionStatus::Connected}));
}

TEST(StackBuild, ANonConnectableDeviceOnlyAdvertises) {
    Scenario s = basicScenario();
    s.latency.unreachable = 5;
    s.devices[0].connectable = false;
    auto stack = makeStack(s);
    auto device = connect(*stack);
    EXPECT_EQ(await(device->getGattServicesAsync(CacheMode::Uncached)).status, CommunicationStatus::Unreachable);
    EXPECT_FALSE(stack->linkOpen(kDevice));
}

TEST(StackBuild, BadDatabasesAreRefused) {
    Scenario s = basicScenario();
    s.devices[0].gatt.services[1].characteristics[0].handle = 0x0012;
    std::string error;
    EXPECT_FALSE(SimStack::create(s, &error));
    EXPECT_NE(error.find("0x0012"), std::string::npos) << error;

    Scenario inc = basicScenario();
    inc.devices[0].gatt.services[1].includes = {0x0099};
    EXPECT_FALSE(SimStack::create(inc, &error));
    EXPECT_NE(error.find("includes 0x0099"), std::string::npos) << error;

    Scenario twice = basicScenario();
    twice.devices.push_back(twice.devices[0]);
    EXPECT_FALSE(SimStack::create(twice, &error));
    EXPECT_NE(error.find("two devices"), std::string::npos) << error;
}

TEST(StackBuild, IncludedServiceCyclesAreAllowed) {
    Scenario s = basicScenario();
    s.devices[0].gatt.services[2].includes = {0x0020};
    auto stack = makeStack(s);
    auto device = connect(*stack);
    auto secondary = serviceByHandle(*device, 0x0030);
    ASSERT_TRUE(secondary);
    auto back = await(secondary->getIncludedServicesAsync(CacheMode::Uncached));
    EXPECT_EQ(handles(back), (std::vector<uint16_t>{0x0020}));
}
