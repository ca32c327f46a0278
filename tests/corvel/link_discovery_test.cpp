// Discovery on the simulated stack: services, included services with cycles, characteristics
// and descriptors with their Discovered events and log lines, the auto settings, filters,
// failures, and what a characteristic's flags, formats and user description depend on.
#include "tests/corvel/link_support.h"

using namespace linktest;
using namespace corvel;

namespace {

constexpr const char* kBatteryUuid = "0000180F-0000-1000-8000-00805F9B34FB";

// Discovered events as "type service characteristic descriptor uuid description".
std::vector<std::string> discovered(const Events& events)
{
    std::vector<std::string> out;
    for (const Ev& e : events.of(EVENT_Discovered))
        out.push_back(e.arg(0) + " " + e.arg(1) + " " + e.arg(2) + " " + e.arg(3) + " " + e.arg(4) + " " + e.arg(5));
    return out;
}

int indexOf(const Control& c, const char* property, const char* countProperty, const std::string& id)
{
    const int n = c.get(countProperty).number();
    for (int i = 0; i < n; ++i)
        if (c.get(property, {I4(i)}).text() == id)
            return i;
    return -1;
}

sim::Scenario cycleScenario()
{
    sim::Scenario s;
    sim::DeviceDef d;
    d.address = kDevice;
    d.name = "Cycle";
    sim::ServiceDef a, b;
    a.handle = 0x0040;
    a.uuid = bt::Guid::sig(0xAAA0);
    a.includes = {0x0050};
    b.handle = 0x0050;
    b.uuid = bt::Guid::sig(0xBBB0);
    b.includes = {0x0040};
    d.gatt.services = {a, b};
    s.devices.push_back(d);
    return s;
}

} // namespace

TEST(LinkDiscovery, DiscoverFindsServicesCharacteristicsAndDescriptors)
{
    Harness h(basicScenario());
    h.c().config("LogLevel=2");
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    h.events->clear();
    ASSERT_TRUE(h.c().call("Discover", {Str(""), Str(""), Bool(true), Str("")}).ok());
    EXPECT_EQ(h.c().config("AutoDiscoverDescriptors"), "False");
    const auto d = discovered(*h.events);
    ASSERT_GE(d.size(), 4u);
    EXPECT_EQ(d[0], "0 001000000000   0000180F-0000-1000-8000-00805F9B34FB Battery Service");
    EXPECT_EQ(d[1], "0 002000000000   0000FFE0-0000-1000-8000-00805F9B34FB ");
    EXPECT_EQ(d[2], "1 001000000000 001000120000  00002A19-0000-1000-8000-00805F9B34FB Battery Level");
    // The Battery Level's descriptors come right after it, before the next service.
    EXPECT_EQ(d[3].substr(0, 29), "2 001000000000 001000120000 0");
    EXPECT_EQ(h.c().get("ServiceCount").number(), 2);   // the secondary service is only included

    for (const char* line : {"1 Discovery: Beginning discovery of root services.",
                             "2 Discovery: Attempting to discover all root services.",
                             "1 Discovery: BLE Result Status: Success (Protocol Code: 0).",
                             "1 Discovery: Finished discovering root services.",
                             "2 Discovery: Discovered 2 root services.",
                             "1 Discovery: Beginning discovery of characteristics for service ID \"002000000000\".",
                             "2 Discovery: Attempting to discover all characteristics.",
                             "1 Discovery: Finished discovering characteristics for service ID \"002000000000\".",
                             "2 Discovery: Discovered 4 characteristics for service ID \"002000000000\".",
                             "1 Discovery: Beginning discovery of descriptors for characteristic ID \"001000120000\".",
                             "2 Discovery: Attempting to discover all descriptors.",
                             "1 Discovery: Finished discovering descriptors for characteristic ID \"001000120000\"."})
        EXPECT_TRUE(h.events->logged(line)) << line;

    const std::string tree = h.c().config("GattObjTreeInfo");
    EXPECT_NE(tree.find(">0000180F-0000-1000-8000-00805F9B34FB \"Battery Service\" [ID=001000000000, "
                        "ParentSvcIds=\"\", IncludedSvcIds=\"\"]\r\n>>00002A19-0000-1000-8000-00805F9B34FB "
                        "\"Battery Level\" [ID=001000120000, Flags=0x12 (R,N), Subscribed=False, UserDescr=\"\", "
                        "VFCount=0]\r\n>>>00002902-0000-1000-8000-00805F9B34FB \"Client Characteristic "
                        "Configuration\" [ID=00100012"),
              std::string::npos)
        << tree;
}

