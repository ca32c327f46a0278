#pragma once
// Picks the Bluetooth stack of the control from CORVEL_BLUETOOTH: "sim:PATH" is the simulated
// stack of the scenario file PATH, "bluez" or nothing is BlueZ. A choice that cannot be
// honoured (unknown value, unreadable or invalid scenario) gives the BlueZ stack; `problem`
// then says why.
#include <memory>
#include <string>
#include <string_view>

#include "platform/bluetooth/bluetooth_stack.h"

namespace corvel {

inline constexpr const char* kStackVariable = "CORVEL_BLUETOOTH";

std::shared_ptr<zenu::bluetooth::BluetoothStack> createBluetoothStack(std::string* problem = nullptr);
std::shared_ptr<zenu::bluetooth::BluetoothStack> createBluetoothStack(std::string_view selection,
                                                                      std::string* problem);

} // namespace corvel
