// The real libcorvelctl.so and corvelsh on the stack that CORVEL_BLUETOOTH chooses: a
// scenario file gives the simulator, anything else BlueZ (here without a system bus).
#include "tests/corvel/link_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

using namespace linktest;
using namespace corvel;

namespace {

const std::string kScenario = std::string(CORVEL_TEST_SCENARIOS) + "/gauge_and_sensor.json";

// CORVEL_BLUETOOTH for the test's duration.
class StackChoice {
public:
    explicit StackChoice(const char* value)
    {
        if (const char* old = std::getenv("CORVEL_BLUETOOTH"))
            saved_ = old;
        if (value)
            ::setenv("CORVEL_BLUETOOTH", value, 1);
        else
            ::unsetenv("CORVEL_BLUETOOTH");
    }
    ~StackChoice()
    {
        if (saved_)
            ::setenv("CORVEL_BLUETOOTH", saved_->c_str(), 1);
        else
            ::unsetenv("CORVEL_BLUETOOTH");
    }

private:
    std::optional<std::string> saved_;
};

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[1024];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

} // namespace

TEST(LinkLibrary, TheLibraryRunsOnTheSimulatorOfTheScenarioFile)
{
    ensureApp();
    RegistryScope registry;
    // On BlueZ the stand-in serves the same scenario (on_bluez.sh --stand-in).
    StackChoice choice(onBluez() ? "bluez" : ("sim:" + kScenario).c_str());
    Control c = createControl();
    ASSERT_TRUE(c);
    Events events(c);
    ASSERT_TRUE(c.call("StartScanning", {Str("")}).ok());
    ASSERT_TRUE(pumpUntil([&] {
        bool gauge = false, sensor = false;
        for (const Ev& e : events.of(EVENT_Advertisement)) {
            gauge = gauge || (e.arg(0) == "C47F51005001" && e.arg(1) == "OKTA QX 20");
            sensor = sensor || (e.arg(0) == "C47F51001001" && e.arg(1) == "Thermo 1");
        }
        return gauge && sensor;
    }));
    for (const Ev& e : events.of(EVENT_Advertisement))
        EXPECT_EQ(e.thread, std::this_thread::get_id());

    ASSERT_TRUE(c.call("Connect", {Str("C47F51001001")}).ok());
    ASSERT_TRUE(c.call("Discover", {Str(""), Str(""), Bool(true), Str("")}).ok());
    EXPECT_EQ(hex(c.call("ReadValue", {Str("001000000000"), Str("001000120000"), Str("")}).text()), "64");
    ASSERT_TRUE(c.call("Subscribe", {Str("001000000000"), Str("001000120000")}).ok());
    // The scenario's timed notifications, in order.
    ASSERT_TRUE(pumpUntil([&] { return events.count(EVENT_Value) >= 4; }));
    const auto values = events.of(EVENT_Value);
    EXPECT_EQ(hex(values[1].arg(5)), "63");
    EXPECT_EQ(hex(values[2].arg(5)), "62");
    EXPECT_EQ(hex(values[3].arg(5)), "61");

    // The gauge answers through the same library.
    ASSERT_TRUE(c.call("Connect", {Str("C47F51005001")}).ok());
    ASSERT_TRUE(c.call("DiscoverServices", {Str("722383EA-0662-466F-B41F-0FD548267C10"), Str("")}).ok());
    ASSERT_TRUE(c.call("DiscoverCharacteristics", {Str("002000000000"), Str("")}).ok());
    ASSERT_TRUE(c.call("WriteValue", {Str("002000000000"), Str("002000220000"), Str(""), Str("$gfi!")}).ok());
    EXPECT_EQ(c.call("ReadValue", {Str("002000000000"), Str("002000220000"), Str("")}).text(), "$gfi?M:5440!");
    EXPECT_TRUE(c.call("Disconnect").ok());
}

TEST(LinkLibrary, WithoutASimulatorBluezSaysWhyThereIsNoAdapter)
{
    ensureApp();
    RegistryScope registry;
    // BlueZ on a system bus that is not there: the message names the cause.
    const char* const noBus = "unix:path=/nonexistent/zenu-no-system-bus";
    const std::optional<std::string> savedBus =
        std::getenv("DBUS_SYSTEM_BUS_ADDRESS") ? std::optional<std::string>(std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) : std::nullopt;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", noBus, 1);
    for (const char* value : {static_cast<const char*>(nullptr), "bluez", "sim:/nonexistent/scenario.json"}) {
        StackChoice choice(value);
        Control c = createControl();
        ASSERT_TRUE(c);
        Events events(c);
        const Outcome scan = c.call("StartScanning", {Str("")});
        EXPECT_EQ(scan.scode, static_cast<HRESULT>(0x800A5086)) << (value ? value : "unset");
        EXPECT_EQ(scan.description.rfind("Bluetooth is not available: the system D-Bus (" + std::string(noBus) +
                                             ") cannot be reached",
                                         0),
                  0u)
            << scan.description;
        const Outcome connect = c.call("Connect", {Str("C47F51001001")});
        EXPECT_EQ(connect.scode, static_cast<HRESULT>(0x800A507D));   // 604
        EXPECT_EQ(connect.description, "Connection to server ID C47F51001001 was unsuccessful.");
        // A scenario that cannot be read says why in the control's log, once.
        size_t reasons = 0;
        for (const std::string& line : events.logs())
            reasons += line.find("/nonexistent/scenario.json") != std::string::npos;
        EXPECT_EQ(reasons, value && std::string(value).starts_with("sim:") ? 1u : 0u) << (value ? value : "unset");
    }
    if (savedBus)
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", savedBus->c_str(), 1);
    else
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

TEST(LinkLibrary, CorvelshDrivesAGaugeOnTheSimulator)
{
    RegistryScope registry;
    const std::string script = registry.path() + "/script.txt";
    {
        std::ofstream f(script, std::ios::binary);
        f << "create\n"
             "call StartScanning \"\"\n"
             "wait 150\n"
             "call StopScanning\n"
             "call Connect \"C47F51005001\"\n"
             "call Discover \"722383EA-0662-466F-B41F-0FD548267C10,3DCF8700-54E8-4FBC-A822-25EC413CA19B\" \"\" "
             "True \"\"\n"
             "call WriteValue \"002000000000\" \"002000220000\" \"\" \"$zenu00!\"\n"
             "call ReadValue \"002000000000\" \"002000220000\" \"\"\n"
             "call Subscribe \"003000000000\" \"003000380000\"\n"
             "wait 200\n"
             "call Disconnect\n";
    }
    const std::string stack = onBluez() ? std::string("bluez") : "sim:" + kScenario;
    const std::string out = run("CORVEL_BLUETOOTH=" + stack + " " + CORVELSH_PATH + " " + script +
                                " 2>/dev/null");
    for (const char* expected :
         {"event StartScan(\"\")", "event Advertisement(\"C47F51005001\", \"OKTA QX 20\"", "event StopScan(0, \"\")",
          "event Connected(0, \"OK\")",
          "event Discovered(1, \"002000000000\", \"002000220000\", \"\", \"000028CA-0000-1000-8000-00805F9B34FB\"",
          "event WriteResponse(\"002000000000\", \"002000220000\"",
          "= \"$zenu00T:QX20 V:1 B:0 R:840 S:4711 H:H2 M:C47F51005001 U:ym!\"",
          "event Subscribed(\"003000000000\", \"003000380000\"",
          "event Value(\"003000000000\", \"003000380000\", \"\", \"3DCF8703-54E8-4FBC-A822-25EC413CA19B\", \"\", \"",
          "event Disconnected(0, \"OK\")"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}