TEST(LinkDiscovery, RediscoveryAddsNothingAndFiresOnlyWhenIncludeRediscovered)
{
    Harness h(basicScenario());
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    h.c().config("IncludeRediscovered=False");
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    EXPECT_EQ(h.events->count(EVENT_Discovered), 2u);
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    EXPECT_EQ(h.events->count(EVENT_Discovered), 2u);
    EXPECT_EQ(h.c().get("ServiceCount").number(), 2);
    h.c().config("IncludeRediscovered=True");
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    EXPECT_EQ(h.events->count(EVENT_Discovered), 4u);
    EXPECT_EQ(h.c().get("ServiceCount").number(), 2);
}

TEST(LinkDiscovery, FiltersAskForEachUuidInTurn)
{
    Harness h(basicScenario());
    h.c().config("LogLevel=3");
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str("180F, 0xFFE0"), Str("")}).ok());
    EXPECT_EQ(h.c().get("ServiceCount").number(), 2);
    EXPECT_TRUE(h.events->logged("2 Discovery: Attempting to discover root services with UUID \"" +
                                 std::string(kBatteryUuid) + "\"."));
    EXPECT_TRUE(h.events->logged("3 Discovery: Discovered 1 root services with UUID \"" + std::string(kBatteryUuid) +
                                 "\"."));
    h.events->clear();
    ASSERT_TRUE(h.c().call("DiscoverCharacteristics", {Str(kCustomSvc), Str("FFE3,FFE1")}).ok());
    const auto d = discovered(*h.events);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].substr(0, 28), "1 002000000000 002000280000 ");
    EXPECT_EQ(d[1].substr(0, 28), "1 002000000000 002000220000 ");
    EXPECT_TRUE(h.events->logged("3 Discovery: Discovered 1 characteristics with UUID "
                                 "\"0000FFE3-0000-1000-8000-00805F9B34FB\"."));

    // Discover with a characteristic filter: only FFE1 of the FFE0 service.
    Harness g(basicScenario());
    ASSERT_TRUE(g.c().call("Connect", {Str(kDeviceId)}).ok());
    ASSERT_TRUE(g.c().call("Discover", {Str("FFE0"), Str("FFE1"), Bool(false), Str("")}).ok());
    ASSERT_TRUE(g.c().put("Service", Str(kCustomSvc)).ok());
    EXPECT_EQ(g.c().get("CharacteristicCount").number(), 1);
    EXPECT_EQ(g.c().get("CharacteristicId", {I4(0)}).text(), kRw);
}

TEST(LinkDiscovery, IncludedServicesRecordBothDirections)
{
    Harness h(basicScenario());
    h.c().config("LogLevel=2");
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    EXPECT_EQ(h.c().call("DiscoverServices", {Str(""), Str("009900000000")}).description,
              "No service with the ID \"009900000000\" has been discovered.");
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str(kCustomSvc)}).ok());
    EXPECT_EQ(h.c().get("ServiceCount").number(), 3);
    const int custom = indexOf(h.c(), "ServiceId", "ServiceCount", kCustomSvc);
    const int secondary = indexOf(h.c(), "ServiceId", "ServiceCount", kSecondarySvc);
    EXPECT_EQ(h.c().get("ServiceIncludedSvcIds", {I4(custom)}).text(), kSecondarySvc);
    EXPECT_EQ(h.c().get("ServiceParentSvcIds", {I4(secondary)}).text(), kCustomSvc);
    EXPECT_TRUE(h.events->logged("1 Discovery: Beginning discovery of services included by service ID "
                                 "\"002000000000\"."));
    EXPECT_TRUE(h.events->logged("2 Discovery: Attempting to discover all included services."));
    EXPECT_TRUE(h.events->logged("2 Discovery: Discovered 1 services included by service ID \"002000000000\"."));
}

