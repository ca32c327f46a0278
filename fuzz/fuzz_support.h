#pragma once
// Shared by the fuzz targets: a fresh program state per input and the gauge models to pick.
#include <QLocale>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/reading_sink.h"
#include "data/units.h"
#include "gauge/device_profiles.h"
#include "gauge/handshake_state.h"
#include "platform/localefmt.h"

namespace zenu::fuzz {

inline const char* const kModels[] = {"", "QX", "KV4", "KV6", "KV8", "WB1", "WB2", "JZ", "XK", "VQB"};
inline const char* const kUnits[] = {"", "µm", "mils", "mT", "µT", "A/cm", "kA/m", "mG", "G", "µr", "FN", "Fe%",
                                     "mVs", "µVs/n", "µWb·cm", "mWb/n", "A/m", "Oe"};

// Byte b picks the model, the display unit, the firmware flag and the locale.
inline void setUpGauge(uint8_t b, uint8_t unit) {
    resetHandshakeState();
    resetGaugeIdentity();
    const char* code = kModels[b % (sizeof(kModels) / sizeof(*kModels))];
    DeviceCode = QString::fromLatin1(code);
    DeviceProfile = deviceProfileFor(DeviceCode);
    deviceKind = deviceKindFor(DeviceCode);
    deviceUnit = QString::fromUtf8(kUnits[unit % (sizeof(kUnits) / sizeof(*kUnits))]);
    firmwareFlag = (b >> 4) & 1;
    if (b & 0x40) probeType = QStringLiteral("1");
    static const QLocale german(QLocale::German, QLocale::Germany);
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    QLocale::setDefault((b & 0x20) ? german : english);
    platform::initLocale();
    LanguageIndex = (b & 0x20) ? kLanguageGerman : kLanguageEnglish;
    fluxSourceUnit.clear();
    currentTable = (b & 0x80) ? kTableOnline : kTableMemory;
    readingIndex = 1;
    onlineCounter = 1;
}

class QuietSink : public ReadingSink {
public:
    void AddReadingRow() override { Tables.at(currentTable, readingIndex); }
    void FillMSFlexOne() override { Tables.count(currentTable); }
};

}  // namespace zenu::fuzz
