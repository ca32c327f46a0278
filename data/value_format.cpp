#include "data/value_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "data/conversion_error.h"
#include "data/gauge_identity.h"
#include "data/text_align.h"
#include "platform/localefmt.h"

namespace zenu {

QString lastFormattedText;
double lastFormattedValue = 0.0;

namespace {

constexpr int kFallbackDecimals = 2;
constexpr int kMaxDecimals = 15;

// A plain prefix test: this runs for every reading of a memory.
bool startsWith(QStringView d, std::u16string_view prefix) {
    if (d.size() < static_cast<qsizetype>(prefix.size())) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (d[static_cast<qsizetype>(i)].unicode() != prefix[i]) return false;
    return true;
}

template <typename... P>
bool startsWithAny(QStringView d, P... prefixes) {
    return (startsWith(d, prefixes) || ...);
}

// Flux meter: its own thresholds for the units it reports in.
int fluxDecimals(double a, const QString& d) {
    if (startsWith(d, u"mT")) return a < 100 ? 3 : a < 10000 ? 2 : 0;
    if (startsWithAny(d, u"µVs", u"mVs", u"A/cm", u"µWb", u"mWb")) return a < 100 ? 3 : a < 1000 ? 2 : 1;
    return -1;
}

// µT field meter.
int microteslaMeterDecimals(double a, const QString& d) {
    if (startsWith(d, u"µT")) return a < 1000 ? 2 : 1;
    // Readings of 10000 mG and more show no decimals; the gauge's own rule stops below.
    if (startsWith(d, u"mG")) return a < 10000 ? 1 : 0;
    if (startsWith(d, u"mT")) return 3;
    if (startsWith(d, u"G") || startsWith(d, u"A/m")) return 2;
    return -1;
}

int generalDecimals(double v, const QString& d) {
    const double a = std::fabs(v);
    const bool family4 = profileChar(1) == QLatin1Char('4');
    if (startsWith(d, u"mT")) {
        if (family4) return a < 10 ? 2 : a < 1000 ? 1 : 0;
        return a < 100 ? 2 : a < 10000 ? 1 : 0;
    }
    if (startsWith(d, u"A/cm") || startsWith(d, u"Oe") || startsWith(d, u"G"))
        return a < (family4 ? 100 : 1000) ? 1 : 0;
    if (startsWith(d, u"kA/m")) return a < (family4 ? 10 : 100) ? 2 : 1;
    if (startsWithAny(d, u"µm", u"ym")) return v < 100 ? 1 : 0;
    if (startsWith(d, u"mi")) return a >= (family4 ? 10 : 100) ? 1 : 2;
    if (startsWith(d, u"µr")) return a >= 10 ? 2 : 3;
    if (startsWith(d, u"FN") || startsWith(d, u"Fe%")) return a >= 10 ? 1 : 2;
    return -1;
}

bool readDecimals(const QString& text, double& n) {
    const QString t = text.trimmed();
    // Units are the usual descriptors; they never start like a number.
    if (t.isEmpty()) return false;
    const QChar c = t.at(0);
    if (!c.isDigit() && c != QLatin1Char('-') && c != QLatin1Char('+') && c != QLatin1Char('.') && c != QLatin1Char(','))
        return false;
    bool ok = false;
    n = QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && std::isfinite(n);
}

}  // namespace

double roundHalfEven(double value, int decimals) {
    if (value == 0.0) return 0.0;
    if (!std::isfinite(value)) return value;
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    // People read a value by its shortest decimal form ("3.15", not 3.149999...): round that
    // text, digit by digit, so a decimal half goes to its even neighbour whatever its binary
    // neighbours are.
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    const std::string_view form(text, static_cast<size_t>(written.ptr - text));
    const bool negative = form.front() == '-';
    const size_t ePos = form.find('e');
    int exponent = 0;
    std::from_chars(form.data() + ePos + 1 + (form[ePos + 1] == '+'), form.data() + form.size(), exponent);
    std::string digits;  // d.ddd without the point: value = 0.digits * 10^(exponent + 1)
    for (char c : form.substr(negative ? 1 : 0, ePos - (negative ? 1 : 0)))
        if (c != '.') digits += c;

    // Digits that stay: those of weight 10^-decimals and above.
    const long keep = long(exponent) + decimals + 1;
    if (keep >= long(digits.size())) return value;  // nothing to round away
    if (keep < 0) return 0.0;                       // below half of the last place
    const auto k = static_cast<size_t>(keep);
    const char next = digits[k];
    const bool restNonZero = digits.find_first_not_of('0', k + 1) != std::string::npos;
    const bool lastOdd = k > 0 && (digits[k - 1] - '0') % 2 != 0;
    std::string kept = "0" + digits.substr(0, k);  // room for a carry
    if (next > '5' || (next == '5' && (restNonZero || lastOdd))) {
        size_t i = kept.size() - 1;
        while (kept[i] == '9') kept[i--] = '0';
        ++kept[i];
    }
    // kept * 10^-decimals, read back as the nearest double.
    const std::string result = (negative ? "-" : "") + kept + "e-" + std::to_string(decimals);
    double rounded = 0.0;
    std::from_chars(result.data(), result.data() + result.size(), rounded);
    return rounded == 0.0 ? 0.0 : rounded;  // no "-0.0"
}

namespace {

// "####0.00" of a value that is already rounded to `decimals`.
QString formatRounded(double rounded, int decimals) {
    QString text = QString::number(rounded, 'f', decimals);
    if (decimals > 0 && DecimalSeparator != QLatin1String(".")) {
        const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0) text.replace(dot, 1, DecimalSeparator);
    }
    return text;
}

}  // namespace

