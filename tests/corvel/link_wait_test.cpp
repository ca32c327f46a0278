// Waiting on the host thread: Timeout in seconds, in milliseconds and without a limit,
// completions after the deadline, a quit of the host application during Connect, DoEvents,
// the settings that steer waiting, events from the stack's worker thread arriving in order
// on the host thread, and that a waiting method does not spin.
#include "tests/corvel/link_support.h"

#include <QCoreApplication>
#include <QTimer>

using namespace linktest;
using corvel::EVENT_Connected;
using corvel::EVENT_Value;

namespace {

constexpr HRESULT kInterruptedHr = static_cast<HRESULT>(0x800A4F4E);   // 301 + 20001

// basicScenario with reads of FFE1 (0x0022) taking `readMs`.
sim::Scenario slowReads(int readMs)
{
    sim::Scenario s = basicScenario();
    s.devices[0].gatt.services[1].characteristics[0].latency.read = readMs;
    return s;
}

bt::Bytes toBytes(const std::string& s) { return bt::Bytes(s.begin(), s.end()); }

Outcome readRw(const Control& c) { return c.call("ReadValue", {Str(kCustomSvc), Str(kRw), Str("")}); }

} // namespace

TEST(LinkWait, TimeoutZeroWaitsAsLongAsTheOperationTakes)
{
    Harness h(slowReads(400));
    h.connect();
    ASSERT_TRUE(h.c().put("Timeout", I2(0)).ok());
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = readRw(h.c());
    EXPECT_TRUE(o.ok()) << o.description;
    EXPECT_EQ(o.text(), "hello");
    EXPECT_GE(msSince(start), 350);
    // The wait's stop reason stays behind, ignored.
    EXPECT_EQ(h.c().config("LastError"), "Interrupted.");
}

TEST(LinkWait, TimeoutInMillisecondsEndsTheWaitWithTimeout)
{
    Harness h(slowReads(600));
    h.connect();
    h.c().config("TimeoutInMilliseconds=True");
    ASSERT_TRUE(h.c().put("Timeout", I2(100)).ok());
    EXPECT_EQ(h.c().get("Timeout").number(), 100);
    h.events->clear();
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = readRw(h.c());
    const double took = msSince(start);
    EXPECT_EQ(o.scode, kInterruptedHr);
    EXPECT_EQ(o.description, "Timeout.");
    EXPECT_EQ(h.c().config("LastError"), "Timeout.");
    EXPECT_GE(took, 95);
    EXPECT_LT(took, 450);
    // Nothing of a successful read happened.
    EXPECT_EQ(h.events->count(EVENT_Value), 0u);
    EXPECT_FALSE(h.events->logged("1 Read: Successfully read value for characteristic ID \"002000220000\"."));
}

TEST(LinkWait, TimeoutInSecondsBoundsEachOperation)
{
    Harness h(slowReads(1400));
    h.connect();
    ASSERT_TRUE(h.c().put("Timeout", I2(1)).ok());
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = readRw(h.c());
    const double took = msSince(start);
    EXPECT_EQ(o.description, "Timeout.");
    EXPECT_GE(took, 990);
    EXPECT_LT(took, 1350);
}

TEST(LinkWait, ACompletionAfterTheDeadlineDoesNotEndTheNextWait)
{
    Harness h(slowReads(300));
    h.connect();
    h.c().config("TimeoutInMilliseconds=True");
    ASSERT_TRUE(h.c().put("Timeout", I2(100)).ok());
    EXPECT_EQ(readRw(h.c()).description, "Timeout.");
    // The late read ends while the next one waits; the next one still gets its own result.
    ASSERT_TRUE(h.c().put("Timeout", I2(3000)).ok());
    const Outcome o = h.c().call("ReadValue", {Str(kBatterySvc), Str(kLevel), Str("")});
    EXPECT_TRUE(o.ok()) << o.description;
    EXPECT_EQ(hex(o.text()), "64");
    // And a late completion reaching a DoEvents is harmless.
    ASSERT_TRUE(h.c().put("Timeout", I2(20)).ok());
    EXPECT_EQ(readRw(h.c()).description, "Timeout.");
    for (int i = 0; i < 30; ++i)
        EXPECT_TRUE(h.c().call("DoEvents").ok());
    ASSERT_TRUE(h.c().put("Timeout", I2(3000)).ok());
    EXPECT_TRUE(readRw(h.c()).ok());
}

