#pragma once
// Which gauge model we are talking to, from its advertised name and its serial number.
#include <QString>
#include <optional>

#include "data/rgb.h"

namespace zenu {

// Frame colours behind the device picture.
inline constexpr Rgb kFrameColourQX{32, 157, 188};
inline constexpr Rgb kFrameColourKV{214, 61, 61};
inline constexpr Rgb kFrameColourWB{234, 240, 67};

// The coloured panel frmPic behind the device picture.
struct DeviceFrame {
    bool shown = false;
    std::optional<Rgb> colour;  // none: keep the colour it has
    friend bool operator==(const DeviceFrame&, const DeviceFrame&) = default;
};

struct Identification {
    bool matched = false;  // some marker was found; otherwise keep the earlier gauge's values
    QString deviceCode;
    QString kind;
    DeviceFrame frame;
    QString brandingVariant;  // as chosen by the name and the serial number
};

// Searches the name for every model marker in turn, case-sensitively (a row with two markers
// needs both; later matches overwrite earlier ones, a row without a branding keeps the one an
// earlier row chose), then applies the serial-number rule: serials whose value is 7000 to 7999
// are BrandA gauges whatever their name. `brandingVariant` starts from `currentBranding`.
Identification identifyGauge(const QString& deviceName, const QString& serialNumber,
                             const QString& currentBranding = QString());

// The serial-number rule alone.
bool isBrandASerial(const QString& serialNumber);

}  // namespace zenu
