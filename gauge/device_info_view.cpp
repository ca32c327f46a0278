#include "gauge/device_info_view.h"

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "gauge/value_handler.h"

namespace zenu {

namespace {
const QString kSlashSnr = QStringLiteral("/SNR");
const QString kSeparator = QStringLiteral(" / ");
}  // namespace

DeviceInfoSource currentDeviceInfoSource() {
    return {profileChar(1), DeviceName, SerialNumber, probeType, DeviceInfo, memoryChipDisplayText()};
}

DeviceInfoTexts deviceInfoTexts(const DeviceInfoSource& s) {
    DeviceInfoTexts t;
    // Computed afresh on every activation, so "/SNR" never piles up on the labels.
    t.lblGeraet = M(43) + kSlashSnr;
    t.lblGeraetSoft = M(44);
    t.lblSondentyp = M(74);
    t.lblSondenversion = M(84);
    t.txtPCSoft = QLatin1StringView(kVersionText);
    t.txtMacAdr = s.info.macAddress;
    t.txtFlashbaustein = s.memoryChipText;

    if (s.family != QLatin1Char('4')) {
        t.txtGeraet = s.deviceName + kSeparator + s.serialNumber;
        t.txtGeraeteSoft = s.info.deviceRevision;
        t.txtSondenversion = s.info.probeRevision;
        t.lblSondentyp += kSlashSnr;
        t.txtSondentyp = s.probeType + kSeparator + s.info.probeSerial;
        return t;
    }

    QString name = s.deviceName;
    if (name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
    if (s.info.deviceType == QLatin1String("3"))
        t.txtGeraet = QStringLiteral("VELTOR DUAL") + kSeparator + s.serialNumber;
    else if (s.info.deviceType == QLatin1String("1"))
        t.txtGeraet = QStringLiteral("VELTOR Razod") + kSeparator + s.serialNumber;
    else
        t.txtGeraet = name;
    t.txtGeraeteSoft = s.info.version1.isEmpty() ? s.info.deviceRevision
                                                 : s.info.deviceRevision + QLatin1Char('/') + s.info.version2;
    t.txtSondentyp = s.info.deviceType;
    return t;
}

}  // namespace zenu
