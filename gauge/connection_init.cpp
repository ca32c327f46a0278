#include "gauge/connection_init.h"

#include <QDateTime>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "gauge/device_picture.h"
#include "gauge/device_profiles.h"
#include "gauge/gauge_commands.h"
#include "gauge/reply_parsing.h"
#include "platform/localefmt.h"
#include "platform/paths.h"
#include "platform/translog.h"

namespace zenu {
namespace {

// Firmware above this revision can send blank-separated reading lines ("$sdp?1!").
constexpr int64_t kLastFixedLayoutRevision = 831;

bool fail(ConnectionHost& host) {
    WriteLog(QStringLiteral("Initialisierung abgebrochen"));
    host.initialisationFailed(M(22));
    return false;
}

void logConnection() {
    WriteLog(QStringLiteral("Logdatei ") + platform::formatDateTime(QDateTime::currentDateTime()));
    WriteLog(QStringLiteral("App.Path = ") + ProgramFolder);
    WriteLog(QStringLiteral("AppDataPath = ") + AppDataPath);
    WriteLog(QStringLiteral("MessDataPath = ") + MessDataPath);
    WriteLog(QStringLiteral("Geraet: ") + DeviceCode + QStringLiteral("Geraetename: ") + DeviceName);
}

}  // namespace

bool Initialisierung(CommandTransport& transport, const WaitFunction& wait, ConnectionHost& host,
                     int timeoutMs) {
    host.showWaitMessage(M(13));
    BrandingVariant.clear();
    // What the gauge reports is set anew: a value the new gauge does not send must not be
    // the previous gauge's (its serial names the settings files).
    clearDeviceInformation();
    SerialNumber.clear();
    probeType.clear();
    deviceUnit.clear();
    BatteryVoltage = 0.0;

    if (!sendAndWait(transport, wait, commands::deviceInformation(), GaugeReply::DeviceInfoReply, timeoutMs))
        return fail(host);

    // Its reply is handled whenever it arrives; nothing waits for it.
    sendCommand(transport, commands::memoryChipInfo());

    host.placeReadingField(textDisplayLayout());

    const Identification id = identifyGauge(DeviceName, SerialNumber, BrandingVariant);
    if (id.matched) {
        DeviceCode = id.deviceCode;
        deviceKind = id.kind;
        host.showDeviceFrame(id.frame);
    }
    BrandingVariant = id.brandingVariant;
    host.showDeviceName(DeviceName);
    const DevicePicture picture = devicePictureFor(DeviceCode, BrandingVariant);
    if (!picture.file.isEmpty()) host.showDevicePicture(picture);
    host.applyBranding(BrandingVariant);
    const QString profile = deviceProfileFor(DeviceCode);
    if (!profile.isEmpty()) DeviceProfile = profile;

    logConnection();

    firmwareFlag = 0;
    if (profileChar(1) == QLatin1Char('5')) {
        if (!sendAndWait(transport, wait, commands::probeInformation(), GaugeReply::ProbeInfoReply, timeoutMs))
            return fail(host);
        if (replies::leadingWhole(DeviceInfo.deviceRevision) > kLastFixedLayoutRevision) {
            if (!sendAndWait(transport, wait, commands::dataProtocol1(), GaugeReply::DataProtocol, timeoutMs))
                return fail(host);
            firmwareFlag = 1;
        }
    }

    host.applyProfile(profileEffects(DeviceProfile));

    host.prepareReadingView();
    onlineCounter = 1;
    for (int table = kTableMemory; table <= kTableOnline; ++table) ClearReadingTable(table);
    currentTable = kTableOnline;
    readingIndex = 1;
    host.readingTablesCleared();

    host.clearClipboard();

    host.loadSettings(QStringLiteral("SL"));
    host.loadSettings(QStringLiteral("TL"));
    host.startKeyboardEventTarget();

    host.showCommandFrames();

    if (sendAndWait(transport, wait, commands::batteryVoltage(), GaugeReply::Battery, timeoutMs))
        host.showBattery(batterySymbolFor(profileChar(1), BatteryVoltage));
    return true;
}

}  // namespace zenu
