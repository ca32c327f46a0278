#pragma once
// The readers of the parts of a scenario file, shared by scenario_json*.cpp and
// gauge_json.cpp.
#include <string>
#include <vector>

#include "sim/json_reader.h"
#include "sim/scenario.h"

namespace zenu::sim {

Latency readLatency(JsonReader& r, const QJsonValue& v, const std::string& path);
ErrorMap readErrors(JsonReader& r, const QJsonValue& v, const std::string& path);
std::vector<ServiceDef> readServices(JsonReader& r, const QJsonValue& v, const std::string& path);
GaugeDef readGauge(JsonReader& r, const QJsonValue& v, const std::string& path);

}  // namespace zenu::sim
