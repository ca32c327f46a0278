#include "data/measurement_file.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <cmath>
#include <limits>
#include <utility>

#include "texts/texts.h"
#include "data/file_dates.h"
#include "data/value_format.h"
#include "platform/cp1252.h"
#include "platform/localefmt.h"
#include "platform/textfile.h"

namespace zenu {
namespace {

struct Token {
    qsizetype begin = 0;
    qsizetype end = 0;  // one past the last character
};

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

std::vector<Token> tokenize(const QString& line) {
    std::vector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && isBlank(line.at(i))) ++i;
        if (i >= n) break;
        Token t;
        t.begin = i;
        while (i < n && !isBlank(line.at(i))) ++i;
        t.end = i;
        tokens.push_back(t);
    }
    return tokens;
}

QString tokenText(const QString& line, const Token& t) { return line.mid(t.begin, t.end - t.begin); }

bool isAmPm(const QString& token) {
    return token.compare(QLatin1String("AM"), Qt::CaseInsensitive) == 0 ||
           token.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0 ||
           token == QLocale().amText() || token == QLocale().pmText();
}

enum class LineKind { Reading, DateLine, Error };

struct LineResult {
    LineKind kind = LineKind::Error;
    MeasurementRecord record;
    QString dateText;  // DateLine
    MeasurementFileError error;  // Error (without the line number)
};

bool readWholeNumber(const QString& text, int32_t& number) {
    double v = 0;
    if (!platform::parseGaugeNumber(text, v) || !std::isfinite(v) || v != std::trunc(v)) return false;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
    number = static_cast<int32_t>(v);
    return true;
}

LineResult parseReadingLine(const QString& line, const QString& dateText, FileDateForms& formats) {
    LineResult r;
    const std::vector<Token> tokens = tokenize(line);
    std::size_t pos = 0;
    MeasurementRecord& rec = r.record;
    rec.dateText = dateText.isEmpty() ? QStringLiteral(" ") : dateText;
    rec.timeText = QStringLiteral(" ");

    // A leading date and time (two words, or three with AM/PM).
    for (std::size_t k : {std::size_t(3), std::size_t(2)}) {
        if (tokens.size() <= k) continue;
        const QString text = line.mid(tokens[0].begin, tokens[k - 1].end - tokens[0].begin);
        const QDateTime ts = formats.parseDateTime(text);
        if (ts.isValid()) {
            rec.timestamp = ts;
            rec.dateText = platform::formatDate(ts.date());
            rec.timeText = platform::formatTime(ts.time());
            pos = k;
            break;
        }
    }
    if (pos == 0 && !tokens.empty()) {
        const QString first = tokenText(line, tokens[0]);
        if (first.contains(QLatin1Char(':'))) {
            // A time of day alone.
            pos = 1;
            rec.timeText = first;
            if (tokens.size() > 1 && isAmPm(tokenText(line, tokens[1]))) {
                rec.timeText += QLatin1Char(' ') + tokenText(line, tokens[1]);
                pos = 2;
            }
        } else if (const QDate date = formats.parseDate(first); date.isValid()) {
            if (tokens.size() == 1) {
                r.kind = LineKind::DateLine;
                r.dateText = first.left(10);
                return r;
            }
            // A reading taken at midnight: the general date text leaves out "00:00:00".
            rec.timestamp = QDateTime(date, QTime(0, 0), Qt::UTC);
            rec.dateText = platform::formatDate(date);
            rec.timeText = platform::formatTime(QTime(0, 0));
            pos = 1;
        }
    }

    r.error.field = MeasurementFileError::Field::Number;
    if (pos >= tokens.size()) return r;
    const QString numberText = tokenText(line, tokens[pos]);
    if (!readWholeNumber(numberText, rec.number)) {
        r.error.found = numberText;
        return r;
    }
    ++pos;
    r.error.field = MeasurementFileError::Field::Value;
    if (pos >= tokens.size()) return r;
    const Token valueToken = tokens[pos];
    const QString valueText = tokenText(line, valueToken);
    double value = 0;
    if (!platform::parseGaugeNumber(valueText, value) || !std::isfinite(value)) {
        r.error.found = valueText;
        return r;
    }
    rec.value = roundHalfEven(value, 3);
    ++pos;

    // Unit and method: the unit column starts one blank after the value; units and methods
    // hold no blanks, so the first word there is the unit and the last one the method.
    if (pos < tokens.size()) {
        const bool unitPresent = tokens[pos].begin == valueToken.end + 1;
        QStringList rest;
        for (std::size_t i = pos; i < tokens.size(); ++i) rest << tokenText(line, tokens[i]);
        if (unitPresent) rec.unit = rest.takeFirst();
        rec.method = rest.join(QLatin1Char(' '));
    }
    if (rec.unit.isEmpty()) rec.unit = QStringLiteral(" ");
    r.kind = LineKind::Reading;
    return r;
}

