#include "data/gauge_identity.h"

namespace zenu {

QString DeviceName;
QString DeviceAddress;
QString SerialNumber;
QString DeviceCode;
QString deviceKind;
QString deviceUnit;
QString DeviceProfile;
QString BrandingVariant;
QString probeType;
int firmwareFlag = 0;

QChar profileChar(int n) {
    if (n < 1 || n > DeviceProfile.size()) return QLatin1Char(' ');
    return DeviceProfile.at(n - 1);
}

void resetGaugeIdentity() {
    DeviceName.clear();
    DeviceAddress.clear();
    SerialNumber.clear();
    DeviceCode.clear();
    deviceKind.clear();
    deviceUnit.clear();
    DeviceProfile.clear();
    BrandingVariant.clear();
    probeType.clear();
    firmwareFlag = 0;
}

}  // namespace zenu