TEST(LinkWait, AQuitDuringConnectEndsTheWaitAndTheHostStillQuits)
{
    SKIP_ON_BLUEZ("BlueZ hands out a known device object at once: there is no slow look-up to quit during");
    sim::Scenario s = basicScenario();
    s.devices[0].latency.device = 3000;
    Harness h(std::move(s));
    Outcome connect;
    double took = 0;
    const int rc = runInAppLoop(
        [&] {
            QTimer::singleShot(100, [] { QCoreApplication::exit(7); });
            const auto start = std::chrono::steady_clock::now();
            connect = h.c().call("Connect", {Str(kDeviceId)});
            took = msSince(start);
        },
        false);
    // The host's own loop received the quit with its code.
    EXPECT_EQ(rc, 7);
    EXPECT_LT(took, 1500);
    EXPECT_EQ(connect.scode, static_cast<HRESULT>(0x800A507D));   // 604
    EXPECT_EQ(connect.description, "Connection to server ID C47F51001001 was unsuccessful.");
    const auto connected = h.events->of(EVENT_Connected);
    ASSERT_EQ(connected.size(), 1u);
    EXPECT_EQ(connected[0].arg(0), "604");
    EXPECT_EQ(h.c().get("ServerId").text(), "");
    // Once the host runs again the control works as before.
    h.stack->setLatency(kDevice, sim::Latency{});
    EXPECT_TRUE(h.c().call("Connect", {Str(kDeviceId)}).ok());
    EXPECT_EQ(h.c().get("ServerId").text(), kDeviceId);
}

TEST(LinkWait, DoEventsWaitsAtMostSelectWaitMillisAndSucceeds)
{
    Harness h(basicScenario());
    h.c().config("SelectWaitMillis=60");
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(h.c().call("DoEvents").ok());
    double took = msSince(start);
    EXPECT_GE(took, 50);
    EXPECT_LT(took, 250);
    h.c().config("SelectWaitMillis=0");
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(h.c().call("DoEvents").ok());
    EXPECT_LT(msSince(start), 40);
}

TEST(LinkWait, TheHostsTimersRunWhileAMethodWaitsUnlessOnlyTheControlsEventsAreTaken)
{
    Harness h(slowReads(300));
    h.connect();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();

    EXPECT_TRUE(readRw(h.c()).ok());
    EXPECT_GE(ticks, 5) << "the host's timer did not run during the wait";

    for (const char* setting : {"IgnoreOtherWindowEvents=True", "UseWindowsMessages=False", "UseIOCP=True"}) {
        h.c().config("IgnoreOtherWindowEvents=False");
        h.c().config("UseIOCP=False");
        h.c().config(setting);
        ticks = 0;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(readRw(h.c()).ok()) << setting;
        EXPECT_GE(msSince(start), 250) << setting;
        EXPECT_EQ(ticks, 0) << setting;
    }
}

TEST(LinkWait, AWaitingMethodDoesNotSpin)
{
    Harness h(slowReads(1200));
    h.connect();
    const double cpuBefore = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(readRw(h.c()).ok());
    const double wall = msSince(start), cpu = cpuMs() - cpuBefore;
    EXPECT_GE(wall, 1100);
    EXPECT_LT(cpu, 0.05 * wall) << cpu << " ms of processor time in " << wall << " ms";
}

TEST(LinkWait, NotificationsFromTheWorkerArriveInOrderOnTheHostThread)
{
    Harness h(basicScenario());
    h.connect();
    ASSERT_TRUE(h.c().call("Subscribe", {Str(kBatterySvc), Str(kLevel)}).ok());
    h.events->clear();
    constexpr int kCount = 300;
    std::thread sender([&] {
        for (int i = 0; i < kCount; ++i)
            h.stack->sendValue(kDevice, 0x0012, toBytes(std::to_string(i)));
    });
    sender.join();
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_Value) >= static_cast<size_t>(kCount); }));
    const auto values = h.events->of(EVENT_Value);
    ASSERT_EQ(values.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(values[i].thread, std::this_thread::get_id());
        EXPECT_EQ(values[i].arg(0), kBatterySvc);
        EXPECT_EQ(values[i].arg(1), kLevel);
        EXPECT_EQ(values[i].arg(5), std::to_string(i)) << "out of order at " << i;
    }
}

TEST(LinkWait, NotificationsReachTheHostInsideAWaitingCall)
{
    Harness h(slowReads(300));
    h.connect();
    ASSERT_TRUE(h.c().call("Subscribe", {Str(kBatterySvc), Str(kLevel)}).ok());
    h.events->clear();
    QTimer::singleShot(50, [&] { h.stack->sendValue(kDevice, 0x0012, {0x33}); });
    EXPECT_TRUE(readRw(h.c()).ok());
    // The notification came first, then the read's own Value.
    const auto values = h.events->of(EVENT_Value);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].arg(1), kLevel);
    EXPECT_EQ(values[1].arg(1), kRw);
}

