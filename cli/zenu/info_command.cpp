// zenu-cli info: connects to a gauge and prints what the connection initialisation learnt
// about it, one key and value a line.
#include <QCommandLineParser>

#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_connection.h"
#include "data/gauge_identity.h"
#include "data/units.h"
#include "gauge/handshake_state.h"

namespace zenu::cli {
namespace {

constexpr const char* kName = "zenu-cli info: ";

}  // namespace

int runInfo(const QStringList& args, CliIo& io) {
    if (printHelpIfAsked(args, "info", io)) return kExitOk;
    QCommandLineParser parser;
    LinkOptions options;
    QString serverId;
    if (const int status = parseGaugeArguments(parser, args, 1, io, kName, options, serverId)) return status;

    GaugeConnection link(options, io, kName);
    if (const int status = link.connect(serverId)) return status;

    const QString battery = BatteryVoltage != 0.0 ? QString::number(BatteryVoltage, 'f', 2) : QString();
    const std::pair<const char*, QString> values[] = {
        {"model", DeviceCode},
        {"name", DeviceName.trimmed()},
        {"serial", SerialNumber.trimmed()},
        {"family", profileChar(1) == QLatin1Char(' ') ? QString() : QString(profileChar(1))},
        {"unit", NormalizeUnit(deviceUnit)},
        {"firmware-flag", QString::number(firmwareFlag)},
        {"device-type", DeviceInfo.deviceType},
        {"software", DeviceInfo.deviceRevision},
        {"hardware", DeviceInfo.hardwareInfo},
        {"mac", DeviceInfo.macAddress},
        {"probe-type", probeType},
        {"probe-revision", DeviceInfo.probeRevision},
        {"probe-serial", DeviceInfo.probeSerial},
        {"memory-chip", DeviceInfo.memoryChip},
        {"battery", battery},
    };
    for (const auto& [key, value] : values) io.out << key << '\t' << value << '\n';
    io.out.flush();
    return kExitOk;
}

}  // namespace zenu::cli
