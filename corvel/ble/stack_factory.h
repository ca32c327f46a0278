#pragma once
// Picks the Bluetooth stack from CORVEL_BLUETOOTH: "sim:PATH" is the simulated stack of the
// scenario file PATH, "bluez" or nothing is BlueZ. A choice that cannot be honoured (unknown
// value, unreadable or invalid scenario) gives the BlueZ stack, which has no adapter, so the
// control fails as on a machine without Bluetooth; `problem` then says why.
#include <memory>
#include <string>
#include <string_view>

#include "platform/bluetooth/bluetooth_stack.h"

namespace zenu::bluetooth {

inline constexpr const char* kStackVariable = "CORVEL_BLUETOOTH";

std::shared_ptr<BluetoothStack> createBluetoothStack(std::string* problem = nullptr);
std::shared_ptr<BluetoothStack> createBluetoothStack(std::string_view selection, std::string* problem);

}  // namespace zenu::bluetooth
