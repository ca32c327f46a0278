#include "cli/zenu/gauge_options.h"

#include "data/gauge_identity.h"
#include "data/units.h"
#include "gauge/device_profiles.h"

namespace zenu::cli {
namespace {

const QString kModel = QStringLiteral("model");
const QString kUnit = QStringLiteral("unit");
const QString kFirmware = QStringLiteral("firmware-flag");

}  // namespace

void addGaugeOptions(QCommandLineParser& parser) {
    parser.addOption({kModel, QStringLiteral("Device code of the gauge (QX, KV4, KV6, KV8, WB1, WB2, JZ, XK, VQB)."),
                      QStringLiteral("CODE")});
    parser.addOption({kUnit, QStringLiteral("The gauge's display unit (its \"U\")."), QStringLiteral("U")});
    parser.addOption({kFirmware, QStringLiteral("1 when the gauge sends data protocol 1."), QStringLiteral("0|1"),
                      QStringLiteral("0")});
}

bool parseArguments(QCommandLineParser& parser, const QStringList& args, QString* error) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{QStringLiteral("zenu-cli")} + args)) {
        *error = parser.errorText();
        return false;
    }
    return true;
}

bool applyGaugeOptions(const QCommandLineParser& parser, QString* error) {
    resetGaugeIdentity();
    if (!parser.isSet(kModel)) {
        *error = QStringLiteral("--model CODE is required");
        return false;
    }
    const QString code = parser.value(kModel).trimmed().toUpper();
    const QString profile = deviceProfileFor(code);
    if (code.isEmpty() || profile.isEmpty() || code.size() > 3) {
        *error = QStringLiteral("unknown model \"%1\" (QX, KV4, KV6, KV8, WB1, WB2, JZ, XK, VQB)").arg(code);
        return false;
    }
    const QString flag = parser.value(kFirmware).trimmed();
    if (flag != QLatin1String("0") && flag != QLatin1String("1")) {
        *error = QStringLiteral("--firmware-flag must be 0 or 1, not \"%1\"").arg(flag);
        return false;
    }
    DeviceCode = code;
    DeviceProfile = profile;
    deviceKind = deviceKindFor(code);
    firmwareFlag = flag.toInt();
    if (parser.isSet(kUnit)) {
        deviceUnit = NormalizeUnit(parser.value(kUnit).trimmed());
    } else {
        // The flux meter measures in the unit of each reading; mVs is its first.
        deviceUnit = conversionSourceUnit();
        if (deviceUnit.isEmpty()) deviceUnit = QStringLiteral("mVs");
    }
    return true;
}

}  // namespace zenu::cli
