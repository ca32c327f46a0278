// The control on the simulated stack with no latency: what one GATT operation costs through
// dispatch (against the same operation awaited directly on the stack), what a notification
// costs on its way to a sink, and the processor time a method uses while it waits 2 s for a
// slow operation.
#include "corvel/ble/stack_link.h"
#include "corvel/com/corvel_control.h"
#include "corvel/com/corvel_ids.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/host_site.h"
#include "sim/sim_stack.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

namespace {

namespace bt = zenu::bluetooth;
namespace sim = zenu::sim;

constexpr uint64_t kDevice = 0xC47F51001001ull;

sim::Scenario scenario(int readMs)
{
    sim::Scenario s;
    s.latency = sim::Latency{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    sim::DeviceDef d;
    d.address = kDevice;
    d.name = "Bench";
    sim::ServiceDef svc;
    svc.handle = 0x0010;
    svc.uuid = bt::Guid::sig(0xFFE0);
    sim::CharacteristicDef c;
    c.handle = 0x0012;
    c.uuid = bt::Guid::sig(0xFFE1);
    c.properties = bt::properties::kRead | bt::properties::kWrite | bt::properties::kNotify;
    c.value = bt::Bytes(20, 'x');
    c.latency.read = readMs;
    svc.characteristics = {c};
    d.gatt.services = {svc};
    s.devices = {d};
    return s;
}

// A control over its own simulated stack, connected and discovered, with one sink.
struct Setup {
    explicit Setup(int readMs = 0)
    {
        stack = sim::SimStack::create(scenario(readMs));
        auto* control = new corvel::CorvelControl(corvel::createStackLink(stack));
        control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
        control->Release();
        sink = new EventSink(corvel::DIID__ICorvelEvents, [this](DISPID id, DISPPARAMS*) {
            if (id == corvel::EVENT_Value)
                ++values;
        });
        AdviseSink(d, corvel::DIID__ICorvelEvents, sink, &point, &cookie);
        call(corvel::DISPID_Connect, {Variant::fromUtf8("C47F51001001")});
        call(corvel::DISPID_Discover,
             {Variant::fromUtf8(""), Variant::fromUtf8(""), Variant::fromBool(true), Variant::fromUtf8("")});
    }
    ~Setup()
    {
        if (point) {
            point->Unadvise(cookie);
            point->Release();
        }
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

    std::shared_ptr<sim::SimStack> stack;
    IDispatch* d = nullptr;
    EventSink* sink = nullptr;
    IConnectionPoint* point = nullptr;
    uint32_t cookie = 0;
    long values = 0;
};

Variant S(const char* s) { return Variant::fromUtf8(s); }

void WriteWithResponse(benchmark::State& state)
{
    Setup s;
    const std::vector<Variant> args = {S("001000000000"), S("001000120000"), S(""), S("$zenu00!")};
    for (auto _ : state)
        if (FAILED(s.call(corvel::DISPID_WriteValue, args)))
            state.SkipWithError("WriteValue failed");
}
BENCHMARK(WriteWithResponse);

void Read(benchmark::State& state)
{
    Setup s;
    const std::vector<Variant> args = {S("001000000000"), S("001000120000"), S("")};
    for (auto _ : state)
        if (FAILED(s.call(corvel::DISPID_ReadValue, args)))
            state.SkipWithError("ReadValue failed");
}
BENCHMARK(Read);

// The same read awaited directly on the stack, without the control: the difference to Read
// is the control's share.
void ReadOnTheStackAlone(benchmark::State& state)
{
    auto stack = sim::SimStack::create(scenario(0));
    auto device = stack->fromBluetoothAddressAsync(kDevice);
    device->wait(std::chrono::seconds(2));
    auto services = device->getResults()->getGattServicesAsync(bt::CacheMode::Uncached);
    services->wait(std::chrono::seconds(2));
    auto chars = services->getResults().services[0]->getCharacteristicsAsync(bt::CacheMode::Uncached);
    chars->wait(std::chrono::seconds(2));
    auto c = chars->getResults().characteristics[0];
    for (auto _ : state) {
        auto op = c->readValueAsync(bt::CacheMode::Uncached);
        op->wait(std::chrono::seconds(2));
        benchmark::DoNotOptimize(op->getResults().value.size());
    }
}
BENCHMARK(ReadOnTheStackAlone);

// Notifications sent in batches of 100 from the stack, counted when the sink has had them.
void NotificationToSink(benchmark::State& state)
{
    Setup s;
    s.call(corvel::DISPID_Subscribe, {S("001000000000"), S("001000120000")});
    const bt::Bytes value(20, 'n');
    for (auto _ : state) {
        const long target = s.values + 100;
        for (int i = 0; i < 100; ++i)
            s.stack->sendValue(kDevice, 0x0012, value);
        while (s.values < target)
            s.call(corvel::DISPID_DoEvents, {});
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(NotificationToSink)->Unit(benchmark::kMicrosecond);

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// A read that takes 2 s: the processor time the whole process uses meanwhile.
void WaitTwoSecondsForASlowRead(benchmark::State& state)
{
    Setup s(2000);
    const std::vector<Variant> args = {S("001000000000"), S("001000120000"), S("")};
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        s.call(corvel::DISPID_ReadValue, args);
        wall += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        cpu += cpuMs() - c0;
    }
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
    state.counters["cpu_percent_of_a_core"] = 100.0 * cpu / wall;
}
BENCHMARK(WaitTwoSecondsForASlowRead)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
