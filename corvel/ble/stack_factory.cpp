#include "corvel/ble/stack_factory.h"

#include <cstdlib>

#include "platform/bluetooth/bluez_stack.h"
#include "sim/sim_stack.h"

namespace corvel {

namespace bt = zenu::bluetooth;

std::shared_ptr<bt::BluetoothStack> createBluetoothStack(std::string* problem)
{
    const char* value = std::getenv(kStackVariable);
    return createBluetoothStack(value ? std::string_view(value) : std::string_view(), problem);
}

std::shared_ptr<bt::BluetoothStack> createBluetoothStack(std::string_view selection, std::string* problem)
{
    if (problem)
        problem->clear();
    if (selection.starts_with("sim:")) {
        std::string error;
        auto stack = zenu::sim::SimStack::fromFile(std::string(selection.substr(4)), &error);
        if (stack)
            return stack;
        if (problem)
            *problem = error;
        return std::make_shared<bt::BluezStack>();
    }
    if (!selection.empty() && selection != "bluez" && problem)
        *problem = std::string(kStackVariable) + " has the unknown value \"" + std::string(selection) +
                   "\"; expected \"bluez\" or \"sim:PATH\".";
    return std::make_shared<bt::BluezStack>();
}

} // namespace corvel
