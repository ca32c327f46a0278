#include "gauge/reply_parsing.h"

#include <algorithm>
#include <limits>

namespace zenu::replies {
namespace {

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Parses digits starting at pos into value; returns the index after the last digit used.
// Stops before the value would exceed `limit`.
qsizetype readDigits(QStringView text, qsizetype pos, int64_t limit, int64_t& value, bool& overflow) {
    value = 0;
    overflow = false;
    while (pos < text.size() && isAsciiDigit(text[pos])) {
        const int digit = text[pos].unicode() - '0';
        if (value > (limit - digit) / 10) overflow = true;
        if (!overflow) value = value * 10 + digit;
        ++pos;
    }
    return pos;
}

}  // namespace

int closingIndex(const QString& reply) {
    qsizetype i = reply.size() - 1;
    while (i >= 0 && reply[i].isSpace()) --i;
    return (i >= 0 && reply[i] == QLatin1Char('!')) ? static_cast<int>(i) : -1;
}

std::optional<QString> payloadAfterQuestion(const QString& reply) {
    const qsizetype q = reply.indexOf(QLatin1Char('?'));
    if (q < 0) return std::nullopt;
    const qsizetype close = closingIndex(reply);
    const qsizetype end = close > q ? close : reply.size();
    return reply.mid(q + 1, end - q - 1);
}

std::optional<QString> firstValue(const QString& reply) {
    const qsizetype q = reply.indexOf(QLatin1Char('?'));
    const qsizetype blank = reply.indexOf(QLatin1Char(' '));
    if (q < 0 || blank < q) return std::nullopt;
    return reply.mid(q + 1, blank - q - 1);
}

std::optional<QString> secondValue(const QString& reply) {
    const qsizetype blank = reply.indexOf(QLatin1Char(' '));
    const qsizetype bang = reply.indexOf(QLatin1Char('!'));
    if (blank < 0 || bang < blank) return std::nullopt;
    return reply.mid(blank + 1, bang - blank - 1);
}

bool parseWhole(QStringView text, int64_t minimum, int64_t maximum, int64_t& value) {
    text = text.trimmed();
    if (text.isEmpty()) return false;
    bool negative = false;
    qsizetype pos = 0;
    if (text[0] == QLatin1Char('+') || text[0] == QLatin1Char('-')) {
        negative = text[0] == QLatin1Char('-');
        pos = 1;
    }
    if (pos >= text.size()) return false;
    int64_t magnitude = 0;
    bool overflow = false;
    const qsizetype end = readDigits(text, pos, std::numeric_limits<int32_t>::max(), magnitude, overflow);
    if (end != text.size() || overflow) return false;
    const int64_t result = negative ? -magnitude : magnitude;
    if (result < minimum || result > maximum) return false;
    value = result;
    return true;
}

int64_t leadingWhole(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size() && text[pos].isSpace()) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }
    int64_t magnitude = 0;
    bool overflow = false;
    readDigits(text, pos, std::numeric_limits<int32_t>::max(), magnitude, overflow);
    if (overflow) magnitude = std::numeric_limits<int32_t>::max();
    return negative ? -magnitude : magnitude;
}

double leadingNumber(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size() && text[pos].isSpace()) ++pos;
    const qsizetype start = pos;
    if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) ++pos;
    qsizetype digits = 0;
    while (pos < text.size() && isAsciiDigit(text[pos])) ++pos, ++digits;
    if (pos < text.size() && (text[pos] == QLatin1Char('.') || text[pos] == QLatin1Char(','))) {
        ++pos;
        while (pos < text.size() && isAsciiDigit(text[pos])) ++pos, ++digits;
    }
    if (digits == 0) return 0.0;
    QString number = text.mid(start, pos - start).toString();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    if (number.endsWith(QLatin1Char('.'))) number.chop(1);
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

