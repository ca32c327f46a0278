// The value formatter: decimals by unit and gauge, halves to even, locale separator, width 11.
#include <gtest/gtest.h>

#include <cmath>

#include "data/conversion_error.h"
#include "data/gauge_identity.h"
#include "data/value_format.h"
#include "data_support.h"

namespace zenu {
namespace {

using testing::DataTest;

QString u(const char* text) { return QString::fromUtf8(text); }

class FormatValueTest : public DataTest {
protected:
    // The shown text without its padding.
    QString shown(double value, const char* descriptor) {
        FormatValue(value, u(descriptor));
        EXPECT_GE(lastFormattedText.size(), 11);
        return lastFormattedText.trimmed();
    }
};

TEST_F(FormatValueTest, HalvesGoToTheEvenNeighbour) {
    FormatValue(2.5, QStringLiteral("0"));
    EXPECT_EQ(lastFormattedText, QString(10, QLatin1Char(' ')) + QLatin1Char('2'));
    EXPECT_EQ(lastFormattedValue, 2);
    FormatValue(3.5, QStringLiteral("0"));
    EXPECT_EQ(lastFormattedText, QStringLiteral("          4"));
    EXPECT_EQ(lastFormattedValue, 4);
    EXPECT_EQ(shown(0.125, "2"), QStringLiteral("0.12"));
    EXPECT_EQ(shown(0.375, "2"), QStringLiteral("0.38"));
    EXPECT_EQ(shown(-2.5, "0"), QStringLiteral("-2"));
    EXPECT_EQ(shown(0.5, "0"), QStringLiteral("0"));
    EXPECT_EQ(shown(3.15, "1"), QStringLiteral("3.2"));  // as written, not 3.1499999...
    EXPECT_EQ(shown(12.35, "µm"), QStringLiteral("12.4"));
}

TEST_F(FormatValueTest, RightAlignedInElevenWithTheLocaleSeparator) {
    FormatValue(1.5, QStringLiteral("2"));
    EXPECT_EQ(lastFormattedText, QStringLiteral("       1.50"));
    EXPECT_EQ(lastFormattedValue, 1.5);
    testing::useLocale(testing::germanLocale());
    FormatValue(1.5, QStringLiteral("2"));
    EXPECT_EQ(lastFormattedText, QStringLiteral("       1,50"));
    FormatValue(1234.5, QStringLiteral("1"));
    EXPECT_EQ(lastFormattedText, QStringLiteral("     1234,5"));  // no grouping
}

TEST_F(FormatValueTest, LongerTextsAreNotCut) {
    FormatValue(123456789.25, QStringLiteral("2"));
    EXPECT_EQ(lastFormattedText, QStringLiteral("123456789.25"));
}

TEST_F(FormatValueTest, NoNegativeZero) { EXPECT_EQ(shown(-0.04, "1"), QStringLiteral("0.0")); }

TEST_F(FormatValueTest, NumericDescriptors) {
    EXPECT_EQ(shown(1.23456, " 1 "), QStringLiteral("1.2"));
    EXPECT_EQ(shown(1.23456, "3"), QStringLiteral("1.235"));
    // Outside 0 to 3 the nearest of them.
    EXPECT_EQ(shown(1.23456, "7"), QStringLiteral("1.235"));
    EXPECT_EQ(shown(1.23456, "-1"), QStringLiteral("1"));
    EXPECT_EQ(shown(1.23456, "2e20"), QStringLiteral("1.235"));
    EXPECT_EQ(shown(1.23456, "-2e20"), QStringLiteral("1"));
}

TEST_F(FormatValueTest, StatisticsFollowProfileCharacterSeven) {
    DeviceProfile = QStringLiteral("5LE---3");
    EXPECT_EQ(shown(1.23456, "Stat"), QStringLiteral("1.235"));
    EXPECT_EQ(shown(1.23456, "Statistik"), QStringLiteral("1.235"));
    DeviceProfile = QStringLiteral("5LE2+-1");
    EXPECT_EQ(shown(1.23456, "Stat"), QStringLiteral("1.23"));
    DeviceProfile.clear();
    EXPECT_EQ(shown(1.23456, "Stat"), QStringLiteral("1.23"));
}

TEST_F(FormatValueTest, FluxMeterThresholds) {
    testing::useGauge(QStringLiteral("XK"), QStringLiteral("mVs"));
    EXPECT_EQ(shown(99.9994, "mT"), QStringLiteral("99.999"));
    EXPECT_EQ(shown(100, "mT"), QStringLiteral("100.00"));
    EXPECT_EQ(shown(9999.5, "mT"), QStringLiteral("9999.50"));
    EXPECT_EQ(shown(10000, "mT"), QStringLiteral("10000"));
    EXPECT_EQ(shown(-10000, "mT"), QStringLiteral("-10000"));
    for (const char* unit : {"µVs", "µVs/n", "µVs·cm", "mVs", "mVs/n", "A/cm", "µWb", "mWb", "µWb/n", "µWb·cm"}) {
        EXPECT_EQ(shown(99.5, unit), QStringLiteral("99.500")) << unit;
        EXPECT_EQ(shown(100, unit), QStringLiteral("100.00")) << unit;
        EXPECT_EQ(shown(999.5, unit), QStringLiteral("999.50")) << unit;
        EXPECT_EQ(shown(1000, unit), QStringLiteral("1000.0")) << unit;
    }
    // A unit outside the flux meter's list follows the general rules instead of showing
    // the previous reading's text.
    EXPECT_EQ(shown(50, "µm"), QStringLiteral("50.0"));
}

TEST_F(FormatValueTest, MicroteslaMeterThresholds) {
    testing::useGauge(QStringLiteral("KV6"), QStringLiteral("mT"));
    EXPECT_EQ(shown(999.994, "µT"), QStringLiteral("999.99"));
    EXPECT_EQ(shown(1000, "µT"), QStringLiteral("1000.0"));
    EXPECT_EQ(shown(9999.94, "mG"), QStringLiteral("9999.9"));
    EXPECT_EQ(shown(10000, "mG"), QStringLiteral("10000"));
    EXPECT_EQ(shown(12345.6, "mT"), QStringLiteral("12345.600"));
    EXPECT_EQ(shown(1.234, "G"), QStringLiteral("1.23"));
    EXPECT_EQ(shown(1234.567, "A/m"), QStringLiteral("1234.57"));
    // Other units: the general rules of its family.
    EXPECT_EQ(shown(50, "kA/m"), QStringLiteral("50.00"));
}

TEST_F(FormatValueTest, GeneralRulesByFamily) {
    struct Row {
        const char* unit;
        double value;
        const char* family4;
        const char* family5;
    };
    const Row rows[] = {
        {"mT", 9.994, "9.99", "9.99"},        {"mT", 10.2, "10.2", "10.20"},        {"mT", 99.994, "100.0", "99.99"},
        {"mT", 999.94, "999.9", "999.9"},    {"mT", 1000, "1000", "1000.0"},
        {"mT", 10000, "10000", "10000"},      {"A/cm", 99.94, "99.9", "99.9"},
        {"A/cm", 100, "100", "100.0"},        {"A/cm", 1000, "1000", "1000"},
        {"Oe", 100, "100", "100.0"},          {"G", 999.94, "1000", "999.9"},
        {"kA/m", 9.994, "9.99", "9.99"},      {"kA/m", 10, "10.0", "10.00"},
        {"kA/m", 100, "100.0", "100.0"},      {"µm", 99.94, "99.9", "99.9"},
        {"µm", 99.96, "100.0", "100.0"},      {"µm", 100, "100", "100"},
        {"ym", 12.34, "12.3", "12.3"},        {"µm", -150, "-150.0", "-150.0"},
        {"mils", 9.994, "9.99", "9.99"},      {"mils", 10, "10.0", "10.00"},
        {"mils", 100, "100.0", "100.0"},      {"µr", 9.9994, "9.999", "9.999"},
        {"µr", 10, "10.00", "10.00"},         {"FN", 9.994, "9.99", "9.99"},
        {"FN", 10, "10.0", "10.0"},           {"Fe%", 10, "10.0", "10.0"},
    };
    for (const Row& row : rows) {
        testing::useGauge(QStringLiteral("VQB"), QString());
        EXPECT_EQ(shown(row.value, row.unit), QLatin1String(row.family4)) << row.unit << " " << row.value;
        testing::useGauge(QStringLiteral("QX"), QString());
        EXPECT_EQ(shown(row.value, row.unit), QLatin1String(row.family5)) << row.unit << " " << row.value;
    }
}

TEST_F(FormatValueTest, RoundingHappensAfterTheDecimalsAreChosen) {
    testing::useGauge(QStringLiteral("VQB"), QString());
    FormatValue(9.996, QStringLiteral("mT"));
    EXPECT_EQ(lastFormattedText.trimmed(), QStringLiteral("10.00"));
    EXPECT_DOUBLE_EQ(lastFormattedValue, 10.0);
}

TEST_F(FormatValueTest, UnknownDescriptorsShowTwoDecimals) {
    lastFormattedText = QStringLiteral("previous");
    EXPECT_EQ(shown(1.2345, "xyz"), QStringLiteral("1.23"));
    EXPECT_EQ(shown(1.2345, ""), QStringLiteral("1.23"));
}

TEST_F(FormatValueTest, DisplayedValueIsWhatFormatValueStores) {
    testing::useGauge(QStringLiteral("XK"), QStringLiteral("mT"));
    lastFormattedText = QStringLiteral("untouched");
    for (double v : {0.12345, 99.9995, 150.55, 12345.5, -7.25})
        for (const char* d : {"mT", "µVs", "µm", "Stat", "2", "xyz"}) {
            const double shownValue = displayedValue(v, u(d));
            EXPECT_EQ(lastFormattedText, QStringLiteral("untouched"));
            FormatValue(v, u(d));
            EXPECT_EQ(shownValue, lastFormattedValue) << v << " " << d;
            lastFormattedText = QStringLiteral("untouched");
        }
}

TEST(RoundToDecimalsTest, ReadsTheDecimalsAsANumber) {
    EXPECT_DOUBLE_EQ(RoundToDecimals(2.5, QStringLiteral("0")), 2);
    EXPECT_DOUBLE_EQ(RoundToDecimals(1.25, QStringLiteral("1")), 1.2);
    EXPECT_DOUBLE_EQ(RoundToDecimals(1.2345, QStringLiteral("1.6")), 1.23);
    EXPECT_DOUBLE_EQ(RoundToDecimals(1.2345, QStringLiteral(" 3 ")), 1.234);
    EXPECT_THROW(RoundToDecimals(1.0, QStringLiteral("abc")), ConversionError);
    EXPECT_THROW(RoundToDecimals(1.0, QString()), ConversionError);
}

TEST(GetDecimalsIntTest, FirstThreeDecimalsAsAnInteger) {
    EXPECT_EQ(GetDecimalsInt(12.345), 345);
    EXPECT_EQ(GetDecimalsInt(7.5), 5);
    EXPECT_EQ(GetDecimalsInt(12.05), 5);
    EXPECT_EQ(GetDecimalsInt(3), 0);
    EXPECT_EQ(GetDecimalsInt(7.9996), 0);  // the fraction rounds to 1
    EXPECT_EQ(GetDecimalsInt(0.1234), 123);
}

TEST(RoundHalfEvenTest, DecimalHalvesAsWrittenGoToTheEvenNeighbour) {
    // The shortest decimal form decides, not the binary neighbour (3.15 is 3.1499999...).
    const struct {
        double value;
        int decimals;
        double expected;
    } cases[] = {
        {3.15, 1, 3.2},     {3.45, 1, 3.4},    {12.05, 1, 12.0},   {12.35, 1, 12.4},  {-12.35, 1, -12.4},
        {1.005, 2, 1.0},    {2.675, 2, 2.68},  {0.5, 0, 0},        {1.5, 0, 2},       {2.5, 0, 2},
        {9.95, 1, 10.0},    {99.995, 2, 100},  {0.0449, 1, 0.0},   {0.05, 1, 0.0},    {0.051, 1, 0.1},
        {0.004, 2, 0.0},    {-0.04, 1, 0.0},   {1e300, 3, 1e300},  {1.25, 15, 1.25},  {123456789.125, 2, 123456789.12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundHalfEven(c.value, c.decimals), c.expected) << c.value << " to " << c.decimals;
        EXPECT_FALSE(std::signbit(roundHalfEven(c.value, c.decimals)) && c.expected == 0) << c.value;
    }
}

}  // namespace
}  // namespace zenu
