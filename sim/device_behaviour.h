#pragma once
// Server-side logic behind a simulated device's GATT database (a gauge, for instance). The
// stack calls it on its worker thread with the stack locked, so it must not block; what has
// to happen later it schedules through the context.
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/bluetooth/bluetooth_types.h"

namespace zenu::sim {

using bluetooth::Bytes;

class DeviceContext {
public:
    virtual ~DeviceContext() = default;
    // Milliseconds since the stack started.
    virtual int64_t elapsedMs() const = 0;
    virtual void setValue(uint16_t handle, const Bytes& value) = 0;
    // Notifies or indicates the value as the client configured the characteristic (and
    // stores it); nothing is sent without a configuration or an open link.
    virtual void sendValue(uint16_t handle, const Bytes& value) = 0;
    virtual uint16_t clientConfig(uint16_t handle) const = 0;
    // Runs `work` after delayMs on the worker thread, with the stack locked again.
    virtual void after(int delayMs, std::function<void(DeviceContext&)> work) = 0;
    // The device leaves radio range once the current request has ended; back after forMs
    // (0: stays away until an Online event).
    virtual void goOffline(int forMs) = 0;
};

class DeviceBehaviour {
public:
    virtual ~DeviceBehaviour() = default;
    // A client wrote the attribute (after the stack's own checks). An ATT error code refuses
    // the write; nullopt accepts it and the stack stores the value.
    virtual std::optional<uint8_t> onWrite(DeviceContext& ctx, uint16_t handle, const Bytes& value,
                                           bool withResponse) = 0;
    // A client reads the attribute: the value to answer, or nullopt for the stored one.
    virtual std::optional<Bytes> onRead(DeviceContext& ctx, uint16_t handle) = 0;
    virtual void onClientConfig(DeviceContext& /*ctx*/, uint16_t /*handle*/, uint16_t /*value*/) {}
    virtual void onLink(DeviceContext& /*ctx*/, bool /*open*/) {}
};

}  // namespace zenu::sim
