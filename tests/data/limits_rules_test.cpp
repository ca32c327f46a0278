// Limits: cell colours, the input checks and messages of the limits dialog, the caption of the
// limits button, and the 80/20 verdict.
#include <gtest/gtest.h>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/limits_colours.h"
#include "data/limits_input.h"
#include "data/rule8020.h"
#include "data/statistics.h"
#include "data_support.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

LimitSettings limits(double min, double max, double soll = 0, bool rule = false) {
    LimitSettings l;
    l.MinLimit = min;
    l.MaxLimit = max;
    l.Soll = soll;
    l.Rule8020 = rule;
    return l;
}

class LimitsTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        useLocale(germanLocale());
    }
};

// The verdict line of readings under the given limits, as the statistics list shows it.
QString verdict(const LimitSettings& l, std::initializer_list<double> readings) {
    const LimitSettings saved = Limits;
    Limits = l;
    StatisticsModel stats;
    for (double v : readings) stats.include(v, QString::fromUtf8("µm"), QStringLiteral("FE"));
    Limits = saved;
    return stats.lines().isEmpty() ? QString() : stats.lines().last();
}

}  // namespace

TEST_F(LimitsTest, ColoursExactly) {
    EXPECT_EQ(kColourWithinLimits, (Rgb{158, 232, 155}));
    EXPECT_EQ(kColourOutsideLimits, (Rgb{239, 162, 162}));
    EXPECT_EQ(kColourBand8020, (Rgb{242, 180, 123}));
    EXPECT_EQ(kColourInvalidText, (Rgb{204, 204, 204}));
    EXPECT_EQ(kColourMarked, (Rgb{204, 204, 204}));
    EXPECT_EQ(kColourUnmarked, (Rgb{255, 255, 255}));
}

TEST_F(LimitsTest, CellColourByMinimumAndMaximum) {
    const LimitSettings l = limits(10, 20);
    EXPECT_EQ(colourValueCell(0, false, l).back, kColourOutsideLimits);  // 0 lies below the minimum
    EXPECT_EQ(colourValueCell(25, false, l).back, kColourOutsideLimits);
    EXPECT_EQ(colourValueCell(15, false, l).back, kColourWithinLimits);
    EXPECT_EQ(colourValueCell(10, false, l).back, kColourWithinLimits);
    EXPECT_EQ(colourValueCell(20, false, l).back, kColourWithinLimits);
    EXPECT_EQ(colourValueCell(-15, false, l).back, kColourWithinLimits);  // magnitudes
    EXPECT_EQ(colourValueCell(-15, false, l, false).back, kColourOutsideLimits);
    EXPECT_FALSE(colourValueCell(15, false, l).fore.has_value());
}

TEST_F(LimitsTest, NoLimitNoColourAndGreyTextForMarkedReadings) {
    const LimitSettings none = limits(0, 0, 50, true);
    EXPECT_FALSE(colourValueCell(45, false, none).back.has_value());
    EXPECT_EQ(colourValueCell(0, true, none).fore, kColourInvalidText);
    EXPECT_EQ(colourValueCell(0, true, limits(10, 20)).fore, kColourInvalidText);
}

TEST_F(LimitsTest, AnUnsetLimitIsNoLimit) {
    // With only a minimum set, readings above it are in limits (a maximum of 0 is not set).
    EXPECT_EQ(colourValueCell(500, false, limits(10, 0)).back, kColourWithinLimits);
    EXPECT_EQ(colourValueCell(5, false, limits(10, 0)).back, kColourOutsideLimits);
    EXPECT_EQ(colourValueCell(5, false, limits(0, 20)).back, kColourWithinLimits);
    EXPECT_EQ(colourValueCell(21, false, limits(0, 20)).back, kColourOutsideLimits);
}

TEST_F(LimitsTest, BandOf8020RuleIsOrange) {
    const LimitSettings l = limits(80, 150, 100, true);
    EXPECT_EQ(colourValueCell(80, false, l).back, kColourBand8020);
    EXPECT_EQ(colourValueCell(99.9, false, l).back, kColourBand8020);
    EXPECT_EQ(colourValueCell(100, false, l).back, kColourWithinLimits);
    EXPECT_EQ(colourValueCell(79, false, l).back, kColourOutsideLimits);
    LimitSettings off = l;
    off.Rule8020 = false;
    EXPECT_EQ(colourValueCell(85, false, off).back, kColourWithinLimits);
}

TEST_F(LimitsTest, RuleMovesTheMinimumTo80PercentOfTheTarget) {
    LimitSettings l = limits(50, 0, 100);
    const Apply8020Result r = setRule8020(l, true, kLanguageGerman);
    EXPECT_TRUE(l.Rule8020);
    EXPECT_DOUBLE_EQ(l.MinLimit, 80);
    EXPECT_EQ(l.MinLimitText, QStringLiteral("80"));
    EXPECT_TRUE(r.minChanged);
    EXPECT_EQ(r.messages, QStringList{QStringLiteral("Min Limit  an 80/20 Regel angepasst von 50 nach 80")});

    LimitSettings e = limits(50, 0, 100);
    EXPECT_EQ(Apply8020(e, true, kLanguageEnglish).messages,
              QStringList{QStringLiteral("Min limit changed due to 80/20 rule from 50 to 80")});
    // Already at 80 %: nothing to say.
    EXPECT_TRUE(Apply8020(e, true, kLanguageEnglish).messages.isEmpty());
}

