// Connection on the simulated stack: Connect and Disconnect with their events and log
// lines, pairing with the PairingRequest answer, the device going offline and online, and
// name and service changes.
#include "tests/corvel/link_support.h"

using namespace linktest;
using namespace corvel;

namespace {

constexpr HRESULT kNotConnectedHr = static_cast<HRESULT>(0x800A507E);   // 605
constexpr HRESULT kConnectionFailedHr = static_cast<HRESULT>(0x800A507D);   // 604

sim::Scenario pairingScenario(uint32_t kind, const std::string& pin)
{
    sim::Scenario s = basicScenario();
    s.devices[0].pairing.canPair = true;
    s.devices[0].pairing.kind = kind;
    s.devices[0].pairing.pin = pin;
    return s;
}

} // namespace

TEST(LinkConnect, ConnectHoldsTheDeviceAndFiresConnectedOk)
{
    Harness h(basicScenario());
    const Outcome o = h.c().call("Connect", {Str("  c47f51001001  ")});
    ASSERT_TRUE(o.ok()) << o.description;
    EXPECT_EQ(h.c().get("ServerId").text(), kDeviceId);
    EXPECT_EQ(h.c().get("ServerName").text(), "Thermo 1");
    const auto connected = h.events->of(EVENT_Connected);
    ASSERT_EQ(connected.size(), 1u);
    EXPECT_EQ(connected[0].arg(0), "0");
    EXPECT_EQ(connected[0].arg(1), "OK");
    EXPECT_TRUE(h.events->logged("1 Connection: Successfully connected to server ID C47F51001001."));

    // The same server again, connected and online: nothing happens.
    h.events->clear();
    EXPECT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    EXPECT_TRUE(h.events->all().empty());
    // An empty ServerId does nothing either.
    EXPECT_TRUE(h.c().call("Connect", {Str("   ")}).ok());
    EXPECT_EQ(h.c().get("ServerId").text(), kDeviceId);
}

TEST(LinkConnect, AnUnknownDeviceFailsWith604AndConnected604)
{
    Harness h(basicScenario());
    const Outcome o = h.c().call("Connect", {Str("001122334455")});
    EXPECT_EQ(o.scode, kConnectionFailedHr);
    EXPECT_EQ(o.description, "Connection to server ID 001122334455 was unsuccessful.");
    const auto connected = h.events->of(EVENT_Connected);
    ASSERT_EQ(connected.size(), 1u);
    EXPECT_EQ(connected[0].arg(0), "604");
    EXPECT_EQ(connected[0].arg(1), "Connection to server ID 001122334455 was unsuccessful.");
    EXPECT_TRUE(h.events->logged("1 Connection: Connection to server ID 001122334455 was unsuccessful."));
    EXPECT_EQ(h.c().config("LastError"), "Connection to server ID 001122334455 was unsuccessful.");
    EXPECT_EQ(h.c().get("ServerId").text(), "");
    // A ServerId that is no address is refused before anything is asked.
    const Outcome bad = h.c().call("Connect", {Str("C47F5100100")});
    EXPECT_EQ(bad.scode, static_cast<HRESULT>(0x800A4EEB));   // 202
    EXPECT_EQ(h.events->count(EVENT_Connected), 1u);
}

TEST(LinkConnect, DisconnectEmptiesTheTreeAndFiresDisconnectedOk)
{
    Harness h(basicScenario());
    h.connect();
    ASSERT_GT(h.c().get("ServiceCount").number(), 0);
    ASSERT_TRUE(h.c().put("Service", Str(kBatterySvc)).ok());
    h.events->clear();
    ASSERT_TRUE(h.c().call("Disconnect").ok());
    const auto d = h.events->of(EVENT_Disconnected);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].arg(0), "0");
    EXPECT_EQ(d[0].arg(1), "OK");
    EXPECT_TRUE(h.events->logged("1 Connection: Disconnecting from server ID C47F51001001."));
    EXPECT_TRUE(h.events->logged("1 Connection: Disconnected from server ID C47F51001001."));
    EXPECT_EQ(h.c().get("ServiceCount").number(), 0);
    EXPECT_EQ(h.c().get("Service").text(), "");
    EXPECT_EQ(h.c().get("ServerId").text(), "");
    EXPECT_FALSE(h.stack->linkOpen(kDevice));
    EXPECT_EQ(h.c().call("ReadValue", {Str(kBatterySvc), Str(kLevel), Str("")}).scode, kNotConnectedHr);
    // Nothing of the old device reaches the host any more.
    h.stack->setName(kDevice, "Later");
    pump(30);
    EXPECT_EQ(h.events->count(EVENT_ServerUpdate), 0u);
    // Disconnect without a device does nothing.
    h.events->clear();
    EXPECT_TRUE(h.c().call("Disconnect").ok());
    EXPECT_TRUE(h.events->all().empty());
}

