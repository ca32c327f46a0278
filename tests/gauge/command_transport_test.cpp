// The command handshake: what a sender sets, how it waits, and what it logs.
#include <gtest/gtest.h>

#include "gauge/command_transport.h"
#include "gauge/handshake_state.h"
#include "gauge_support.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_home.h"

namespace zenu {
namespace {

using testing::GaugeTest;
using testing::ScriptedGauge;

class CommandTransportTest : public GaugeTest {
protected:
    QString log() const { return QString::fromLatin1(testing::readBytes(home.file(QStringLiteral("TransferLog.txt")))); }

    testing::TempHome home;
    ScriptedGauge gauge;
};

TEST_F(CommandTransportTest, SendCommandSetsTheHandshake) {
    ResponseText = QStringLiteral("old");
    AnswerState = 0;
    ASSERT_TRUE(sendCommand(gauge, QStringLiteral("$gcv!")));
    EXPECT_EQ(CommandBuffer, QStringLiteral("$gcv!"));
    EXPECT_EQ(AnswerState, kAnswerAwaited);
    EXPECT_EQ(ResponseText, QString());
    EXPECT_EQ(gauge.writes, QStringList{QStringLiteral("$gcv!")});
}

TEST_F(CommandTransportTest, FailedWriteIsLogged) {
    gauge.failWrite(QStringLiteral("$gcv!"));
    EXPECT_FALSE(sendCommand(gauge, QStringLiteral("$gcv!")));
    EXPECT_TRUE(log().contains(QStringLiteral("WriteZenu fehlgeschlagen: $gcv!")));
}

TEST_F(CommandTransportTest, WaitsForItsOwnReply) {
    gauge.answer(QStringLiteral("$gcv!"), {{GaugeChannel::Measurement, QStringLiteral("0001 1.5")},
                                           {GaugeChannel::Command, QStringLiteral("$gcv?4.0!")},
                                           {GaugeChannel::Command, QStringLiteral("$ls?x!")}});
    ResponseText.clear();
    ASSERT_TRUE(sendAndWait(gauge, gauge.wait(), QStringLiteral("$gcv!"), GaugeReply::Battery, 300));
    EXPECT_DOUBLE_EQ(BatteryVoltage, 4.0);
    EXPECT_EQ(gauge.timeouts, QList<int>{300});
}

TEST_F(CommandTransportTest, AnEarlierReplyOfTheSameKindDoesNotCount) {
    markReplySeen(GaugeReply::Battery);
    gauge.answer(QStringLiteral("$gcv!"), QList<ScriptedGauge::Reply>{});
    EXPECT_FALSE(sendAndWait(gauge, gauge.wait(), QStringLiteral("$gcv!"), GaugeReply::Battery, 80));
    EXPECT_TRUE(log().contains(QStringLiteral("Keine Antwort auf $gcv! nach 80 ms")));
    EXPECT_EQ(AnswerState, kAnswerAwaited);
}

TEST_F(CommandTransportTest, BlockReplyWithHandle55EndsTheWait) {
    gauge.answer(QStringLiteral("$rd?55 2!"), QStringLiteral("$rd?55 0 02ABCD!"));
    ASSERT_TRUE(sendAndWait(gauge, gauge.wait(), QStringLiteral("$rd?55 2!"), GaugeReply::Block, 100));
    EXPECT_EQ(ResponseText, QStringLiteral("ABCD"));
    EXPECT_EQ(AnswerState, 55);
}

TEST_F(CommandTransportTest, MalformedRepliesAreLoggedShortly) {
    HandleGaugeValue(GaugeChannel::Command, QStringLiteral("$rd?3 0 99") + QString(500, QLatin1Char('Z')) + QStringLiteral("!"));
    const QString text = log();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Fehlerhafte Antwort (payload is not hexadecimal): $rd?3 0 99ZZZ")));
    EXPECT_LT(text.size(), 300);
}

TEST_F(CommandTransportTest, WithoutAnEventLoopTheProgramWaitOnlyChecks) {
    // No QCoreApplication: nothing can arrive, so the wait must not block.
    EXPECT_FALSE(eventLoopWait()([] { return false; }, 5000));
    EXPECT_TRUE(eventLoopWait()([] { return true; }, 5000));
}

}  // namespace
}  // namespace zenu