TEST_F(LimitsTest, RuleWithoutTargetAsksForOne) {
    LimitSettings l = limits(50, 0, 0);
    const Apply8020Result r = setRule8020(l, true, kLanguageGerman);
    EXPECT_EQ(r.messages, QStringList{QStringLiteral("Eingabe Sollwert bei 80/20 Regel erforderlich")});
    EXPECT_DOUBLE_EQ(l.MinLimit, 50);
    EXPECT_FALSE(r.minChanged);
    EXPECT_EQ(Apply8020(l, true, kLanguageEnglish).messages,
              QStringList{QStringLiteral("Please enter targe value when using 80/20 rule ")});
}

TEST_F(LimitsTest, TargetOutsideTheLimitsAndMinimumAboveMaximum) {
    LimitSettings l = limits(10, 20, 25);
    EXPECT_EQ(Apply8020(l, false, kLanguageGerman).messages,
              QStringList{QStringLiteral("Sollwert muss zwischen Minimum und Maximum liegen!")});
    l = limits(10, 20, 5);
    EXPECT_EQ(Apply8020(l, false, kLanguageEnglish).messages,
              QStringList{QStringLiteral("Target value should be within Minimum and Maximum!")});
    l = limits(30, 20, 0);
    EXPECT_EQ(Apply8020(l, false, kLanguageGerman).messages, QStringList{QStringLiteral("Minimum größer als Maximum!")});
    EXPECT_EQ(Apply8020(l, false, kLanguageEnglish).messages, QStringList{QStringLiteral("Minimum higher than maximum!")});
    // The rule pushes the minimum above the maximum: both messages, in order.
    l = limits(0, 100, 200);
    const Apply8020Result r = Apply8020(l, true, kLanguageGerman);
    ASSERT_EQ(r.messages.size(), 2);
    EXPECT_EQ(r.messages.at(0), QStringLiteral("Min Limit  an 80/20 Regel angepasst von 0 nach 160"));
    EXPECT_EQ(r.messages.at(1), QStringLiteral("Minimum größer als Maximum!"));
    // Unset limits are no bounds for the target.
    l = limits(0, 0, 25);
    EXPECT_TRUE(Apply8020(l, false, kLanguageGerman).messages.isEmpty());
}

TEST_F(LimitsTest, TypedValuesAreChecked) {
    LimitSettings l = limits(10, 20, 15);
    LimitValidation v;
    for (const char* text : {"abc", "nan", "inf", "-inf", "Infinity"}) {
        v = validateLimitText(l, LimitField::Min, QString::fromLatin1(text), false, kLanguageGerman);
        EXPECT_FALSE(v.accepted) << text;
        EXPECT_EQ(v.messages, QStringList{QStringLiteral("Eingabe muss numerisch sein!")}) << text;
        EXPECT_DOUBLE_EQ(l.MinLimit, 10);
    }

    v = validateLimitText(l, LimitField::Max, QStringLiteral("-5"), false, kLanguageEnglish);
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.messages, QStringList{QStringLiteral("Only positive digits allowed")});
    EXPECT_EQ(v.boxText, QStringLiteral("5"));
    EXPECT_DOUBLE_EQ(l.MaxLimit, 20);

    v = validateLimitText(l, LimitField::Max, QStringLiteral("22,5"), false, kLanguageGerman);
    EXPECT_TRUE(v.accepted);
    EXPECT_DOUBLE_EQ(l.MaxLimit, 22.5);
    EXPECT_EQ(l.MaxLimitText, QStringLiteral("22,5"));
    EXPECT_TRUE(v.messages.isEmpty());

    v = validateLimitText(l, LimitField::Soll, QStringLiteral(" "), false, kLanguageGerman);
    EXPECT_TRUE(v.accepted);
    EXPECT_DOUBLE_EQ(l.Soll, 0);
    EXPECT_EQ(l.SollText, QStringLiteral(" "));

    // Accepted input runs the consistency check.
    v = validateLimitText(l, LimitField::Min, QStringLiteral("30"), false, kLanguageGerman);
    EXPECT_EQ(v.messages, QStringList{QStringLiteral("Minimum größer als Maximum!")});
    v = validateLimitText(l, LimitField::Soll, QStringLiteral("100"), true, kLanguageGerman);
    EXPECT_TRUE(v.minChanged);
    EXPECT_DOUBLE_EQ(l.MinLimit, 80);
}

TEST_F(LimitsTest, DeleteSetsEverythingToZero) {
    LimitSettings l = limits(10, 20, 15, true);
    clearLimits(l);
    EXPECT_TRUE(l.allZero());
    EXPECT_FALSE(l.Rule8020);
    EXPECT_EQ(limitsFileLine(l), QStringLiteral("0;0;0;0;"));
}