TEST(LinkConnect, ConnectingToAnotherServerDisconnectsTheFirst)
{
    sim::Scenario s = basicScenario();
    sim::DeviceDef other = s.devices[0];
    other.address = kOther;
    other.name = "Thermo 2";
    s.devices.push_back(other);
    Harness h(std::move(s));
    h.connect();
    h.events->clear();
    ASSERT_TRUE(h.c().call("Connect", {Str(kOtherId)}).ok());
    std::vector<std::string> order;
    for (const Ev& e : h.events->all())
        if (e.dispid == EVENT_Disconnected || e.dispid == EVENT_Connected)
            order.push_back(e.arg(1));
    EXPECT_EQ(order, (std::vector<std::string>{"OK", "OK"}));
    EXPECT_EQ(h.events->of(EVENT_Disconnected).size(), 1u);
    EXPECT_EQ(h.c().get("ServerName").text(), "Thermo 2");
    EXPECT_EQ(h.c().get("ServiceCount").number(), 0);
}

TEST(LinkConnect, PairingAsksTheHostForThePinAndConnects)
{
    Harness h(pairingScenario(bt::pairing_kinds::kProvidePin, "123456"));
    h.c().config("PairingMode=1");
    std::vector<std::string> request;
    h.events->hook = [&](const Ev& e, std::vector<VARIANT*>& args) {
        if (e.dispid != EVENT_PairingRequest)
            return;
        request = e.args;
        SysFreeString(*args[2]->pbstrVal);
        *args[2]->pbstrVal = SysAllocString(u"123456");
        *args[3]->pboolVal = VARIANT_TRUE;
    };
    const Outcome o = h.c().call("Connect", {Str(kDeviceId)});
    ASSERT_TRUE(o.ok()) << o.description;
    ASSERT_EQ(request.size(), 4u);
    EXPECT_EQ(request[0], kDeviceId);
    EXPECT_EQ(request[1], "4");
    EXPECT_EQ(request[2], "");
    EXPECT_EQ(request[3], "False");
    EXPECT_TRUE(h.stack->paired(kDevice));
    EXPECT_EQ(h.events->of(EVENT_Connected)[0].arg(1), "OK");
    // The pairing this control made is undone by Disconnect.
    ASSERT_TRUE(h.c().call("Disconnect").ok());
    EXPECT_FALSE(h.stack->paired(kDevice));
}

TEST(LinkConnect, ADeclinedOrFailedPairingFailsConnectWithTheStatusName)
{
    Harness h(pairingScenario(bt::pairing_kinds::kConfirmPinMatch, "654321"));
    h.c().config("PairingMode=1");
    std::string shownPin;
    h.events->hook = [&](const Ev& e, std::vector<VARIANT*>&) {
        if (e.dispid == EVENT_PairingRequest)
            shownPin = e.arg(2);   // left unanswered: declined
    };
    Outcome o = h.c().call("Connect", {Str(kDeviceId)});
    EXPECT_EQ(shownPin, "654321");
    EXPECT_EQ(o.scode, kConnectionFailedHr);
    EXPECT_EQ(o.description, "Connection to server ID C47F51001001 was unsuccessful, status RejectedByHandler.");
    const auto connected = h.events->of(EVENT_Connected);
    ASSERT_EQ(connected.size(), 1u);
    EXPECT_EQ(connected[0].arg(0), "604");
    EXPECT_EQ(connected[0].arg(1), o.description);
    EXPECT_EQ(h.c().get("ServerId").text(), "");
    EXPECT_FALSE(h.stack->paired(kDevice));

    // A wrong PIN.
    Harness p(pairingScenario(bt::pairing_kinds::kProvidePin, "1111"));
    p.c().config("PairingMode=1");
    p.events->hook = [&](const Ev& e, std::vector<VARIANT*>& args) {
        if (e.dispid != EVENT_PairingRequest)
            return;
        SysFreeString(*args[2]->pbstrVal);
        *args[2]->pbstrVal = SysAllocString(u"2222");
        *args[3]->pboolVal = VARIANT_TRUE;
    };
    o = p.c().call("Connect", {Str(kDeviceId)});
    EXPECT_EQ(o.description, "Connection to server ID C47F51001001 was unsuccessful, status AuthenticationFailure.");
}

TEST(LinkConnect, PairingIsOnlyTriedWhenAskedForAndWhenTheDeviceCanPair)
{
    Harness h(pairingScenario(bt::pairing_kinds::kConfirmOnly, ""));
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());   // PairingMode 0
    EXPECT_EQ(h.events->count(EVENT_PairingRequest), 0u);
    EXPECT_FALSE(h.stack->paired(kDevice));

    sim::Scenario forced = pairingScenario(bt::pairing_kinds::kConfirmOnly, "");
    forced.devices[0].pairing.result = bt::PairingStatus::AuthenticationTimeout;
    Harness f(std::move(forced));
    f.c().config("PairingMode=1");
    EXPECT_EQ(f.c().call("Connect", {Str(kDeviceId)}).description,
              "Connection to server ID C47F51001001 was unsuccessful, status AuthenticationTimeout.");

    // A device paired already connects without a new ceremony.
    sim::Scenario bonded = pairingScenario(bt::pairing_kinds::kConfirmOnly, "");
    bonded.devices[0].pairing.paired = true;
    Harness b(std::move(bonded));
    b.c().config("PairingMode=1");
    EXPECT_TRUE(b.c().call("Connect", {Str(kDeviceId)}).ok());
    EXPECT_EQ(b.events->count(EVENT_PairingRequest), 0u);
    // ... and keeps its bond on Disconnect: the control did not make it.
    EXPECT_TRUE(b.c().call("Disconnect").ok());
    EXPECT_TRUE(b.stack->paired(kDevice));
}

