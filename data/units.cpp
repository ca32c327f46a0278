#include "data/units.h"

#include <QHash>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "data/conversion_error.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"

namespace zenu {

QString fluxSourceUnit;

namespace {

const QChar kMicro(0x00B5);
const QChar kGreekMu(0x03BC);

QString u8(const char* text) { return QString::fromUtf8(text); }

// Exact spellings that gauges send, in the Windows (Latin-1) reading of their bytes.
QString mapListed(const QString& u) {
    struct Row {
        const char* received;
        const char* canonical;
    };
    static const Row rows[] = {
        {"ur", "µr"},          {"Î¼r", "µr"},          {"uT", "µT"},          {"Î¼T", "µT"},
        {"ym", "µm"},          {"mu", "µm"},           {"Î¼m", "µm"},         {"uVs", "µVs"},
        {"Î¼Vs", "µVs"},       {"uVsm", "µVs·cm"},     {"Î¼VsÂ·cm", "µVs·cm"}, {"uVsn", "µVs/n"},
        {"Î¼Vs/n", "µVs/n"},   {"Î¼Wb/n", "µWb/n"},    {"Î¼Wb/cm", "µWb·cm"}, {"Î¼WbÂ·cm", "µWb·cm"},
        {"uWb cm", "µWb·cm"},  {"mVsÂ·cm", "mVs·cm"},  {"mVs cm", "mVs·cm"},  {"mWb cm", "mWb·cm"},
        {"mWbÂ·cm", "mWb·cm"},
    };
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const Row& row : rows) t.insert(u8(row.received), u8(row.canonical));
        return t;
    }();
    return table.value(u);
}

}  // namespace

QString NormalizeUnit(const QString& u) {
    QString result = u;
    if (probeType.startsWith(QLatin1Char('1'))) {
        if (u == QLatin1String("metric")) result = u8("µm");
        else if (u == QLatin1String("imperial")) result = QStringLiteral("mils");
    }
    // The Latin-1 micro sign stays what it is (the Windows program re-spelled it here).
    if (!u.isEmpty() && u.at(0) == kMicro) result = kMicro + u.mid(1);

    QString listed = mapListed(u);
    if (!listed.isEmpty()) return listed;

    // Our link decodes gauge bytes as UTF-8: "μT" arrives where Windows saw "Î¼T". Look the
    // Windows reading up first, so every listed mapping holds for both; otherwise the Greek
    // mu becomes the micro sign.
    if (u.contains(kGreekMu) || u.contains(QChar(0x00B7))) {
        listed = mapListed(QString::fromLatin1(u.toUtf8()));
        if (!listed.isEmpty()) return listed;
    }
    if (result.contains(kGreekMu)) result.replace(kGreekMu, kMicro);
    return result;
}

QString conversionSourceUnit() {
    static const QString micrometre = u8("µm"), microtesla = u8("µT"), permeability = u8("µr");
    if (deviceKind == QLatin1String("MF")) return fluxSourceUnit;
    if (deviceKind == QLatin1String("SM")) return micrometre;
    if (deviceKind == QLatin1String("FM")) {
        if (DeviceCode.trimmed() == QLatin1String("KV6")) return currentTable == kTableOnline ? microtesla : QStringLiteral("mT");
        return QStringLiteral("A/cm");
    }
    if (deviceKind == QLatin1String("PM")) return permeability;
    if (deviceKind == QLatin1String("FC")) return QStringLiteral("FN");
    return {};
}

namespace {

using FactorTable = QHash<QString, QHash<QString, double>>;

FactorTable buildFactors() {
    FactorTable f;
    auto row = [&](const char* source, std::initializer_list<std::pair<const char*, double>> targets) {
        auto& r = f[u8(source)];
        for (const auto& [target, factor] : targets) r.insert(u8(target), factor);
    };
    row("G", {{"A/cm", 0.795775}, {"kA/m", 0.0795775}, {"A/m", 79.5775}, {"mT", 0.1}, {"T", 0.0001}, {"kG", 0.001}, {"G", 1}});
    row("kG", {{"A/cm", 795.775}, {"kA/m", 79.5775}, {"A/m", 79577.5}, {"mT", 100}, {"T", 0.1}, {"Oe", 1000}, {"G", 1000}});
    row("A/cm", {{"Oe", 1.25664}, {"G", 1.25664}, {"kA/m", 0.1}, {"A/m", 100}, {"mT", 0.1256634}, {"T", 0.00012566374},
                 {"kG", 0.00125664}});
    row("A/m", {{"Oe", 0.0125664}, {"G", 0.0125664}, {"kA/m", 0.001}, {"A/cm", 0.01}, {"mT", 0.001256634},
                {"T", 0.00000125664}, {"kG", 0.0000125664}});
    row("kA/m", {{"Oe", 12.56634}, {"G", 12.56634}, {"A/cm", 10}, {"A/m", 1000}, {"mT", 1.25664}, {"T", 0.00125664},
                 {"kG", 0.01256634}});
    row("mT", {{"Oe", 10}, {"G", 10}, {"A/m", 795.775}, {"kA/m", 0.795775}, {"A/cm", 7.95775}, {"T", 0.001}, {"kG", 0.01},
               {"µT", 1000}, {"mG", 10000}});
    row("µT", {{"mT", 1.0 / 1000}, {"G", 1.0 / 100}, {"mG", 10}});
    row("mils", {{"µm", 25.4}});
    row("µm", {{"mils", 1 / 25.4}});
    // Flux: micro to milli of the same family is 1/1000, milli to micro 1000. Vs and Wb are
    // the same unit, so the Wb spellings convert like the Vs ones, as source and as target.
    for (const char* suffix : {"", "/n", "·cm"}) {
        const QString suf = u8(suffix);
        for (const char* s : {"Vs", "Wb"}) {
            for (const char* t : {"Vs", "Wb"}) {
                f[u8("µ") + u8(s) + suf].insert(u8("m") + u8(t) + suf, 1.0 / 1000);
                f[u8("m") + u8(s) + suf].insert(u8("µ") + u8(t) + suf, 1000);
            }
        }
    }
    return f;
}

}  // namespace

double unitFactor(const QString& source, const QString& target) {
    static const FactorTable factors = buildFactors();
    const auto row = factors.constFind(source);
    if (row == factors.cend()) return 0;
    return row->value(target, 0.0);
}

double ConvertUnit(double value, const QString& targetUnit) {
    const QString source = conversionSourceUnit().trimmed();
    const QString target = targetUnit.trimmed();
    if (source.isEmpty() || source == target) return value;

    double result = value;
    if (source == QLatin1String("FN") && target == QLatin1String("Fe%")) {
        result = value > 120 ? value * (0.58 + 0.00094 * value) : value * (1.07 - 0.0031 * value);
    } else if (source == QLatin1String("Fe%") && target == QLatin1String("FN")) {
        const double radicand = 1.1449 - 0.0124 * value;
        if (radicand < 0)
            throw ConversionError::invalidArgument(QStringLiteral("%1 Fe% is beyond the ferrite conversion").arg(value));
        result = (1.07 - std::sqrt(radicand)) / 0.0062;
    } else {
        const double factor = unitFactor(source, target);
        if (factor != 0) result = value * factor;
    }
    fluxSourceUnit.clear();
    return result;
}

}  // namespace zenu
