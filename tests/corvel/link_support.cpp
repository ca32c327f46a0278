#include "tests/corvel/link_support.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdlib>
#include <ctime>

#include "platform/bluetooth/bluez_stack.h"
#include "platform/com/dispatch_helpers.h"
#include "sim/bluez/bluez_service.h"

namespace linktest {

void ensureApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "corvel-link-tests";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends, as a host's application does.
    new QCoreApplication(argc, argv);
}

std::string argText(const VARIANT* v)
{
    if (!v)
        return {};
    const VARTYPE vt = v->vt & ~VT_BYREF;
    const bool byRef = (v->vt & VT_BYREF) != 0;
    switch (vt) {
    case VT_BSTR: {
        const BSTR b = byRef ? *v->pbstrVal : v->bstrVal;
        return b ? U16ToUtf8(BstrToU16(b)) : std::string();
    }
    case VT_I2:
        return std::to_string(byRef ? *v->piVal : v->iVal);
    case VT_I4:
        return std::to_string(byRef ? *v->plVal : v->lVal);
    case VT_BOOL:
        return (byRef ? *v->pboolVal : v->boolVal) ? "True" : "False";
    default:
        return "<" + std::to_string(v->vt) + ">";
    }
}

// ---------------------------------------------------------------- Events

Events::Events(const Control& control) : sink_(control)
{
    sink_->onEvent = [this](DISPID dispid, std::vector<VARIANT*>& args) {
        Ev e;
        e.dispid = dispid;
        e.thread = std::this_thread::get_id();
        for (VARIANT* v : args)
            e.args.push_back(argText(v));
        {
            std::lock_guard lock(m_);
            events_.push_back(e);
        }
        if (hook)
            hook(e, args);
    };
}

Events::~Events() { sink_->onEvent = nullptr; }

std::vector<Ev> Events::all() const
{
    std::lock_guard lock(m_);
    return events_;
}

std::vector<Ev> Events::of(DISPID dispid) const
{
    std::lock_guard lock(m_);
    std::vector<Ev> out;
    for (const Ev& e : events_)
        if (e.dispid == dispid)
            out.push_back(e);
    return out;
}

std::vector<std::string> Events::logs() const
{
    std::vector<std::string> out;
    for (const Ev& e : of(corvel::EVENT_Log))
        out.push_back(e.arg(0) + " " + e.arg(2) + ": " + e.arg(1));
    return out;
}

bool Events::logged(const std::string& line) const
{
    for (const std::string& l : logs())
        if (l == line)
            return true;
    return false;
}

void Events::clear()
{
    std::lock_guard lock(m_);
    events_.clear();
}

// ---------------------------------------------------------------- Harness

namespace {
Harness* servingHarness = nullptr;
}

Harness::Harness(sim::Scenario scenario, bool record)
{
    ensureApp();
    std::string error;
    stack = sim::SimStack::create(std::move(scenario), &error);
    EXPECT_TRUE(stack) << error;
    if (onBluez()) {
        // One org.bluez per bus: the newest harness serves its scenario (tests go on with it).
        if (servingHarness)
            servingHarness->bluezService.reset();
        servingHarness = this;
        const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
        std::shared_ptr<zenu::sim::BluezService> service =
            zenu::sim::BluezService::start(stack, bus ? bus : "", &error);
        EXPECT_TRUE(service) << error;
        bluezService = service;
        control = createControlWith(corvel::createStackLink(std::make_shared<bt::BluezStack>()));
    } else {
        control = createControlWith(corvel::createStackLink(stack));
    }
    if (record)
        events = std::make_unique<Events>(control);
}

Harness::~Harness()
{
    events.reset();
    control.reset();
    bluezService.reset();
    if (servingHarness == this)
        servingHarness = nullptr;
}

bool onBluez()
{
    const char* choice = std::getenv("CORVEL_BLUETOOTH");
    return choice && std::string(choice) == "bluez" && std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
}

