#pragma once
// Scenario files (JSON, described with examples in docs/simulator.md).
#include <optional>
#include <string>

#include "sim/scenario.h"

namespace zenu::sim {

// The scenario, or nullopt with the first problem ("devices[0].gatt.services[1].uuid: ...").
std::optional<Scenario> parseScenario(const std::string& json, std::string* error);

}  // namespace zenu::sim
