#pragma once
// Shared helpers of the measurement-data tests: a clean program state per test, hand-built
// memory files, fixed-column reading lines and a sink that records what the decoders show.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <ostream>
#include <vector>

#include "data/reading_sink.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zenu::testing {

QLocale germanLocale();
QLocale englishLocale();
// QLocale default and DecimalSeparator, and the language of the text tables.
void useLocale(const QLocale& locale);

// A gauge as the connection initialisation leaves it (profiles as the model table says).
void useGauge(const QString& code, const QString& unit, int firmware = 0);

// Everything the decoders read or write back to the start state; English locale.
class DataTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Bytes of a memory file, as the gauge stores it, turned into the download's hex text.
class MemoryFileBuilder {
public:
    MemoryFileBuilder();
    MemoryFileBuilder& name(const QByteArray& name);
    MemoryFileBuilder& timestamp(int second, int minute, int hour, int day, int month, int yearMinus2000);
    MemoryFileBuilder& count(uint16_t n);
    MemoryFileBuilder& interval(uint16_t ms);
    // The seven singles from byte 132 on.
    MemoryFileBuilder& singles(float minimum, float maximum, float mean, float meanForConversion, float deviation,
                               float unused, float pulseMs);
    // A 16-byte measurement record; timestamp bytes second, minute, hour, day, month, year-2000.
    MemoryFileBuilder& record(uint8_t status, float value, uint32_t number,
                              std::vector<uint8_t> stamp = {30, 15, 10, 31, 12, 24});
    MemoryFileBuilder& rawRecordBits(uint8_t status, uint32_t valueBits, uint32_t number);
    // A 4-byte sample of a trace or single-value memory.
    MemoryFileBuilder& sample(float value);
    MemoryFileBuilder& sampleBits(uint32_t bits);
    // Hex text as the download assembles it (upper case).
    QString hex() const;
    QByteArray bytes() const { return header_ + body_; }

private:
    QByteArray header_;
    QByteArray body_;
};

// A fixed-column reading line (firmware flag 0): number 1-4, value 7-16, unit 18-21,
// method 23-25, timestamp 27-45.
QString fixedLine(const QString& number, const QString& value, const QString& unit, const QString& method,
                  const QString& timestamp = QStringLiteral("2024-12-31 10:15:30"));

class RecordingSink : public ReadingSink {
public:
    void AddReadingRow() override { calls << QStringLiteral("AddReadingRow"); }
    void FillMSFlexOne() override { calls << QStringLiteral("FillMSFlexOne"); }
    void setRecordCount(int n) override { recordCount = n; }
    void resetStatistics() override { calls << QStringLiteral("resetStatistics"); }
    void setAbsoluteStatistics(bool on) override { calls << (on ? QStringLiteral("absolute on") : QStringLiteral("absolute off")); }
    void showTraceStatistics(const TraceSeries&) override { calls << QStringLiteral("showTraceStatistics"); }
    void hideMaterialButton() override { calls << QStringLiteral("hideMaterialButton"); }
    void showMemory(const QString& caption, const QString& label) override {
        optionCaption = caption;
        memoryLabel = label;
    }
    void setStatusText(const QString& text) override { statusTexts << text; }
    void setProgress(int value, int maximum) override {
        progressValue = value;
        progressMaximum = maximum;
    }
    void showTraceChart() override { calls << QStringLiteral("showTraceChart"); }
    bool closeMemoryFile() override {
        calls << QStringLiteral("closeMemoryFile");
        return true;
    }
    void showError(const QString& text) override { errors << text; }

    QStringList calls;
    QStringList errors;
    QStringList statusTexts;
    QString optionCaption;
    QString memoryLabel;
    int recordCount = -1;
    int progressValue = -1;
    int progressMaximum = -1;
};

// The text of a float as a gauge would have stored it (tests compare against float values).
inline double f32(double v) { return static_cast<double>(static_cast<float>(v)); }

}  // namespace zenu::testing