TEST(LinkWait, IgnoreExternalEventsKeepsEventsForTheNextWaitStep)
{
    Harness h(basicScenario());
    h.connect();
    ASSERT_TRUE(h.c().call("Subscribe", {Str(kBatterySvc), Str(kLevel)}).ok());
    h.c().config("IgnoreExternalEvents=True");
    h.events->clear();
    h.stack->sendValue(kDevice, 0x0012, {0x01});
    h.stack->sendValue(kDevice, 0x0012, {0x02});
    ASSERT_TRUE(h.stack->settle());
    pump(50);
    EXPECT_EQ(h.events->count(EVENT_Value), 0u);
    EXPECT_TRUE(h.c().call("DoEvents").ok());
    const auto values = h.events->of(EVENT_Value);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(hex(values[0].args[5]), "01");
    EXPECT_EQ(hex(values[1].args[5]), "02");
    // Without the setting they arrive while the host is idle.
    h.c().config("IgnoreExternalEvents=False");
    h.stack->sendValue(kDevice, 0x0012, {0x03});
    EXPECT_TRUE(pumpUntil([&] { return h.events->count(EVENT_Value) == 3; }));
}

// Events held while the setting was on go out once it is off, from the host's own loop
// (not inside Config), in their order, without waiting for another event.
TEST(LinkWait, SwitchingIgnoreExternalEventsOffDeliversTheHeldEvents)
{
    Harness h(basicScenario());
    h.connect();
    ASSERT_TRUE(h.c().call("Subscribe", {Str(kBatterySvc), Str(kLevel)}).ok());
    h.c().config("IgnoreExternalEvents=True");
    h.events->clear();
    h.stack->sendValue(kDevice, 0x0012, {0x01});
    h.stack->sendValue(kDevice, 0x0012, {0x02});
    ASSERT_TRUE(h.stack->settle());
    pump(50);
    ASSERT_EQ(h.events->count(EVENT_Value), 0u);
    h.c().config("IgnoreExternalEvents=False");
    EXPECT_EQ(h.events->count(EVENT_Value), 0u);
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_Value) == 2; }, 1000));
    const auto values = h.events->of(EVENT_Value);
    EXPECT_EQ(hex(values[0].args[5]), "01");
    EXPECT_EQ(hex(values[1].args[5]), "02");
}

TEST(LinkWait, AHostThatLetsGoDuringAWaitEndsTheWait)
{
    Harness h(slowReads(800));
    h.connect();
    ASSERT_TRUE(h.c().call("Subscribe", {Str(kBatterySvc), Str(kLevel)}).ok());
    bool released = false;
    h.events->hook = [&](const Ev& e, std::vector<VARIANT*>&) {
        if (e.dispid == EVENT_Value && !released) {
            released = true;
            h.control.reset();   // the host's last reference
        }
    };
    QTimer::singleShot(50, [&] { h.stack->sendValue(kDevice, 0x0012, {0x01}); });
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = h.c().call("ReadValue", {Str(kCustomSvc), Str(kRw), Str("")});
    EXPECT_TRUE(released);
    EXPECT_EQ(o.scode, kInterruptedHr);
    EXPECT_EQ(o.description, "Interrupted.");
    EXPECT_LT(msSince(start), 600);
}

TEST(LinkWait, AMethodCalledFromAHandlerThatTheHostsLoopRanWaitsNormally)
{
    Harness h(slowReads(100));
    h.connect();
    ASSERT_TRUE(h.c().call("Subscribe", {Str(kBatterySvc), Str(kLevel)}).ok());
    Outcome nested;
    double took = -1;
    size_t valuesDuringTheRead = 0;
    bool busy = false;
    h.events->hook = [&](const Ev& e, std::vector<VARIANT*>&) {
        if (e.dispid != EVENT_Value || e.arg(1) != kLevel || busy || took >= 0)
            return;
        busy = true;
        const size_t before = h.events->count(EVENT_Value);
        h.stack->sendValue(kDevice, 0x0012, {0x02});
        const auto start = std::chrono::steady_clock::now();
        nested = readRw(h.c());
        took = msSince(start);
        valuesDuringTheRead = h.events->count(EVENT_Value) - before;
        busy = false;
    };
    h.stack->sendValue(kDevice, 0x0012, {0x01});
    ASSERT_TRUE(pumpUntil([&] { return took >= 0; }));
    EXPECT_TRUE(nested.ok()) << nested.description;
    EXPECT_LT(took, 300);
    // The second notification and the read's own Value arrived inside the nested read.
    EXPECT_EQ(valuesDuringTheRead, 2u);
}
