#include "gauge/identification.h"

#include <array>

#include "gauge/reply_parsing.h"

namespace zenu {
namespace {

enum class FrameKind { ShownQX, ShownKV, ShownWB, Shown, Hidden };

struct MarkerRow {
    const char* marker;
    const char* secondMarker;  // both must occur, or nullptr
    const char* code;
    const char* kind;
    FrameKind frame;
    const char* branding;  // nullptr: the row leaves the branding as it is
};

// In this order. "Vrox" or "VROX" is two rows with the same effect.
constexpr std::array<MarkerRow, 17> kMarkers{{
    {"QX", nullptr, "QX", "SM", FrameKind::ShownQX, nullptr},
    {"KESTA", "Lab", "QX", "SM", FrameKind::ShownQX, "BrandA"},
    {"OKTA", nullptr, "QX", "SM", FrameKind::Shown, nullptr},
    {"470", nullptr, "WB2", "FC", FrameKind::ShownWB, nullptr},
    {"Razod", nullptr, "JZ", "PM", FrameKind::Shown, nullptr},
    {"PERM", nullptr, "JZ", "PM", FrameKind::Shown, "BrandB"},
    {"KV-4", nullptr, "KV4", "FM", FrameKind::ShownKV, nullptr},
    {"FLUX", nullptr, "XK", "MF", FrameKind::Hidden, nullptr},
    {"KV6000", nullptr, "KV6", "FM", FrameKind::Hidden, nullptr},
    {"KV-8", nullptr, "KV8", "FM", FrameKind::Hidden, nullptr},
    {"Vrox", nullptr, "KV8", "FM", FrameKind::Hidden, "BrandC"},
    {"VROX", nullptr, "KV8", "FM", FrameKind::Hidden, "BrandC"},
    {"370", nullptr, "WB1", "FC", FrameKind::Hidden, nullptr},
    {"VTP", nullptr, "VQB", "SM", FrameKind::Hidden, nullptr},
    {"LINE", "KESTA", "VQB", "SM", FrameKind::Hidden, "BrandA"},
    {"ORBIS", nullptr, "VQB", "SM", FrameKind::Hidden, "BrandD"},
    {"Thickness", nullptr, "VQB", "SM", FrameKind::Hidden, "BrandE"},
}};

DeviceFrame frameFor(FrameKind kind) {
    switch (kind) {
    case FrameKind::ShownQX: return {true, kFrameColourQX};
    case FrameKind::ShownKV: return {true, kFrameColourKV};
    case FrameKind::ShownWB: return {true, kFrameColourWB};
    case FrameKind::Shown: return {true, std::nullopt};
    case FrameKind::Hidden: break;
    }
    return {false, std::nullopt};
}

}  // namespace

bool isBrandASerial(const QString& serialNumber) {
    const double value = replies::leadingNumber(serialNumber.trimmed());
    return value >= 7000 && value <= 7999;
}

Identification identifyGauge(const QString& deviceName, const QString& serialNumber,
                             const QString& currentBranding) {
    Identification id;
    id.brandingVariant = currentBranding;
    for (const MarkerRow& row : kMarkers) {
        if (!deviceName.contains(QLatin1String(row.marker))) continue;
        if (row.secondMarker && !deviceName.contains(QLatin1String(row.secondMarker))) continue;
        id.matched = true;
        id.deviceCode = QLatin1String(row.code);
        id.kind = QLatin1String(row.kind);
        const DeviceFrame frame = frameFor(row.frame);
        id.frame.shown = frame.shown;
        if (frame.colour) id.frame.colour = frame.colour;
        if (row.branding) id.brandingVariant = QLatin1String(row.branding);
    }
    if (isBrandASerial(serialNumber)) id.brandingVariant = QStringLiteral("BrandA");
    return id;
}

}  // namespace zenu