TEST_F(LimitsTest, ButtonCaption) {
    EXPECT_EQ(limitsButtonCaption(limits(0, 0, 0), QString(), kLanguageGerman), QStringLiteral("Grenzwerte"));
    EXPECT_EQ(limitsButtonCaption(limits(0, 0, 0), QString(), kLanguageEnglish), QStringLiteral("Limits"));
    EXPECT_EQ(limitsButtonCaption(limits(10, 20, 15), QString(), kLanguageGerman),
              QStringLiteral(">     10\n<     20\n=     15"));
    EXPECT_EQ(limitsButtonCaption(limits(10.5, 20, 0), QStringLiteral("QX"), kLanguageGerman),
              QStringLiteral(">   10,5\n<   20,0\n=    0,0"));
    EXPECT_EQ(limitsButtonCaption(limits(1.5, 2.25, 0), QStringLiteral("JZ"), kLanguageGerman),
              QStringLiteral(">  1,500\n<  2,250\n=  0,000"));
    useLocale(englishLocale());
    EXPECT_EQ(limitsButtonCaption(limits(1.5, 0, 0), QStringLiteral("KV4"), kLanguageEnglish),
              QStringLiteral(">    1.5\n<    0.0\n=    0.0"));
}

TEST_F(LimitsTest, InfoTextInBothLanguages) {
    const QStringList de = limitsInfoText(kLanguageGerman).split(QStringLiteral("\r\n"));
    ASSERT_EQ(de.size(), 7);
    EXPECT_EQ(de.at(0), QStringLiteral("Die 80/20 Regel nach ISO 19840 :"));
    EXPECT_EQ(de.at(5), QString());
    EXPECT_EQ(de.at(6), QStringLiteral("Kennzeichnung in Tabelle:  Wert ok = grün, Wert höher Max oder unter Min = red, "
                                       "Wert zwischen 80 and 100% = orange"));
    const QStringList en = limitsInfoText(kLanguageEnglish).split(QStringLiteral("\r\n"));
    ASSERT_EQ(en.size(), 7);
    EXPECT_EQ(en.at(2), QStringLiteral("2) Each value has to be minimun 80% of the Target Value, Min Limit = 80% of "
                                       "target Limit"));
}

TEST_F(LimitsTest, VerdictFailsOnTheBandShare) {
    // Mean 100 reaches the target, but two of three readings lie in the band: 67 %.
    EXPECT_EQ(verdict(limits(80, 0, 100, true), {85, 95, 120}), QStringLiteral("Regel 80/20 ok: Nein  67 %"));
}

TEST_F(LimitsTest, VerdictPassesAtTwentyPercent) {
    EXPECT_EQ(verdict(limits(80, 200, 100, true), {100, 110, 95, 120, 130}), QStringLiteral("Regel 80/20 ok: Ja 20 %"));
    useLocale(englishLocale());
    EXPECT_EQ(verdict(limits(80, 200, 100, true), {100, 110, 95, 120, 130}), QStringLiteral("rule 80/20 ok: Yes 20 %"));
}

TEST_F(LimitsTest, VerdictFailsOnTheMean) {
    // No reading in the band and none outside the limits, but the mean 80 lies below 100.
    EXPECT_EQ(verdict(limits(0, 0, 100, true), {150, 10}), QStringLiteral("Regel 80/20 ok: Nein  0 %"));
}

TEST_F(LimitsTest, OneReadingOutsideTheLimitsFailsForGood) {
    EXPECT_EQ(verdict(limits(80, 200, 100, true), {250, 120, 120, 120, 120, 120, 120}),
              QStringLiteral("Regel 80/20 ok: Nein  0 %"));
    EXPECT_EQ(verdict(limits(80, 200, 100, true), {120, 120, 120}), QStringLiteral("Regel 80/20 ok: Ja 0 %"));
}

TEST_F(LimitsTest, BandShareRoundsHalvesToEven) {
    Rule8020Evaluation e;
    const LimitSettings l = limits(80, 0, 100, true);
    double sum = 0;
    const double readings[8] = {90, 120, 120, 120, 120, 120, 120, 120};  // 1 of 8: 12.5 %
    for (int i = 0; i < 8; ++i) {
        sum += readings[i];
        e.include(readings[i], i + 1, sum, l);
    }
    EXPECT_EQ(e.bandCount(), 1);
    EXPECT_EQ(e.bandSharePercent(), 12);
    EXPECT_TRUE(e.ok());
    Rule8020Evaluation f;
    sum = 0;
    const double more[8] = {90, 90, 90, 120, 120, 120, 120, 120};  // 3 of 8: 37.5 %
    for (int i = 0; i < 8; ++i) {
        sum += more[i];
        f.include(more[i], i + 1, sum, l);
    }
    EXPECT_EQ(f.bandSharePercent(), 38);
    EXPECT_TRUE(f.bandFailed());
    EXPECT_FALSE(f.meanFailed());
}
