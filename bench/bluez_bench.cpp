// The control's per-operation cost on BlueZ, side by side with Bleak's on the same stand-in:
// a write with response, a read, and the delivery of a notification (from the moment the
// stand-in is asked to send a burst until the client has had all of it, per notification).
// The stand-in serves a device without latency in this process; Bleak runs as a second
// process on the same bus. Needs DBUS_SYSTEM_BUS_ADDRESS of a private bus (scripts/on_bluez.sh).
#include "corvel/ble/stack_link.h"
#include "corvel/com/corvel_control.h"
#include "corvel/com/corvel_ids.h"
#include "platform/bluetooth/bluez_stack.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/host_site.h"
#include "sim/bluez/bluez_service.h"
#include "sim/sim_stack.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

namespace bt = zenu::bluetooth;
namespace sim = zenu::sim;

constexpr uint64_t kDevice = 0xC47F51001001ull;
constexpr int kCount = 500;
const char* const kUuid = "0000ffe1-0000-1000-8000-00805f9b34fb";

sim::Scenario scenario()
{
    sim::Scenario s;
    s.latency = sim::Latency{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    sim::DeviceDef d;
    d.address = kDevice;
    d.name = "Bench";
    d.advertising.intervalMs = 20;
    sim::ServiceDef svc;
    svc.handle = 0x0010;
    svc.uuid = bt::Guid::sig(0xFFE0);
    sim::CharacteristicDef c;
    c.handle = 0x0012;
    c.uuid = bt::Guid::sig(0xFFE1);
    c.properties = bt::properties::kRead | bt::properties::kWrite | bt::properties::kNotify;
    c.value = bt::Bytes(20, 'x');
    svc.characteristics = {c};
    d.gatt.services = {svc};
    s.devices = {d};
    return s;
}

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Control {
    Control()
    {
        auto* control = new corvel::CorvelControl(corvel::createStackLink(std::make_shared<bt::BluezStack>()));
        control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
        control->Release();
        sink = new EventSink(corvel::DIID__ICorvelEvents, [this](DISPID id, DISPPARAMS*) {
            if (id == corvel::EVENT_Value && ++values == target)
                reachedAt = now();
        });
        AdviseSink(d, corvel::DIID__ICorvelEvents, sink, &point, &cookie);
    }
    ~Control()
    {
        point->Unadvise(cookie);
        point->Release();
        sink->Release();
        d->Release();
    }
    HRESULT call(DISPID id, std::vector<Variant> args)
    {
        std::vector<Variant> reversed(args.rbegin(), args.rend());
        Variant r;
        return InvokeMember(d, id, DISPATCH_METHOD, reversed.empty() ? nullptr : static_cast<VARIANT*>(reversed.data()),
                            static_cast<uint32_t>(reversed.size()), &r, nullptr);
    }
    IDispatch* d = nullptr;
    EventSink* sink = nullptr;
    IConnectionPoint* point = nullptr;
    uint32_t cookie = 0;
    long values = 0;
    // When the handler had the value number `target` (as Bleak's side measures it).
    long target = -1;
    double reachedAt = 0;
};

Variant S(const char* s) { return Variant::fromUtf8(s); }

struct Figures {
    double write = 0, read = 0, notification = 0;
};

bool timed(Control& c, DISPID id, const std::vector<Variant>& args, double* perOp)
{
    for (int i = 0; i < 10; ++i)
        c.call(id, args);
    const double t0 = now();
    for (int i = 0; i < kCount; ++i)
        if (FAILED(c.call(id, args)))
            return false;
    *perOp = (now() - t0) / kCount;
    return true;
}

bool controlFigures(sim::SimStack& stack, Figures* f)
{
    Control c;
    if (FAILED(c.call(corvel::DISPID_Connect, {S("C47F51001001")})) ||
        FAILED(c.call(corvel::DISPID_Discover, {S(""), S(""), Variant::fromBool(true), S("")})))
        return false;
    if (!timed(c, corvel::DISPID_WriteValue, {S("001000000000"), S("001000120000"), S(""), S("$zenu00!")}, &f->write) ||
        !timed(c, corvel::DISPID_ReadValue, {S("001000000000"), S("001000120000"), S("")}, &f->read))
        return false;
    if (FAILED(c.call(corvel::DISPID_Subscribe, {S("001000000000"), S("001000120000")})))
        return false;
    const bt::Bytes value(20, 'n');
    c.target = c.values + kCount;
    const double t0 = now();
    for (int i = 0; i < kCount; ++i)
        stack.sendValue(kDevice, 0x0012, value);
    while (c.values < c.target && now() - t0 < 60)
        c.call(corvel::DISPID_DoEvents, {});
    f->notification = (c.reachedAt - t0) / kCount;
    c.call(corvel::DISPID_Disconnect, {});
    return c.values >= c.target;
}

bool bleakFigures(sim::SimStack& stack, Figures* f)
{
    QProcess p;
    p.start("/usr/bin/python3", {BLEAK_SCRIPT, "C4:7F:51:00:10:01", kUuid, QString::number(kCount)});
    auto line = [&](int ms) -> QByteArray {
        const double end = now() + ms / 1000.0;
        while (!p.canReadLine() && now() < end)
            p.waitForReadyRead(100);
        return p.canReadLine() ? p.readLine().trimmed() : QByteArray();
    };
    const QJsonObject times = QJsonDocument::fromJson(line(120000)).object();
    if (times.isEmpty() || line(10000) != "SUBSCRIBED") {
        std::fprintf(stderr, "bench_bluez: Bleak failed: %s\n", p.readAllStandardError().constData());
        return false;
    }
    f->write = times.value("write").toDouble();
    f->read = times.value("read").toDouble();
    const bt::Bytes value(20, 'n');
    const double t0 = now();
    for (int i = 0; i < kCount; ++i)
        stack.sendValue(kDevice, 0x0012, value);
    const double last = QJsonDocument::fromJson(line(60000)).object().value("last").toDouble();
    p.waitForFinished(10000);
    if (last <= 0)
        return false;
    f->notification = (last - t0) / kCount;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (!bus) {
        std::fprintf(stderr, "bench_bluez: run it on a private bus: scripts/on_bluez.sh %s\n", argv[0]);
        return 2;
    }
    std::string error;
    std::shared_ptr<sim::SimStack> stack = sim::SimStack::create(scenario(), &error);
    std::unique_ptr<sim::BluezService> service = stack ? sim::BluezService::start(stack, bus, &error) : nullptr;
    if (!service) {
        std::fprintf(stderr, "bench_bluez: %s\n", error.c_str());
        return 1;
    }
    // Rounds taken in turn, the median of each figure reported: the machine's other load
    // falls on both alike.
    constexpr int kRounds = 3;
    std::vector<Figures> controls, bleaks;
    bool withBleak = true;
    for (int round = 0; round < kRounds; ++round) {
        Figures c, b;
        if (!controlFigures(*stack, &c)) {
            std::fprintf(stderr, "bench_bluez: the control's run failed\n");
            return 1;
        }
        controls.push_back(c);
        withBleak = withBleak && bleakFigures(*stack, &b);
        bleaks.push_back(b);
    }
    auto median = [](std::vector<Figures> v, double Figures::*m) {
        std::sort(v.begin(), v.end(), [m](const Figures& a, const Figures& b) { return a.*m < b.*m; });
        return v[v.size() / 2].*m;
    };
    Figures control{median(controls, &Figures::write), median(controls, &Figures::read),
                    median(controls, &Figures::notification)};
    Figures bleak{median(bleaks, &Figures::write), median(bleaks, &Figures::read), median(bleaks, &Figures::notification)};
    std::printf("per operation on the BlueZ stand-in (median of %d rounds of %d, microseconds)\n", kRounds, kCount);
    std::printf("%-26s %10s %10s\n", "", "control", "Bleak");
    auto row = [&](const char* name, double a, double b) {
        if (withBleak)
            std::printf("%-26s %10.1f %10.1f\n", name, a * 1e6, b * 1e6);
        else
            std::printf("%-26s %10.1f %10s\n", name, a * 1e6, "-");
    };
    row("write with response", control.write, bleak.write);
    row("read", control.read, bleak.read);
    row("notification delivery", control.notification, bleak.notification);
    return withBleak ? 0 : 1;
}
