#pragma once
// The texts of the information window, computed from what the gauge reported during the
// connection initialisation. Free of widgets so that both protocol families can be checked
// without a window.
#include <QChar>
#include <QString>

#include "gauge/handshake_state.h"

namespace zenu {

struct DeviceInfoTexts {
    QString lblGeraet;
    QString txtGeraet;
    QString lblGeraetSoft;
    QString txtGeraeteSoft;
    QString txtPCSoft;
    QString txtMacAdr;
    QString lblSondentyp;
    QString txtSondentyp;
    QString lblSondenversion;
    QString txtSondenversion;
    QString txtFlashbaustein;
};

// What the information window needs to know of the gauge.
struct DeviceInfoSource {
    QChar family;  // protocol family, profile field 1
    QString deviceName;
    QString serialNumber;
    QString probeType;
    DeviceInformation info;
    QString memoryChipText;  // as memoryChipDisplayText() gives it
};

// The source from the program's gauge identity and handshake state.
DeviceInfoSource currentDeviceInfoSource();

// The texts for the current LanguageIndex. The name's leading "." is dropped here only, for the
// display: DeviceName itself keeps it (model identification and the reconnect caption use it).
DeviceInfoTexts deviceInfoTexts(const DeviceInfoSource& source);

}  // namespace zenu