TEST(LinkDiscovery, ACycleOfIncludedServicesIsDetectedAndTheMethodSucceeds)
{
    Harness h(cycleScenario());
    h.c().config("AutoDiscoverIncludedServices=True");
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    const Outcome o = h.c().call("DiscoverServices", {Str(""), Str("")});
    EXPECT_TRUE(o.ok()) << o.description;
    EXPECT_EQ(h.c().get("ServiceCount").number(), 2);
    EXPECT_EQ(h.c().config("LastError"),
              "A cycle of included services was detected: 005000000000 < 005000000000 < 004000000000");
    EXPECT_EQ(h.c().get("ServiceIncludedSvcIds", {I4(0)}).text(), "005000000000");
    EXPECT_EQ(h.c().get("ServiceParentSvcIds", {I4(0)}).text(), "005000000000");
}

TEST(LinkDiscovery, AutoDiscoverySettingsReachDownTheTree)
{
    Harness h(basicScenario());
    h.c().config("AutoDiscoverCharacteristics=True");
    h.c().config("AutoDiscoverIncludedServices=True");
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    EXPECT_EQ(h.c().get("ServiceCount").number(), 3);
    ASSERT_TRUE(h.c().put("Service", Str(kSecondarySvc)).ok());
    EXPECT_EQ(h.c().get("CharacteristicCount").number(), 1);
    ASSERT_TRUE(h.c().put("Characteristic", Str("003000320000")).ok());
    EXPECT_EQ(h.c().get("DescriptorCount").number(), 0);
    // Discover runs characteristic discovery only once when the setting does it already.
    h.events->clear();
    ASSERT_TRUE(h.c().call("Discover", {Str("180F"), Str(""), Bool(false), Str("")}).ok());
    EXPECT_EQ(discovered(*h.events).size(), 2u);
}

TEST(LinkDiscovery, FailuresAreReportedAndKeepWhatWasFound)
{
    SKIP_ON_BLUEZ("BlueZ discovers the whole database when it connects: no discovery call of its own fails or lags");
    Harness h(basicScenario());
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    EXPECT_EQ(h.c().call("DiscoverCharacteristics", {Str(kBatterySvc), Str("")}).description,
              "No service with the ID \"001000000000\" has been discovered.");
    EXPECT_EQ(h.c().call("DiscoverServices", {Str("12345"), Str("")}).scode,
              static_cast<HRESULT>(0x800A5079));   // 600
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    h.stack->injectError(kDevice, 0x0020, sim::ErrorOp::Discover,
                         sim::InjectedError{bt::CommunicationStatus::ProtocolError, 0x0A, 1});
    const Outcome o = h.c().call("Discover", {Str(""), Str(""), Bool(false), Str("")});
    EXPECT_EQ(o.scode, static_cast<HRESULT>(0x800A50E7));   // 710
    EXPECT_EQ(o.description, "Protocol error returned during communication: [10] {10}. Attribute not found.");
    // The Battery Service's characteristic was found before the failure.
    ASSERT_TRUE(h.c().put("Service", Str(kBatterySvc)).ok());
    EXPECT_EQ(h.c().get("CharacteristicCount").number(), 1);
    EXPECT_EQ(h.c().call("DiscoverDescriptors", {Str(kBatterySvc), Str("001000990000")}).description,
              "No characteristic with the ID \"001000990000\" has been discovered for the service with ID "
              "\"001000000000\".");

    // Service discovery of the device itself, and a timeout.
    h.stack->injectError(kDevice, 0, sim::ErrorOp::Discover,
                         sim::InjectedError{bt::CommunicationStatus::Unreachable, 0, 1});
    EXPECT_EQ(h.c().call("DiscoverServices", {Str(""), Str("")}).description,
              "Error attempting communication: Device unreachable.");
    sim::Latency slow;
    slow.discovery = 500;
    h.stack->setLatency(kDevice, slow);
    h.c().config("TimeoutInMilliseconds=True");
    ASSERT_TRUE(h.c().put("Timeout", I2(100)).ok());
    EXPECT_EQ(h.c().call("DiscoverServices", {Str(""), Str("")}).description, "Timeout.");
}