QString formatFixed(double value, int decimals) {
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    return formatRounded(roundHalfEven(value, decimals), decimals);
}

int decimalsFor(double value, const QString& descriptor) {
    const QString d = descriptor.trimmed();
    double n = 0;
    // Clamped before the conversion: a descriptor such as "1e20" names no int.
    if (!d.isEmpty() && readDecimals(d, n)) return static_cast<int>(std::clamp(roundHalfEven(n, 0), 0.0, 3.0));
    if (startsWith(d, u"Stat")) return profileChar(7) == QLatin1Char('3') ? 3 : 2;
    const double a = std::fabs(value);
    const QString code = DeviceCode.trimmed();
    int decimals = -1;
    if (code == QLatin1String("XK")) decimals = fluxDecimals(a, d);
    else if (code == QLatin1String("KV6")) decimals = microteslaMeterDecimals(a, d);
    // Units outside a special gauge's own list follow the general rules.
    if (decimals < 0) decimals = generalDecimals(value, d);
    return decimals < 0 ? kFallbackDecimals : decimals;
}

void FormatValue(double value, const QString& descriptor) {
    const int decimals = decimalsFor(value, descriptor);
    lastFormattedValue = roundHalfEven(value, decimals);
    lastFormattedText = Ausrichten(11, formatRounded(lastFormattedValue, decimals), QStringLiteral(" "), false);
}

double displayedValue(double value, const QString& descriptor) {
    return roundHalfEven(value, decimalsFor(value, descriptor));
}

double RoundToDecimals(double value, const QString& decimals) {
    double n = 0;
    if (!readDecimals(decimals, n))
        throw ConversionError::typeMismatch(QStringLiteral("decimals \"%1\" is not a number").arg(decimals.left(40)));
    return roundHalfEven(value, static_cast<int>(std::clamp(roundHalfEven(n, 0), 0.0, double(kMaxDecimals))));
}

int32_t GetDecimalsInt(double vNumber) {
    if (!std::isfinite(vNumber)) return 0;
    const double fraction = roundHalfEven(vNumber - std::floor(vNumber), 3);
    if (fraction <= 0 || fraction >= 1) return 0;
    // The digits after "0." of the shortest text of the fraction: 0.05 gives 5, not 50.
    QString text = QString::number(fraction, 'f', 3);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    return text.mid(2).toInt();
}

}  // namespace zenu
