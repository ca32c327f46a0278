// Simulator scenario files: the JSON text is read, then each device is built as the
// simulated stack builds it (the gauge's GATT layout, the GATT database, the gauge behind it
// and the advertisements), without starting the stack's thread.
#include <string>

#include "sim/advertising_payload.h"
#include "sim/gatt_database.h"
#include "sim/gauge_device.h"
#include "sim/gauge_gatt.h"
#include "sim/scenario_json.h"

using namespace zenu::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const auto scenario = parseScenario(std::string(reinterpret_cast<const char*>(data), size), &error);
    if (!scenario) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    for (const DeviceDef& def : scenario->devices) {
        std::vector<ServiceDef> services;
        std::optional<GaugeDef> gauge;
        if (def.gauge) {
            gauge = resolvedGauge(*def.gauge, def.address);
            services = gaugeServices(*gauge);
        }
        services.insert(services.end(), def.gatt.services.begin(), def.gatt.services.end());
        GattDatabase db;
        std::string why;
        if (!db.build(std::move(services), &why)) {
            if (why.empty()) __builtin_trap();
            continue;
        }
        if (gauge) makeGaugeBehaviour(*gauge, db);
        buildAdvertisement(def.advertising.data, def.advertising.data.name.value_or(def.name));
        if (def.advertising.scanResponse)
            buildAdvertisement(*def.advertising.scanResponse, def.advertising.scanResponse->name.value_or(""));
    }
    return 0;
}