TEST(LinkDiscovery, FlagsAreReadOnceAfterTheExtendedPropertiesDescriptors)
{
    Harness h(basicScenario());
    h.c().config("LogLevel=3");
    h.connect("C47F51001001", false);
    ASSERT_TRUE(h.c().call("Discover", {Str(""), Str(""), Bool(false), Str("")}).ok());
    ASSERT_TRUE(h.c().put("Service", Str(kCustomSvc)).ok());
    const int aux = indexOf(h.c(), "CharacteristicId", "CharacteristicCount", kAux);
    ASSERT_GE(aux, 0);
    h.events->clear();
    // Reliable writes and writable auxiliaries, moved down to 0x080 and 0x100.
    EXPECT_EQ(h.c().get("CharacteristicFlags", {I4(aux)}).number(), 0x182);
    EXPECT_TRUE(h.events->logged("3 Debug: Ensuring that any \"Characteristic Extended Properties\" descriptors has "
                                 "been discovered for characteristic ID \"002000280000\"."));
    EXPECT_TRUE(h.events->logged("3 Debug: Trying to discover the \"Characteristic Extended Properties\" descriptor "
                                 "for characteristic ID \"002000280000\"."));
    EXPECT_TRUE(h.events->logged("3 Debug: Finished; discovered 1 \"Characteristic Extended Properties\" "
                                 "descriptors for characteristic ID \"002000280000\"."));
    EXPECT_EQ(h.events->count(EVENT_Discovered), 1u);
    h.events->clear();
    EXPECT_EQ(h.c().get("CharacteristicFlags", {I4(aux)}).number(), 0x182);
    EXPECT_EQ(h.c().get("CharacteristicCanSubscribe", {I4(aux)}).number(), 0);
    EXPECT_TRUE(h.events->all().empty());
    EXPECT_NE(h.c().config("GattObjTreeInfo").find("Flags=0x182 (R,RW,WA)"), std::string::npos);
    const int both = indexOf(h.c(), "CharacteristicId", "CharacteristicCount", kBoth);
    EXPECT_EQ(h.c().get("CharacteristicFlags", {I4(both)}).number(), 0x32);
    EXPECT_EQ(h.c().get("CharacteristicCanSubscribe", {I4(both)}).number(), -1);
}

