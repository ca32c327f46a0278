// Late-bound calls and conversions of the control, measured in-process.
#include "corvel/com/corvel_control.h"
#include "corvel/com/corvel_ids.h"
#include "corvel/core/codepage.h"
#include "corvel/sig/sig_names.h"
#include "corvel/sig/uuid.h"
#include "platform/com/host_site.h"

#include <benchmark/benchmark.h>

namespace {

IDispatch* newControl()
{
    auto* control = new corvel::CorvelControl();
    IDispatch* d = nullptr;
    control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
    control->Release();
    return d;
}

void PropertyGet(benchmark::State& state)
{
    IDispatch* d = newControl();
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    for (auto _ : state) {
        Variant r;
        d->Invoke(23, IID_NULL, 0x400, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr);
        benchmark::DoNotOptimize(r.iVal);
    }
    d->Release();
}
BENCHMARK(PropertyGet);

void ConfigQuery(benchmark::State& state)
{
    IDispatch* d = newControl();
    Variant arg = Variant::fromUtf8("IgnoreOtherWindowEvents");
    DISPPARAMS one{&arg, nullptr, 1, 0};
    for (auto _ : state) {
        Variant r;
        d->Invoke(503, IID_NULL, 0x400, DISPATCH_METHOD, &one, &r, nullptr, nullptr);
        benchmark::DoNotOptimize(r.bstrVal);
    }
    d->Release();
}
BENCHMARK(ConfigQuery);

void EventToOneSink(benchmark::State& state)
{
    auto* control = new corvel::CorvelControl();
    auto* sink = new EventSink(corvel::DIID__ICorvelEvents,
                               [](DISPID, DISPPARAMS* p) { benchmark::DoNotOptimize(p->cArgs); });
    IConnectionPoint* point = nullptr;
    uint32_t cookie = 0;
    AdviseSink(static_cast<IDispatch*>(control), corvel::DIID__ICorvelEvents, sink, &point, &cookie);
    const std::string value(20, 'x');
    for (auto _ : state)
        control->onValue("001000000000", "001000120000", "", "00002A19-0000-1000-8000-00805F9B34FB",
                         "Battery Level", value);
    if (point) {
        point->Unadvise(cookie);
        point->Release();
    }
    sink->Release();
    control->Release();
}
BENCHMARK(EventToOneSink);

void EncodeDecode(benchmark::State& state)
{
    const int page = static_cast<int>(state.range(0));
    const std::u16string text = u"12.34 \u00B5m;FE;0001";
    for (auto _ : state) {
        const std::string bytes = corvel::encodeText(page, text);
        benchmark::DoNotOptimize(corvel::decodeText(page, bytes));
    }
}
BENCHMARK(EncodeDecode)->Arg(65001)->Arg(1252);

void UuidAndName(benchmark::State& state)
{
    for (auto _ : state) {
        const corvel::Result<corvel::Uuid> u = corvel::parseUuid("0x2ADA");
        benchmark::DoNotOptimize(corvel::sigName(corvel::SigKind::Characteristic, u.value));
    }
}
BENCHMARK(UuidAndName);

} // namespace

BENCHMARK_MAIN();