std::optional<BlockReply> parseBlockReply(const QString& reply, QString* why) {
    auto fail = [why](const char* reason) -> std::optional<BlockReply> {
        if (why) *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    const auto handleText = firstValue(reply);
    if (!handleText) return fail("no handle");
    int64_t handle = 0;
    if (!parseWhole(*handleText, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), handle))
        return fail("handle is no number");
    const qsizetype blank1 = reply.indexOf(QLatin1Char(' '));
    const qsizetype blank2 = reply.indexOf(QLatin1Char(' '), blank1 + 1);
    if (blank2 < 0) return fail("no length field");
    // The length is the two characters after the second blank, read as the number they
    // start with ("32", "06", " 6" or "6" followed by the first hex digit).
    const QStringView lengthField = QStringView(reply).mid(blank2 + 1, 2);
    if (lengthField.size() < 2) return fail("no length field");
    qsizetype pos = 0;
    while (pos < lengthField.size() && lengthField[pos] == QLatin1Char(' ')) ++pos;
    int64_t length = 0;
    bool overflow = false;
    const qsizetype digitsEnd = readDigits(lengthField, pos, 99, length, overflow);
    if (digitsEnd == pos) return fail("length is no number");
    const int close = closingIndex(reply);
    if (close < 0) return fail("no closing \"!\"");
    const qsizetype payloadStart = close - 2 * length;
    if (payloadStart < blank2 + 1 + digitsEnd) return fail("length beyond the reply");
    BlockReply block;
    block.handle = static_cast<int16_t>(handle);
    block.payload = reply.mid(payloadStart, 2 * length);
    if (!std::all_of(block.payload.cbegin(), block.payload.cend(), isHexDigit))
        return fail("payload is not hexadecimal");
    return block;
}

InfoPairs parseInfoPairs(const QString& remainder) {
    InfoPairs result;
    QString rest = remainder;
    while (!rest.isEmpty()) {
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        if (colon < 0) break;  // text after the last pair: no rule for it, it is left over
        const QChar key = colon >= 1 ? rest[colon - 1] : QChar();
        QString value;
        const qsizetype nextColon = rest.indexOf(QLatin1Char(':'), colon + 1);
        if (nextColon >= 0) {
            // The value ends three characters before the next ":" (blank, key, ":"). A value
            // holding ":" itself shifts the pairs; we only make sure we always move on.
            const qsizetype length = nextColon - colon - 3;
            if (length > 0) value = rest.mid(colon + 1, length);
            rest = rest.mid(std::max(nextColon - 1, colon + 1));
        } else {
            const qsizetype bang = rest.indexOf(QLatin1Char('!'), colon + 1);
            if (bang >= 0) {
                value = rest.mid(colon + 1, bang - colon - 1);
                rest = rest.mid(bang + 1);
            } else {
                value = rest.mid(colon + 1);
                rest.clear();
            }
        }
        if (!key.isNull()) result.pairs.push_back({key, value});
    }
    result.rest = rest;
    return result;
}

MemoryDirectory parseMemoryDirectory(const QString& value) {
    MemoryDirectory dir;
    const QStringList lines = value.split(QLatin1Char('\n'));
    dir.announced = std::max<int64_t>(0, leadingWhole(lines.value(0).trimmed()));
    const int64_t present = std::min<int64_t>({dir.announced, lines.size() - 1,
                                               std::numeric_limits<int16_t>::max()});
    dir.count = static_cast<int16_t>(present);
    dir.names.reserve(present + 1);
    dir.counts.reserve(present + 1);
    dir.names.append(QString());
    dir.counts.append(0);
    for (int i = 1; i <= present; ++i) {
        const QString line = lines[i];
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        // A line without "," is a name without a count.
        dir.names.append((comma >= 0 ? line.left(comma) : line).trimmed());
        const int64_t n = comma >= 0 ? leadingWhole(line.mid(comma + 1).trimmed()) : 0;
        dir.counts.append(static_cast<int16_t>(std::clamp<int64_t>(n, 0, std::numeric_limits<int16_t>::max())));
    }
    return dir;
}

QString memoryChipCode(const QString& reply) {
    const QString payload = reply.mid(4);
    const qsizetype m = payload.indexOf(QLatin1String("M:"));
    return m >= 0 ? payload.mid(m + 2, 4) : QString();
}

}  // namespace zenu::replies
