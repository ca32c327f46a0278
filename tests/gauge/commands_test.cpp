// Command texts and the battery symbol.
#include <gtest/gtest.h>

#include "gauge/battery.h"
#include "gauge/gauge_commands.h"
#include "gauge_support.h"

namespace zenu {
namespace {

TEST(GaugeCommandsTest, Texts) {
    EXPECT_EQ(commands::deviceInformation(), QStringLiteral("$zenu00!"));
    EXPECT_EQ(commands::memoryChipInfo(), QStringLiteral("$gfi!"));
    EXPECT_EQ(commands::probeInformation(), QStringLiteral("$gpi!"));
    EXPECT_EQ(commands::dataProtocol1(), QStringLiteral("$sdp?1!"));
    EXPECT_EQ(commands::batteryVoltage(), QStringLiteral("$gcv!"));
    EXPECT_EQ(commands::readClock(), QStringLiteral("$glt!"));
    EXPECT_EQ(commands::listFiles(), QStringLiteral("$ls!"));
    EXPECT_EQ(commands::openFile(QStringLiteral("m001")), QStringLiteral("$fr?m001!"));
    EXPECT_EQ(commands::readBlock(3, 32), QStringLiteral("$rd?3 32!"));
    EXPECT_EQ(commands::readBlock(3, 6), QStringLiteral("$rd?3 6!"));
    EXPECT_EQ(commands::closeFile(3), QStringLiteral("$fc?3!"));
    EXPECT_EQ(commands::selectMemory(QStringLiteral("3")), QStringLiteral("3"));
    EXPECT_EQ(commands::releaseMemory(), QStringLiteral("-"));
}

TEST(GaugeCommandsTest, SetClock) {
    const QDateTime t(QDate(2026, 12, 6), QTime(16, 20, 5));
    EXPECT_EQ(commands::clockText(t), QStringLiteral("2026-12-06/16:20:05"));
    EXPECT_EQ(commands::setClock(t), QStringLiteral("$slt?2026-12-06/16:20:05!\r\n"));
    EXPECT_TRUE(commands::expectsNoReply(commands::setClock(t)));
    EXPECT_FALSE(commands::expectsNoReply(commands::listFiles()));
}

TEST(BatteryTest, FamilyFiveThresholds) {
    EXPECT_EQ(batterySymbolFor(QLatin1Char('5'), 4.30), (BatterySymbol{true, QLatin1Char('J'), kBatteryFull}));
    EXPECT_EQ(batterySymbolFor(QLatin1Char('5'), 4.29), (BatterySymbol{true, QLatin1Char('K'), kBatteryHalf}));
    EXPECT_EQ(batterySymbolFor(QLatin1Char('5'), 3.51), (BatterySymbol{true, QLatin1Char('K'), kBatteryHalf}));
    EXPECT_EQ(batterySymbolFor(QLatin1Char('5'), 3.50), (BatterySymbol{true, QLatin1Char('L'), kBatteryLow}));
}

TEST(BatteryTest, FamilyFourThresholds) {
    EXPECT_EQ(batterySymbolFor(QLatin1Char('4'), 1.4).symbol, QLatin1Char('J'));
    EXPECT_EQ(batterySymbolFor(QLatin1Char('4'), 1.2).symbol, QLatin1Char('K'));
    EXPECT_EQ(batterySymbolFor(QLatin1Char('4'), 1.1).symbol, QLatin1Char('L'));
}

TEST(BatteryTest, NothingWithoutVoltageOrFamily) {
    EXPECT_FALSE(batterySymbolFor(QLatin1Char('5'), 0.0).shown);
    EXPECT_FALSE(batterySymbolFor(QLatin1Char(' '), 4.3).shown);
    EXPECT_EQ(kBatteryFull, (Rgb{0, 100, 0}));
    EXPECT_EQ(kBatteryHalf, (Rgb{255, 165, 0}));
    EXPECT_EQ(kBatteryLow, (Rgb{255, 0, 0}));
}

}  // namespace
}  // namespace zenu
