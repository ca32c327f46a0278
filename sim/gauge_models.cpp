#include <cstdio>

#include "sim/gauge_def.h"

namespace zenu::sim {

namespace {

// Names carry the markers the program identifies models by and a word its device list
// accepts. Family "5" batteries are Li-ion cells (3.5 V to 4.3 V), family "4" AA cells.
const GaugeModelInfo kModels[] = {
    {GaugeModel::QX, "QX", "OKTA QX 20", '5', "SM", "ym", "ym", 1, 840, "QX20", 4.05, "F1", "FE", 0},
    {GaugeModel::KV4, "KV4", "KV-4 Probe", '5', "FM", "A/cm", "A/cm", 2, 820, "KV4", 3.95, "H1", "DC", 4},
    {GaugeModel::KV6, "KV6", "KV6000", '5', "FM", "mT", "uT", 3, 845, "KV6", 4.10, "H6", "DC", 4},
    {GaugeModel::KV8, "KV8", "KV-8 Field", '4', "FM", "A/cm", "A/cm", 2, 512, "8", 1.45, "", "AC", 5},
    {GaugeModel::WB1, "WB1", "FE 370", '4', "FC", "FN", "FN", 1, 505, "37", 1.35, "", "FC", 10},
    {GaugeModel::WB2, "WB2", "FE 470", '5', "FC", "FN", "FN", 1, 850, "47", 4.20, "W4", "FC", 10},
    {GaugeModel::JZ, "JZ", ".Razod 2", '5', "PM", "ur", "ur", 3, 830, "JZ", 3.70, "R2", "PM", 8},
    {GaugeModel::XK, "XK", "FLUX XK", '5', "MF", "mVs", "mVs", 3, 820, "XK", 3.90, "X1", "FLX", 12},
    {GaugeModel::VQB, "VQB", "VTP 2000", '4', "SM", "ym", "ym", 1, 512, "1", 1.30, "", "FE", 0},
};

}  // namespace

const GaugeModelInfo& modelInfo(GaugeModel model) {
    for (const auto& m : kModels)
        if (m.model == model) return m;
    return kModels[0];
}

std::optional<int> methodBitsFromName(const std::string& name) {
    static const char* const names[16] = {"FE", "NF", "DFE", "DNF", "DC", "AC", "PDC", "PAC",
                                          "PM", "PFP", "FC", "",   "FLX", "FLN", "FLM", "FLD"};
    for (int i = 0; i < 16; ++i)
        if (!name.empty() && name == names[i]) return i;
    return std::nullopt;
}

std::optional<GaugeModel> modelFromCode(const std::string& code) {
    for (const auto& m : kModels)
        if (code == m.code) return m.model;
    return std::nullopt;
}

GaugeDef resolvedGauge(const GaugeDef& def, uint64_t address) {
    const GaugeModelInfo& info = modelInfo(def.model);
    GaugeDef g = def;
    if (g.name.empty()) g.name = info.name;
    if (g.firmware < 0) g.firmware = info.firmware;
    if (g.deviceType.empty()) g.deviceType = info.deviceType;
    if (g.unit.empty()) g.unit = info.unit;
    if (g.readingUnit.empty()) g.readingUnit = info.readingUnit;
    if (g.decimals < 0) g.decimals = info.decimals;
    if (g.probeType.empty()) g.probeType = info.probeType;
    if (g.battery < 0) g.battery = info.battery;
    if (g.mac.empty()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%012llX", static_cast<unsigned long long>(address & 0xFFFFFFFFFFFFULL));
        g.mac = buf;
    }
    if (g.listPieceSize < 1) g.listPieceSize = 1;
    return g;
}

}  // namespace zenu::sim
