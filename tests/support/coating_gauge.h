#pragma once
// The gauge most tests of tables and exports read from: a coating-thickness gauge of family "5"
// with dates, as the connection leaves it.
#include <QString>

#include "data/gauge_identity.h"

namespace zenu::testing {

inline const QString kMicrometre = QString::fromUtf8("µm");

inline void useCoatingGauge(const QString& serial = QStringLiteral("12345")) {
    DeviceCode = QStringLiteral("QX");
    DeviceProfile = QStringLiteral("5LE2+-2");
    deviceKind = QStringLiteral("SM");
    deviceUnit = kMicrometre;
    SerialNumber = serial;
}

}  // namespace zenu::testing