void Harness::connect(const std::string& id, bool discover)
{
    const Outcome o = control.call("Connect", {Str(id)});
    ASSERT_TRUE(o.ok()) << o.description;
    if (discover) {
        const Outcome d = control.call("Discover", {Str(""), Str(""), Bool(true), Str("")});
        ASSERT_TRUE(d.ok()) << d.description;
    }
}

// ---------------------------------------------------------------- scenarios

sim::Scenario basicScenario()
{
    namespace p = bt::properties;
    sim::Scenario s;
    s.latency.connect = 1;
    s.latency.unreachable = 20;
    sim::DeviceDef d;
    d.address = kDevice;
    d.name = "Thermo 1";
    d.advertising.data.serviceUuids = {bt::Guid::sig(0x180F)};
    d.advertising.data.txPower = -4;
    d.advertising.intervalMs = 20;

    sim::ServiceDef battery;
    battery.handle = 0x0010;
    battery.uuid = bt::Guid::sig(0x180F);
    sim::CharacteristicDef level;
    level.handle = 0x0012;
    level.uuid = bt::Guid::sig(0x2A19);
    level.properties = p::kRead | p::kNotify;
    level.value = {0x64};
    level.formats.push_back(bt::PresentationFormat{0x04, 0, 0x27AD, 1, 0});
    battery.characteristics.push_back(level);

    sim::ServiceDef custom;
    custom.handle = 0x0020;
    custom.uuid = bt::Guid::sig(0xFFE0);
    custom.includes = {0x0030};
    sim::CharacteristicDef rw;
    rw.handle = 0x0022;
    rw.uuid = bt::Guid::sig(0xFFE1);
    rw.properties = p::kRead | p::kWrite | p::kWriteWithoutResponse;
    rw.value = {'h', 'e', 'l', 'l', 'o'};
    sim::CharacteristicDef ind;
    ind.handle = 0x0025;
    ind.uuid = bt::Guid::sig(0xFFE2);
    ind.properties = p::kIndicate;
    sim::CharacteristicDef aux;
    aux.handle = 0x0028;
    aux.uuid = bt::Guid::sig(0xFFE3);
    aux.properties = p::kRead | p::kWritableAuxiliaries | p::kReliableWrites;
    aux.userDescription = "Setpoint";
    sim::CharacteristicDef both;
    both.handle = 0x002B;
    both.uuid = bt::Guid::sig(0xFFE4);
    both.properties = p::kRead | p::kNotify | p::kIndicate;
    custom.characteristics = {rw, ind, aux, both};

    sim::ServiceDef secondary;
    secondary.handle = 0x0030;
    secondary.uuid = bt::Guid::sig(0xFFF0);
    secondary.primary = false;
    sim::CharacteristicDef inner;
    inner.handle = 0x0032;
    inner.uuid = bt::Guid::sig(0xFFF1);
    inner.properties = p::kRead;
    inner.value = {1, 2, 3};
    secondary.characteristics = {inner};

    d.gatt.services = {battery, custom, secondary};
    s.devices.push_back(d);
    return s;
}

// ---------------------------------------------------------------- the host's loop

void pump(int ms)
{
    ensureApp();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool pumpUntil(const std::function<bool()>& done, int limitMs)
{
    ensureApp();
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        if (msSince(start) > limitMs)
            return false;
        pump(2);
    }
    return true;
}

int runInAppLoop(const std::function<void()>& body, bool quitAfter)
{
    ensureApp();
    bool finished = false;
    QTimer start, guard;
    start.setSingleShot(true);
    guard.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        body();
        finished = true;
        if (quitAfter)
            QCoreApplication::exit(kBodyDone);
    });
    // A loop nobody ends would hang the test.
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(kLoopStuck); });
    start.start(0);
    guard.start(20000);
    const int rc = QCoreApplication::exec();
    EXPECT_TRUE(finished) << "the body did not run to its end";
    return rc;
}

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace linktest