bool beginsWithDigit(const QString& line) {
    return !line.isEmpty() && line.at(0).unicode() >= '0' && line.at(0).unicode() <= '9';
}

QString errorDescription(const MeasurementFileError& e, int language) {
    const bool german = language == kLanguageGerman;
    QString text;
    if (e.field == MeasurementFileError::Field::Number)
        text = german ? QStringLiteral("keine Messwertnummer") : QStringLiteral("no reading number");
    else
        text = german ? QStringLiteral("kein Messwert") : QStringLiteral("no value");
    if (!e.found.isEmpty()) text += QStringLiteral(": \"") + e.found.left(40) + QLatin1Char('"');
    return text;
}

}  // namespace

MeasurementFileContent parseMeasurementFile(const QStringList& lines) {
    MeasurementFileContent content;
    FileDateForms formats;
    QString dateText;
    bool readingsStarted = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (!readingsStarted) {
            if (line.startsWith(QLatin1Char('#')) || !beginsWithDigit(line)) continue;
            readingsStarted = true;
        }
        if (line.trimmed().isEmpty()) continue;
        LineResult r = parseReadingLine(line, dateText, formats);
        switch (r.kind) {
            case LineKind::DateLine:
                dateText = r.dateText;
                break;
            case LineKind::Error:
                r.error.line = static_cast<int>(i + 1);
                content.errors.push_back(r.error);
                break;
            case LineKind::Reading:
                // A reading of number 0 and value 0 would end the table where it stands.
                if (r.record.isEmpty()) break;
                if (static_cast<int>(content.records.size()) >= kTableCapacity) {
                    content.tooManyReadings = true;
                    return content;
                }
                content.records.push_back(std::move(r.record));
                break;
        }
    }
    return content;
}

bool readMeasurementFile(const QString& path, MeasurementFileContent& content, QString* error) {
    QStringList lines;
    if (!platform::readTextLines(path, lines, error)) return false;
    content = parseMeasurementFile(lines);
    return true;
}

bool writeMeasurementFile(const QString& path, const QString& reportText, QString* error) {
    QSaveFile file(path);
    const auto fail = [&](const QString& text) {
        if (error) *error = text;
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    const QByteArray data = platform::encodeCp1252(reportText);
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return fail(file.errorString());
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

QString measurementFileName(const QString& chosen) {
    if (chosen.contains(QLatin1String(kMeasurementFileSuffix))) return chosen;
    return chosen + QLatin1String(kMeasurementFileSuffix);
}

QString measurementFileErrorText(const MeasurementFileContent& content, int language, int maxListed) {
    const bool german = language == kLanguageGerman;
    QStringList out;
    if (!content.errors.empty()) {
        out << (german ? QStringLiteral("Nicht lesbare Zeilen wurden übersprungen:")
                       : QStringLiteral("Lines that could not be read were skipped:"));
        int listed = 0;
        for (const MeasurementFileError& e : content.errors) {
            if (listed == maxListed) break;
            out << (german ? QStringLiteral("Zeile %1: %2") : QStringLiteral("Line %1: %2"))
                       .arg(e.line)
                       .arg(errorDescription(e, language));
            ++listed;
        }
        const int others = static_cast<int>(content.errors.size()) - listed;
        if (others > 0)
            out << (german ? QStringLiteral("... und %1 weitere") : QStringLiteral("... and %1 more")).arg(others);
    }
    if (content.tooManyReadings)
        out << messageText(53, language) + QLatin1Char(' ') + QString::number(kTableCapacity);
    return out.join(QLatin1Char('\n'));
}

}  // namespace zenu