TEST(LinkConnect, OfflineAndOnlineAreReportedOnceEach)
{
    Harness h(basicScenario());
    h.c().config("LogLevel=3");
    h.connect();
    ASSERT_TRUE(h.stack->linkOpen(kDevice));
    h.events->clear();
    h.stack->setOnline(kDevice, false);
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_Disconnected) == 1; }));
    pump(50);
    auto d = h.events->of(EVENT_Disconnected);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].arg(0), "0");
    EXPECT_EQ(d[0].arg(1), "Offline");
    EXPECT_EQ(d[0].thread, std::this_thread::get_id());
    EXPECT_TRUE(h.events->logged("3 Debug: System updated device connection status to \"Disconnected\"."));
    // Offline: the server is held but does not count as connected; the tree stays.
    EXPECT_EQ(h.c().call("ReadValue", {Str(kBatterySvc), Str(kLevel), Str("")}).scode, kNotConnectedHr);
    EXPECT_EQ(h.c().get("ServerId").text(), kDeviceId);
    EXPECT_GT(h.c().get("ServiceCount").number(), 0);

    h.stack->setOnline(kDevice, true);
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_Connected) == 1; }));
    pump(50);
    const auto c = h.events->of(EVENT_Connected);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].arg(1), "Online");
    EXPECT_TRUE(h.events->logged("3 Debug: System updated device connection status to \"Connected\"."));
    EXPECT_TRUE(h.c().call("ReadValue", {Str(kBatterySvc), Str(kLevel), Str("")}).ok());

    ASSERT_TRUE(h.c().call("Disconnect").ok());
    d = h.events->of(EVENT_Disconnected);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[1].arg(1), "OK");
}

TEST(LinkConnect, NameAndServiceChangesFireServerUpdate)
{
    Harness h(basicScenario());
    h.c().config("LogLevel=2");
    h.connect();
    const int services = h.c().get("ServiceCount").number();
    h.events->clear();
    h.stack->setName(kDevice, "Renamed");
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_ServerUpdate) == 1; }));
    auto u = h.events->of(EVENT_ServerUpdate);
    EXPECT_EQ(u[0].arg(0), "Renamed");
    EXPECT_EQ(u[0].arg(1), "");
    EXPECT_TRUE(h.events->logged("2 Verbose: Server's name has changed to Renamed"));
    EXPECT_EQ(h.c().get("ServerName").text(), "Renamed");

    sim::ServiceDef added;
    added.handle = 0x0050;
    added.uuid = bt::Guid::sig(0x180A);
    h.stack->changeServices(kDevice, {added}, {});
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_ServerUpdate) == 2; }));
    u = h.events->of(EVENT_ServerUpdate);
    EXPECT_EQ(u[1].arg(0), "");
    EXPECT_FALSE(u[1].arg(1).empty());
    EXPECT_TRUE(h.events->logged("2 Verbose: Server's services have changed."));
    // The tree waits for the host to rediscover.
    EXPECT_EQ(h.c().get("ServiceCount").number(), services);
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    EXPECT_EQ(h.c().get("ServiceCount").number(), services + 1);

    // The name is device data: in the code page, as ServerName gives it.
    ASSERT_TRUE(h.c().call("Config", {Str("CodePage=1200")}).ok());   // UTF-16LE
    h.stack->setName(kDevice, "AB");
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_ServerUpdate) == 3; }));
    EXPECT_EQ(h.events->of(EVENT_ServerUpdate)[2].arg(0), "\xE4\x89\x81");   // U+4241
    EXPECT_EQ(h.c().get("ServerName").text(), "\xE4\x89\x81");
}

TEST(LinkConnect, DestroyingTheControlDisconnectsAndStopsScanning)
{
    Harness h(basicScenario(), false);
    ASSERT_TRUE(h.c().call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    ASSERT_TRUE(h.c().call("ReadValue", {Str(""), Str(""), Str("")}).scode != S_OK);
    ASSERT_TRUE(h.c().call("DiscoverServices", {Str(""), Str("")}).ok());
    ASSERT_TRUE(h.stack->linkOpen(kDevice));
    h.control.reset();
    EXPECT_TRUE(pumpUntil([&] { return !h.stack->linkOpen(kDevice); }, 1000));
}
