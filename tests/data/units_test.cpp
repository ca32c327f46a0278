// Unit vocabulary: normalisation of what gauges send and conversion between units.
#include <gtest/gtest.h>

#include "data/conversion_error.h"
#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "data/units.h"
#include "data_support.h"

namespace zenu {
namespace {

using testing::DataTest;

QString u(const char* text) { return QString::fromUtf8(text); }

class NormalizeUnitTest : public DataTest {};

TEST_F(NormalizeUnitTest, EveryListedSpellingInItsWindowsReading) {
    const std::pair<const char*, const char*> rows[] = {
        {"ur", "µr"},          {"Î¼r", "µr"},        {"uT", "µT"},          {"Î¼T", "µT"},
        {"ym", "µm"},          {"mu", "µm"},         {"Î¼m", "µm"},         {"uVs", "µVs"},
        {"Î¼Vs", "µVs"},       {"uVsm", "µVs·cm"},   {"Î¼VsÂ·cm", "µVs·cm"}, {"uVsn", "µVs/n"},
        {"Î¼Vs/n", "µVs/n"},   {"Î¼Wb/n", "µWb/n"},  {"Î¼Wb/cm", "µWb·cm"}, {"Î¼WbÂ·cm", "µWb·cm"},
        {"uWb cm", "µWb·cm"},  {"mVsÂ·cm", "mVs·cm"}, {"mVs cm", "mVs·cm"},  {"mWb cm", "mWb·cm"},
        {"mWbÂ·cm", "mWb·cm"},
    };
    for (const auto& [received, canonical] : rows) EXPECT_EQ(NormalizeUnit(u(received)), u(canonical)) << received;
}

TEST_F(NormalizeUnitTest, GreekMuFromOurUtf8LinkGivesTheMicroSign) {
    // The same bytes decoded as UTF-8: U+03BC where Windows saw "Î¼", U+00B7 for "Â·".
    EXPECT_EQ(NormalizeUnit(u("\u03BCT")), u("µT"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCr")), u("µr"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCm")), u("µm"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCVs")), u("µVs"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCVs·cm")), u("µVs·cm"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCVs/n")), u("µVs/n"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCWb/n")), u("µWb/n"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCWb/cm")), u("µWb·cm"));
    EXPECT_EQ(NormalizeUnit(u("\u03BCWb·cm")), u("µWb·cm"));
    EXPECT_EQ(NormalizeUnit(u("mVs·cm")), u("mVs·cm"));
    EXPECT_EQ(NormalizeUnit(u("mWb·cm")), u("mWb·cm"));
    // Not listed: only the letter changes.
    EXPECT_EQ(NormalizeUnit(u("\u03BCA")), u("µA"));
}

TEST_F(NormalizeUnitTest, MicroSignAndCanonicalTextsStay) {
    for (const char* unit : {"µT", "µm", "µxyz", "mT", "A/cm", "kA/m", "FN", "Fe%", "mils", "µVs·cm", "uWb", ""})
        EXPECT_EQ(NormalizeUnit(u(unit)), u(unit)) << unit;
}

TEST_F(NormalizeUnitTest, MetricAndImperialOnlyWithProbeTypeOne) {
    EXPECT_EQ(NormalizeUnit(QStringLiteral("metric")), QStringLiteral("metric"));
    probeType = QStringLiteral("2F");
    EXPECT_EQ(NormalizeUnit(QStringLiteral("imperial")), QStringLiteral("imperial"));
    probeType = QStringLiteral("1F");
    EXPECT_EQ(NormalizeUnit(QStringLiteral("metric")), u("µm"));
    EXPECT_EQ(NormalizeUnit(QStringLiteral("imperial")), QStringLiteral("mils"));
    EXPECT_EQ(NormalizeUnit(QStringLiteral("uT")), u("µT"));
}

TEST_F(NormalizeUnitTest, MatchesAreExactAndCaseSensitive) {
    EXPECT_EQ(NormalizeUnit(QStringLiteral("UT")), QStringLiteral("UT"));
    EXPECT_EQ(NormalizeUnit(QStringLiteral(" uT")), QStringLiteral(" uT"));
    EXPECT_EQ(NormalizeUnit(QStringLiteral("uTx")), QStringLiteral("uTx"));
}

class ConvertUnitTest : public DataTest {
protected:
    // The flux kind converts from whatever fluxSourceUnit says: every row of the table.
    double convert(const char* source, const char* target, double value = 1.0) {
        deviceKind = QStringLiteral("MF");
        fluxSourceUnit = u(source);
        return ConvertUnit(value, u(target));
    }
};

TEST_F(ConvertUnitTest, EveryFactorOfTheTable) {
    struct Row {
        const char* source;
        const char* target;
        double factor;
    };
    const Row rows[] = {
        {"G", "A/cm", 0.795775},     {"G", "kA/m", 0.0795775},     {"G", "A/m", 79.5775},
        {"G", "mT", 0.1},            {"G", "T", 0.0001},           {"G", "kG", 0.001},
        {"G", "G", 1},               {"kG", "A/cm", 795.775},      {"kG", "kA/m", 79.5775},
        {"kG", "A/m", 79577.5},      {"kG", "mT", 100},            {"kG", "T", 0.1},
        {"kG", "Oe", 1000},          {"kG", "G", 1000},            {"A/cm", "Oe", 1.25664},
        {"A/cm", "G", 1.25664},      {"A/cm", "kA/m", 0.1},        {"A/cm", "A/m", 100},
        {"A/cm", "mT", 0.1256634},   {"A/cm", "T", 0.00012566374}, {"A/cm", "kG", 0.00125664},
        {"A/m", "Oe", 0.0125664},    {"A/m", "G", 0.0125664},      {"A/m", "kA/m", 0.001},
        {"A/m", "A/cm", 0.01},       {"A/m", "mT", 0.001256634},   {"A/m", "T", 0.00000125664},
        {"A/m", "kG", 0.0000125664}, {"kA/m", "Oe", 12.56634},     {"kA/m", "G", 12.56634},
        {"kA/m", "A/cm", 10},        {"kA/m", "A/m", 1000},        {"kA/m", "mT", 1.25664},
        {"kA/m", "T", 0.00125664},   {"kA/m", "kG", 0.01256634},   {"mT", "Oe", 10},
        {"mT", "G", 10},             {"mT", "A/m", 795.775},       {"mT", "kA/m", 0.795775},
        {"mT", "A/cm", 7.95775},     {"mT", "T", 0.001},           {"mT", "kG", 0.01},
        {"mT", "µT", 1000},          {"mT", "mG", 10000},          {"µT", "mT", 1.0 / 1000},
        {"µT", "G", 1.0 / 100},      {"µT", "mG", 10},             {"mils", "µm", 25.4},
        {"µm", "mils", 1 / 25.4},    {"µVs", "mVs", 0.001},        {"µVs", "mWb", 0.001},
        {"µVs/n", "mVs/n", 0.001},   {"µVs/n", "mWb/n", 0.001},    {"µVs·cm", "mVs·cm", 0.001},
        {"µVs·cm", "mWb·cm", 0.001}, {"mVs", "µVs", 1000},         {"mVs", "µWb", 1000},
        {"mVs/n", "µVs/n", 1000},    {"mVs/n", "µWb/n", 1000},     {"mVs·cm", "µVs·cm", 1000},
        {"mVs·cm", "µWb·cm", 1000},
    };
    for (const Row& row : rows) {
        EXPECT_DOUBLE_EQ(convert(row.source, row.target, 3.0), 3.0 * row.factor) << row.source << " -> " << row.target;
        // Equal units return before anything is emptied.
        EXPECT_EQ(fluxSourceUnit.isEmpty(), qstrcmp(row.source, row.target) != 0);
    }
}

TEST_F(ConvertUnitTest, WeberSpellingsConvertLikeVoltSeconds) {
    // Vs and Wb are one unit; a Wb source must not keep its micro value as milli.
    EXPECT_DOUBLE_EQ(convert("µWb/n", "mWb/n", 1500), 1.5);
    EXPECT_DOUBLE_EQ(convert("µWb·cm", "mVs·cm", 1500), 1.5);
    EXPECT_DOUBLE_EQ(convert("mWb", "µWb", 1.5), 1500);
}

TEST_F(ConvertUnitTest, PairsNotListedKeepTheValueButEmptyTheFluxSource) {
    EXPECT_DOUBLE_EQ(convert("mVs", "A/cm", 7.5), 7.5);
    EXPECT_TRUE(fluxSourceUnit.isEmpty());
    EXPECT_DOUBLE_EQ(convert("µT", "A/cm", 7.5), 7.5);
    EXPECT_DOUBLE_EQ(convert("Oe", "A/cm", 7.5), 7.5);
}

TEST_F(ConvertUnitTest, EqualUnitsChangeNothingAndKeepTheFluxSource) {
    EXPECT_DOUBLE_EQ(convert("mVs", "mVs", 100), 100);
    EXPECT_EQ(fluxSourceUnit, QStringLiteral("mVs"));
    EXPECT_DOUBLE_EQ(convert("mVs ", " mVs", 100), 100);
    EXPECT_EQ(fluxSourceUnit, QStringLiteral("mVs "));
}

TEST_F(ConvertUnitTest, SourceUnitFollowsTheKind) {
    deviceKind = QStringLiteral("SM");
    EXPECT_DOUBLE_EQ(ConvertUnit(10, QStringLiteral("mils")), 10 / 25.4);
    EXPECT_DOUBLE_EQ(ConvertUnit(10, u("µm")), 10);

    deviceKind = QStringLiteral("FM");
    DeviceCode = QStringLiteral("KV4");
    EXPECT_DOUBLE_EQ(ConvertUnit(10, QStringLiteral("kA/m")), 1);

    // The µT field meter measures in µT online and in mT in its memory.
    DeviceCode = QStringLiteral("KV6");
    currentTable = kTableOnline;
    EXPECT_EQ(conversionSourceUnit(), u("µT"));
    EXPECT_DOUBLE_EQ(ConvertUnit(2500, QStringLiteral("mT")), 2.5);
    currentTable = kTableMemory;
    EXPECT_EQ(conversionSourceUnit(), QStringLiteral("mT"));
    EXPECT_DOUBLE_EQ(ConvertUnit(2.5, u("µT")), 2500);

    deviceKind = QStringLiteral("PM");
    EXPECT_EQ(conversionSourceUnit(), u("µr"));
    EXPECT_DOUBLE_EQ(ConvertUnit(3, QStringLiteral("mT")), 3);

    deviceKind.clear();
    EXPECT_EQ(conversionSourceUnit(), QString());
    fluxSourceUnit = QStringLiteral("mVs");
    EXPECT_DOUBLE_EQ(ConvertUnit(10, QStringLiteral("mils")), 10);
    EXPECT_EQ(fluxSourceUnit, QStringLiteral("mVs"));  // nothing converted, nothing emptied
}

TEST_F(ConvertUnitTest, MilsToMicrometres) { EXPECT_DOUBLE_EQ(convert("mils", "µm", 10), 254); }

TEST_F(ConvertUnitTest, FerriteByFormula) {
    deviceKind = QStringLiteral("FC");
    EXPECT_DOUBLE_EQ(ConvertUnit(0, QStringLiteral("Fe%")), 0);
    EXPECT_NEAR(ConvertUnit(100, QStringLiteral("Fe%")), 76, 1e-9);
    // 120 is still the lower branch; above it the upper one.
    EXPECT_NEAR(ConvertUnit(120, QStringLiteral("Fe%")), 120 * (1.07 - 0.0031 * 120), 1e-9);
    EXPECT_NEAR(ConvertUnit(150, QStringLiteral("Fe%")), 150 * (0.58 + 0.00094 * 150), 1e-9);
    EXPECT_DOUBLE_EQ(ConvertUnit(12, QStringLiteral("FN")), 12);

    // Fe% to FN is the inverse of the lower branch.
    EXPECT_NEAR(convert("Fe%", "FN", 76), 100, 1e-9);
    EXPECT_NEAR(convert("Fe%", "FN", 0), 0, 1e-9);
}

TEST_F(ConvertUnitTest, FerriteBeyondTheFormulaIsAConversionError) {
    try {
        convert("Fe%", "FN", 95);
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.number(), ConversionError::kInvalidArgument);
    }
}

}  // namespace
}  // namespace zenu
