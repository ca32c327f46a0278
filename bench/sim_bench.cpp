// Round trips through the simulated stack with every latency at zero: a write with response,
// an uncached read, and a notification from the device to a handler.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "sim/sim_stack.h"

namespace {

using namespace zenu::bluetooth;
using namespace zenu::sim;

constexpr uint64_t kAddress = 0xC47F51001001;

struct Rig {
    std::shared_ptr<SimStack> stack;
    std::shared_ptr<Device> device;
    std::shared_ptr<GattCharacteristic> characteristic;

    Rig() {
        Scenario s;
        Latency zero;
        zero.connect = zero.discovery = zero.read = zero.write = zero.cccd = zero.notify = zero.device = 0;
        s.latency = zero;
        DeviceDef d;
        d.address = kAddress;
        d.name = "Bench";
        ServiceDef svc;
        svc.handle = 0x0010;
        svc.uuid = Guid::sig(0xFFE0);
        CharacteristicDef c;
        c.handle = 0x0012;
        c.uuid = Guid::sig(0xFFE1);
        c.properties = properties::kRead | properties::kWrite | properties::kNotify;
        c.value = Bytes(20, 0x41);
        svc.characteristics.push_back(c);
        d.gatt.services.push_back(svc);
        s.devices.push_back(d);
        stack = SimStack::create(s);
        auto op = stack->fromBluetoothAddressAsync(kAddress);
        op->wait(std::chrono::seconds(2));
        device = op->getResults();
        auto services = device->getGattServicesAsync(CacheMode::Uncached);
        services->wait(std::chrono::seconds(2));
        auto chars = services->getResults().services.at(0)->getCharacteristicsAsync(CacheMode::Uncached);
        chars->wait(std::chrono::seconds(2));
        characteristic = chars->getResults().characteristics.at(0);
    }
};

void StackWriteWithResponse(benchmark::State& state) {
    Rig rig;
    const Bytes value(20, 0x42);
    for (auto _ : state) {
        auto op = rig.characteristic->writeValueWithResultAsync(value, WriteOption::WriteWithResponse);
        op->wait(std::chrono::seconds(2));
        benchmark::DoNotOptimize(op->getResults().status);
    }
}
BENCHMARK(StackWriteWithResponse)->UseRealTime();

void StackReadUncached(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        auto op = rig.characteristic->readValueAsync(CacheMode::Uncached);
        op->wait(std::chrono::seconds(2));
        benchmark::DoNotOptimize(op->getResults().value.size());
    }
}
BENCHMARK(StackReadUncached)->UseRealTime();

void StackNotificationToHandler(benchmark::State& state) {
    Rig rig;
    auto cccd = rig.characteristic->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::Notify);
    cccd->wait(std::chrono::seconds(2));
    std::mutex m;
    std::condition_variable cv;
    int64_t received = 0;
    rig.characteristic->valueChanged.add([&](const ValueChangedArgs&) {
        {
            std::lock_guard lock(m);
            ++received;
        }
        cv.notify_one();
    });
    const Bytes value(20, 0x43);
    int64_t sent = 0;
    for (auto _ : state) {
        rig.stack->sendValue(kAddress, 0x0012, value);
        ++sent;
        std::unique_lock lock(m);
        cv.wait_for(lock, std::chrono::seconds(2), [&] { return received >= sent; });
    }
}
BENCHMARK(StackNotificationToHandler)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
