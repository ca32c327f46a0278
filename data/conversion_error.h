#pragma once
// The error that the data helpers raise for text that is not what a field needs (a hex field
// with other characters, a date that is no date, a number out of range). The fill routines
// catch it and report "<routine>: <number> <description>"; the numbers are the classic
// run-time error numbers that support staff know from the Windows program.
#include <QString>
#include <stdexcept>

namespace zenu {

class ConversionError : public std::runtime_error {
public:
    static constexpr int kTypeMismatch = 13;
    static constexpr int kOverflow = 6;
    static constexpr int kInvalidArgument = 5;

    ConversionError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

    int number() const { return number_; }
    const QString& description() const { return description_; }
    // "13 Type mismatch: ..." as the reports show it.
    QString text() const { return QString::number(number_) + QLatin1Char(' ') + description_; }

    static ConversionError typeMismatch(const QString& what) {
        return ConversionError(kTypeMismatch, QStringLiteral("Type mismatch: ") + what);
    }
    static ConversionError overflow(const QString& what) {
        return ConversionError(kOverflow, QStringLiteral("Overflow: ") + what);
    }
    static ConversionError invalidArgument(const QString& what) {
        return ConversionError(kInvalidArgument, QStringLiteral("Invalid argument: ") + what);
    }

private:
    int number_;
    QString description_;
};

}  // namespace zenu
