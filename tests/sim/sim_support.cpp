#include "sim_test_support.h"

namespace simtest {

Scenario basicScenario() {
    Scenario s;
    s.latency.connect = 1;
    s.latency.unreachable = 20;
    DeviceDef d;
    d.address = kDevice;
    d.name = "Thermo 1";
    d.advertising.data.serviceUuids = {Guid::sig(0x180F)};
    d.advertising.data.txPower = -4;
    d.advertising.intervalMs = 20;

    ServiceDef battery;
    battery.handle = 0x0010;
    battery.uuid = Guid::sig(0x180F);
    CharacteristicDef level;
    level.handle = 0x0012;
    level.uuid = Guid::sig(0x2A19);
    level.properties = properties::kRead | properties::kNotify;
    level.value = {0x64};
    level.formats.push_back(PresentationFormat{0x04, 0, 0x27AD, 1, 0});
    battery.characteristics.push_back(level);

    ServiceDef custom;
    custom.handle = 0x0020;
    custom.uuid = *Guid::parse("0000FFE0-0000-1000-8000-00805F9B34FB");
    custom.includes = {0x0030};
    CharacteristicDef rw;
    rw.handle = 0x0022;
    rw.uuid = Guid::sig(0xFFE1);
    rw.properties = properties::kRead | properties::kWrite | properties::kWriteWithoutResponse;
    rw.value = bytes("hello");
    CharacteristicDef ind;
    ind.handle = 0x0025;
    ind.uuid = Guid::sig(0xFFE2);
    ind.properties = properties::kIndicate;
    CharacteristicDef aux;
    aux.handle = 0x0028;
    aux.uuid = Guid::sig(0xFFE3);
    aux.properties = properties::kRead | properties::kWritableAuxiliaries | properties::kReliableWrites;
    aux.userDescription = "Setpoint";
    custom.characteristics = {rw, ind, aux};

    ServiceDef secondary;
    secondary.handle = 0x0030;
    secondary.uuid = Guid::sig(0xFFF0);
    secondary.primary = false;
    CharacteristicDef inner;
    inner.handle = 0x0032;
    inner.uuid = Guid::sig(0xFFF1);
    inner.properties = properties::kRead;
    inner.value = {1, 2, 3};
    secondary.characteristics = {inner};

    d.gatt.services = {battery, custom, secondary};
    s.devices.push_back(d);
    return s;
}

std::shared_ptr<SimStack> makeStack(Scenario s) {
    std::string error;
    auto stack = SimStack::create(std::move(s), &error);
    EXPECT_TRUE(stack) << error;
    return stack;
}

std::shared_ptr<Device> connect(SimStack& stack, uint64_t address) {
    auto device = await(stack.fromBluetoothAddressAsync(address));
    EXPECT_TRUE(device);
    return device;
}

std::shared_ptr<GattService> serviceByHandle(Device& device, uint16_t handle) {
    auto result = await(device.getGattServicesAsync(CacheMode::Uncached));
    for (const auto& s : result.services)
        if (s->attributeHandle() == handle) return s;
    // Secondary services are reached through the services that include them.
    for (const auto& s : result.services)
        for (const auto& inc : await(s->getIncludedServicesAsync(CacheMode::Uncached)).services)
            if (inc->attributeHandle() == handle) return inc;
    ADD_FAILURE() << "no service " << handle;
    return nullptr;
}

std::shared_ptr<GattCharacteristic> characteristicByHandle(Device& device, uint16_t service, uint16_t handle) {
    auto s = serviceByHandle(device, service);
    if (!s) return nullptr;
    for (const auto& c : await(s->getCharacteristicsAsync(CacheMode::Uncached)).characteristics)
        if (c->attributeHandle() == handle) return c;
    ADD_FAILURE() << "no characteristic " << handle;
    return nullptr;
}

}  // namespace simtest