TEST(LinkDiscovery, PresentationFormatsComeFromTheirDescriptors)
{
    Harness h(basicScenario());
    h.connect("C47F51001001", false);
    ASSERT_TRUE(h.c().call("Discover", {Str("180F"), Str(""), Bool(false), Str("")}).ok());
    ASSERT_TRUE(h.c().put("Service", Str(kBatterySvc)).ok());
    EXPECT_EQ(h.c().get("CharacteristicValueFormatCount", {I4(0)}).number(), 1);
    EXPECT_EQ(h.c().get("CharacteristicValueFormatIndex", {I4(0)}).number(), 0);
    EXPECT_EQ(h.c().get("CharacteristicValueFormat", {I4(0)}).number(), 4);
    EXPECT_EQ(h.c().get("CharacteristicValueExponent", {I4(0)}).number(), 0);
    EXPECT_EQ(h.c().get("CharacteristicValueUnit", {I4(0)}).text(), "000027AD-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(h.c().putAt("CharacteristicValueFormatIndex", I4(0), I2(1)).description, "Invalid value format index.");
    EXPECT_NE(h.c().config("GattObjTreeInfo").find("VFCount=1"), std::string::npos);
}

TEST(LinkDiscovery, TheUserDescriptionIsReadAndWrittenThroughItsDescriptor)
{
    sim::Scenario s = basicScenario();
    sim::CharacteristicDef bare;
    bare.handle = 0x002E;
    bare.uuid = bt::Guid::sig(0xFFE5);
    bare.properties = bt::properties::kRead | bt::properties::kWritableAuxiliaries;
    s.devices[0].gatt.services[1].characteristics.push_back(bare);
    Harness h(std::move(s));
    h.c().config("LogLevel=3");
    h.connect("C47F51001001", false);
    ASSERT_TRUE(h.c().call("Discover", {Str("FFE0"), Str(""), Bool(false), Str("")}).ok());
    ASSERT_TRUE(h.c().put("Service", Str(kCustomSvc)).ok());
    const int aux = indexOf(h.c(), "CharacteristicId", "CharacteristicCount", kAux);
    EXPECT_EQ(h.c().get("CharacteristicUserDescription", {I4(aux)}).text(), "Setpoint");
    h.events->clear();
    ASSERT_TRUE(h.c().putAt("CharacteristicUserDescription", I4(aux), Str("Limit")).ok());
    EXPECT_EQ(h.c().get("CharacteristicUserDescription", {I4(aux)}).text(), "Limit");
    EXPECT_TRUE(h.events->logged("3 Debug: Writing new value to User Description descriptor."));
    EXPECT_TRUE(h.events->logged("3 Debug: Successfully wrote new value to Characteristic User Description "
                                 "descriptor for characteristic ID \"002000280000\"."));
    EXPECT_TRUE(h.events->logged("1 Debug: BLE Result Status: Success (Protocol Code: 0)."));

    const int rw = indexOf(h.c(), "CharacteristicId", "CharacteristicCount", kRw);
    EXPECT_EQ(h.c().putAt("CharacteristicUserDescription", I4(rw), Str("x")).description,
              "A characteristic's user description cannot be changed unless it has the 'Writable Auxiliaries' flag "
              "set.");
    const int bareIndex = indexOf(h.c(), "CharacteristicId", "CharacteristicCount", "0020002E0000");
    const Outcome missing = h.c().putAt("CharacteristicUserDescription", I4(bareIndex), Str("x"));
    EXPECT_EQ(missing.scode, static_cast<HRESULT>(0x800A5084));   // 611
    EXPECT_EQ(missing.description, "Characteristic with ID \"0020002E0000\" does not have a Characteristic User "
                                   "Description descriptor despite having the 'Writable Auxiliaries' flag set.");
}

TEST(LinkDiscovery, DiscoveryNeedsAConnection)
{
    Harness h(basicScenario());
    for (const Outcome& o : {h.c().call("DiscoverServices", {Str(""), Str("")}),
                             h.c().call("Discover", {Str(""), Str(""), Bool(true), Str("")}),
                             h.c().call("DiscoverCharacteristics", {Str(kBatterySvc), Str("")}),
                             h.c().call("DiscoverDescriptors", {Str(kBatterySvc), Str(kLevel)})})
        EXPECT_EQ(o.description, "You must be connected to a server to perform the requested action.");
}

// A handler that reconnects ends the running discovery: nothing of the old connection's
// results lands in the new connection's tree, wherever in the walk the handler runs.
TEST(LinkDiscovery, AReconnectingHandlerEndsTheDiscoveryOfTheOldConnection)
{
    for (const int at : {0, 2, 3}) {   // a service, a characteristic, a descriptor
        Harness h(basicScenario());
        ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
        int seen = 0;
        size_t afterReconnect = 0;
        bool reconnected = false;
        h.events->hook = [&](const Ev& e, std::vector<VARIANT*>&) {
            if (e.dispid != EVENT_Discovered)
                return;
            if (reconnected) {
                ++afterReconnect;
                return;
            }
            if (seen++ != at)
                return;
            reconnected = true;
            EXPECT_TRUE(h.c().call("Disconnect").ok());
            EXPECT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
        };
        const Outcome o = h.c().call("Discover", {Str(""), Str(""), Bool(true), Str("")});
        ASSERT_TRUE(reconnected) << at;
        EXPECT_FALSE(o.ok()) << at;
        EXPECT_EQ(afterReconnect, 0u) << at;
        EXPECT_EQ(h.c().get("ServiceCount").number(), 0) << at;
        h.events->hook = nullptr;
        ASSERT_TRUE(h.c().call("Discover", {Str(""), Str(""), Bool(true), Str("")}).ok());
        EXPECT_EQ(h.c().get("ServiceCount").number(), 2);
    }
}
