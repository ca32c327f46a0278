#pragma once
// What the program knows about the connected gauge. Set by the connection initialisation
// (gauge protocol) and read by decoding, statistics, reports and windows. These keep their
// values after a disconnection until the next connection initialisation sets them anew.
#include <QString>

namespace zenu {

extern QString DeviceName;       // advertised name of the chosen gauge
extern QString DeviceAddress;    // its Bluetooth address (server id)
extern QString SerialNumber;     // "S" of the device-information reply (unsafe for file names as is)
extern QString DeviceCode;       // QX, KV4, KV6, KV8, WB1, WB2, JZ, XK, VQB or ""
extern QString deviceKind;       // SM, FM, PM, FC, MF or ""
extern QString deviceUnit;       // normalised unit of incoming readings ("U")
extern QString DeviceProfile;    // seven one-character flags, see profileChar()
extern QString BrandingVariant;  // "", "BrandA" .. "BrandE"
extern QString probeType;        // "T" of the probe-information reply
extern int firmwareFlag;         // 1 once the gauge sends blank-separated reading lines

// Character n (1-based) of DeviceProfile, or a blank when the profile is shorter.
QChar profileChar(int n);

// Back to the state before any connection.
void resetGaugeIdentity();

}  // namespace zenu
