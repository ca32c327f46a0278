#include "sim/gauge_reading_lines.h"

#include <QLocale>

namespace zenu::sim {

namespace {

QString timeText(const QDateTime& t, QChar between) {
    return t.date().toString(QStringLiteral("yyyy-MM-dd")) + between + t.time().toString(QStringLiteral("HH:mm:ss"));
}

// Exactly `width` characters: cut, or filled with blanks on the left or right.
QString fit(const QString& text, int width, bool right) {
    if (text.size() >= width) return text.left(width);
    return right ? text.rightJustified(width, QLatin1Char(' ')) : text.leftJustified(width, QLatin1Char(' '));
}

// Half of n, halves to the even neighbour.
qsizetype halfToEven(qsizetype n) {
    const qsizetype half = n / 2;
    if (n % 2 == 0) return half;
    return half % 2 == 0 ? half : half + 1;
}

// What a parser makes of a blank-separated line: CR LF to blanks, trimmed, "!" removed.
QString blankFields(QString line) {
    line.replace(QStringLiteral("\r\n"), QStringLiteral("  "));
    line = line.trimmed();
    line.remove(QLatin1Char('!'));
    return line;
}

bool sameReading(const QString& got, const QString& want, bool blankSeparated) {
    if (blankSeparated) return blankFields(got) == blankFields(want);
    return got.left(45) == want.left(45);
}

}  // namespace

QString formatReadingValue(double value, int decimals) {
    return QString::number(value, 'f', decimals < 0 ? 0 : decimals);
}

QString fixedColumnLine(const ReadingFields& f) {
    QString line = fit(QString::number(f.number), 4, true) + QStringLiteral("  ") +
                   fit(formatReadingValue(f.value, f.decimals), 10, true) + QLatin1Char(' ') + fit(f.unit, 4, false) +
                   QLatin1Char(' ') + fit(f.method, 3, false) + QLatin1Char(' ') + timeText(f.time, QLatin1Char(' '));
    return line + QStringLiteral("\r\n");
}

QString blankSeparatedLine(const ReadingFields& f) {
    return QString::number(f.number) + QLatin1Char(' ') + formatReadingValue(f.value, f.decimals) + QLatin1Char(' ') +
           f.unit + QLatin1Char(' ') + f.method + QLatin1Char(' ') + timeText(f.time, QLatin1Char('/')) +
           QStringLiteral("!\r\n");
}

QString readingLine(const ReadingFields& f, bool blankSeparated) {
    return blankSeparated ? blankSeparatedLine(f) : fixedColumnLine(f);
}

std::pair<QString, QString> splitDualNotification(const QString& text, bool blankSeparated) {
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    const QString first = lf < 0 ? text : text.left(lf + 1);
    const qsizetype half = halfToEven(text.size());
    const QString second =
        blankSeparated ? text.right(half + 1) : QLatin1Char(' ') + text.right(half);
    return {first, second};
}

QString dualNotification(const QString& first, const QString& second, bool blankSeparated) {
    // Blanks go before the line end: after column 45, or after the "!".
    auto padded = [](const QString& line, int blanks) {
        QString body = line;
        if (body.endsWith(QStringLiteral("\r\n"))) body.chop(2);
        return body + QString(blanks, QLatin1Char(' ')) + QStringLiteral("\r\n");
    };
    for (int total = 0; total <= 2 * 64; ++total)
        for (int a = 0; a <= total; ++a) {
            const QString l1 = padded(first, a), l2 = padded(second, total - a);
            const auto [got1, got2] = splitDualNotification(l1 + l2, blankSeparated);
            if (got1 == l1 && sameReading(got2, l2, blankSeparated)) return l1 + l2;
        }
    return first + second;  // lines that no padding can align (a four-digit reading number)
}

}  // namespace zenu::sim
