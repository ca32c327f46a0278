#include <gtest/gtest.h>

#include "texts/texts.h"

using namespace zenu;

TEST(Texts, TablesHoldBothLanguagesExactly) {
    EXPECT_EQ(captionText(50, 0), QStringLiteral("Verbinden"));
    EXPECT_EQ(captionText(50, 1), QStringLiteral("Connect"));
    EXPECT_EQ(captionText(11, 0), QStringLiteral("Schnittstelle wählen"));
    EXPECT_EQ(messageText(41, 1), QStringLiteral("Delete Tab"));
    EXPECT_EQ(messageText(93, 0), QStringLiteral("Verbindung"));
    EXPECT_EQ(statisticsLabel(18, 1), QStringLiteral("Average"));
    EXPECT_EQ(statisticsLabel(1, 0), QStringLiteral("Anzahl"));
}

TEST(Texts, BlanksAndTyposAreKept) {
    EXPECT_EQ(messageText(59, 0), QStringLiteral("Nein "));
    EXPECT_EQ(messageText(57, 1), QStringLiteral("Please enter targe value when using 80/20 rule "));
    EXPECT_EQ(messageText(60, 0), QStringLiteral("Min Limit  an 80/20 Regel angepasst von "));
    EXPECT_EQ(messageText(81, 1), QStringLiteral("Please switch on device ,wait 3 seconds and press Reconnect"));
    EXPECT_EQ(statisticsLabel(10, 0), QStringLiteral("Sollwert    "));
    EXPECT_EQ(statisticsLabel(7, 1), QStringLiteral(" Statistics not possible"));
    EXPECT_EQ(statisticsLabel(9, 0), QStringLiteral(" Messeinheiten "));
}

TEST(Texts, UnlistedNumbersAreEmptyAndTitleIsShared) {
    EXPECT_TRUE(captionText(6, 0).isEmpty());
    EXPECT_TRUE(captionText(56, 1).isEmpty());
    EXPECT_TRUE(captionText(-1, 0).isEmpty());
    EXPECT_TRUE(messageText(94, 0).isEmpty());
    EXPECT_TRUE(statisticsLabel(0, 0).isEmpty());
    EXPECT_TRUE(statisticsLabel(19, 1).isEmpty());
    EXPECT_EQ(messageText(14, 0), QStringLiteral("Zenu Connect V1.28"));
    EXPECT_EQ(messageText(14, 1), messageText(14, 0));
}

TEST(Texts, CurrentLanguageSelectsTheColumn) {
    LanguageIndex = 1;
    EXPECT_EQ(C(53), QStringLiteral("Connected"));
    EXPECT_EQ(M(13), QStringLiteral("Please wait...."));
    LanguageIndex = 0;
    EXPECT_EQ(C(53), QStringLiteral("Verbunden"));
    EXPECT_EQ(S(4), QStringLiteral("Mittel"));
}
