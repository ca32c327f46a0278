// The connection initialisation against a scripted gauge: the command sequence by family and
// firmware, identification and profile, the window steps, and bounded waits.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "data/gauge_identity.h"
#include "data/measurement_record.h"
#include "gauge/connection_init.h"
#include "gauge/handshake_state.h"
#include "gauge_support.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_home.h"

namespace zenu {
namespace {

using testing::GaugeTest;
using testing::RecordingHost;
using testing::ScriptedGauge;

class ConnectionInitTest : public GaugeTest {
protected:
    // A gauge that answers everything the initialisation asks.
    void scriptGauge(const QString& revision, const QString& unit = QStringLiteral("ym")) {
        gauge.answer(QStringLiteral("$zenu00!"), QStringLiteral("$zenu00T:1 V:2 B:3 R:") + revision +
                                                     QStringLiteral(" S:4711 H:HW M:AABB U:") + unit + QStringLiteral("!"));
        gauge.answer(QStringLiteral("$gfi!"), QStringLiteral("$gfi?M:5440!"));
        gauge.answer(QStringLiteral("$gpi!"), QStringLiteral("$gpiT:2A R:7 S:P1!"));
        gauge.answer(QStringLiteral("$sdp?1!"), QStringLiteral("$sdp!"));
        gauge.answer(QStringLiteral("$gcv!"), QStringLiteral("$gcv?4.31!"));
    }
    bool run(int timeoutMs = 1000) { return Initialisierung(gauge, gauge.wait(), host, timeoutMs); }

    ScriptedGauge gauge;
    RecordingHost host;
};

TEST_F(ConnectionInitTest, FamilyFiveWithNewFirmwareSwitchesToDataProtocolOne) {
    DeviceName = QStringLiteral("QX 100              ");
    scriptGauge(QStringLiteral("840"));
    ASSERT_TRUE(run());
    EXPECT_EQ(gauge.writes, (QStringList{QStringLiteral("$zenu00!"), QStringLiteral("$gfi!"), QStringLiteral("$gpi!"),
                                         QStringLiteral("$sdp?1!"), QStringLiteral("$gcv!")}));
    EXPECT_EQ(firmwareFlag, 1);
    EXPECT_EQ(DeviceCode, QStringLiteral("QX"));
    EXPECT_EQ(deviceKind, QStringLiteral("SM"));
    EXPECT_EQ(DeviceProfile, QStringLiteral("5LE2+-2"));
    EXPECT_EQ(SerialNumber, QStringLiteral("4711"));
    EXPECT_EQ(deviceUnit, QString::fromUtf8("µm"));
    EXPECT_EQ(probeType, QStringLiteral("2A"));
    EXPECT_EQ(DeviceInfo.memoryChip, QStringLiteral("5440"));
    EXPECT_DOUBLE_EQ(BatteryVoltage, 4.31);
    EXPECT_EQ(host.battery, (BatterySymbol{true, QLatin1Char('J'), kBatteryFull}));
    EXPECT_EQ(AnswerState, 0);
    // Every wait was bounded by the given limit.
    EXPECT_EQ(gauge.timeouts, (QList<int>{1000, 1000, 1000, 1000}));
}

TEST_F(ConnectionInitTest, TheWindowStepsInOrder) {
    DeviceName = QStringLiteral("QX 100");
    scriptGauge(QStringLiteral("840"));
    ASSERT_TRUE(run());
    EXPECT_EQ(host.calls, (QStringList{
                              QStringLiteral("wait:Please wait...."),
                              QStringLiteral("placeReadingField"),
                              QStringLiteral("showDeviceFrame"),
                              QStringLiteral("name:QX 100"),
                              QStringLiteral("picture:QX.png"),
                              QStringLiteral("branding:"),
                              QStringLiteral("applyProfile"),
                              QStringLiteral("prepareReadingView"),
                              QStringLiteral("readingTablesCleared"),
                              QStringLiteral("clearClipboard"),
                              QStringLiteral("settings:SL"),
                              QStringLiteral("settings:TL"),
                              QStringLiteral("startKeyboardEventTarget"),
                              QStringLiteral("showCommandFrames"),
                              QStringLiteral("showBattery"),
                          }));
    ASSERT_EQ(host.fields.size(), 1);
    EXPECT_EQ(host.fields[0], textDisplayLayout());
    EXPECT_EQ(host.frame, (DeviceFrame{true, kFrameColourQX}));
    EXPECT_TRUE(host.picture.readingField.has_value());
    EXPECT_TRUE(host.effects.clockMenu);
    EXPECT_TRUE(host.effects.bluetoothLinkSymbol);
    EXPECT_TRUE(host.effects.rule8020);
}

TEST_F(ConnectionInitTest, GermanWaitMessage) {
    testing::useGaugeLocale(QLocale(QLocale::German, QLocale::Germany));
    DeviceName = QStringLiteral("QX");
    scriptGauge(QStringLiteral("100"));
    ASSERT_TRUE(run());
    EXPECT_EQ(host.calls.value(0), QStringLiteral("wait:Bitte warten...."));
}

TEST_F(ConnectionInitTest, FamilyFiveWithOldFirmwareKeepsFixedColumns) {
    DeviceName = QStringLiteral("KV-4000");
    scriptGauge(QStringLiteral("831"));
    firmwareFlag = 1;  // from an earlier gauge
    ASSERT_TRUE(run());
    EXPECT_EQ(gauge.writes, (QStringList{QStringLiteral("$zenu00!"), QStringLiteral("$gfi!"), QStringLiteral("$gpi!"),
                                         QStringLiteral("$gcv!")}));
    EXPECT_EQ(firmwareFlag, 0);
    EXPECT_EQ(DeviceCode, QStringLiteral("KV4"));
    EXPECT_FALSE(host.effects.rule8020);
}

TEST_F(ConnectionInitTest, FamilyFourAsksNoProbeInformation) {
    DeviceName = QStringLiteral("VTP 2");
    scriptGauge(QStringLiteral("900"));
    gauge.answer(QStringLiteral("$gcv!"), QStringLiteral("$gcv?1.2!"));
    ASSERT_TRUE(run());
    EXPECT_EQ(gauge.writes, (QStringList{QStringLiteral("$zenu00!"), QStringLiteral("$gfi!"), QStringLiteral("$gcv!")}));
    EXPECT_EQ(firmwareFlag, 0);
    EXPECT_EQ(DeviceCode, QStringLiteral("VQB"));
    EXPECT_EQ(DeviceProfile, QStringLiteral("4LE2+-2"));
    EXPECT_EQ(host.battery.symbol, QLatin1Char('K'));
    EXPECT_EQ(host.picture.file, QStringLiteral("VQ.gif"));
    EXPECT_EQ(host.frame, (DeviceFrame{false, std::nullopt}));
}

TEST_F(ConnectionInitTest, ReadingTablesAreEmptiedAndOnlineIsCurrent) {
    DeviceName = QStringLiteral("QX");
    scriptGauge(QStringLiteral("100"));
    for (int t = kTableMemory; t <= kTableOnline; ++t) Tables.at(t, 3).number = 3;
    currentTable = kTableMemory;
    readingIndex = 40;
    onlineCounter = 17;
    ASSERT_TRUE(run());
    for (int t = kTableMemory; t <= kTableOnline; ++t) {
        EXPECT_EQ(Tables.at(t, 3).number, 0);
        EXPECT_EQ(Tables.at(t, 3).unit, QStringLiteral(" "));
    }
    EXPECT_EQ(currentTable, kTableOnline);
    EXPECT_EQ(readingIndex, 1);
    EXPECT_EQ(onlineCounter, 1);
}

TEST_F(ConnectionInitTest, UnknownGaugeInAFreshProgram) {
    DeviceName = QStringLiteral("Nameless");
    scriptGauge(QStringLiteral("900"));
    ASSERT_TRUE(run());
    EXPECT_EQ(DeviceCode, QString());
    EXPECT_EQ(DeviceProfile, QString());
    EXPECT_FALSE(gauge.writes.contains(QStringLiteral("$gpi!")));
    EXPECT_FALSE(host.effects.bluetoothLinkSymbol);  // picUsb
    EXPECT_FALSE(host.calls.contains(QStringLiteral("showDeviceFrame")));
    EXPECT_FALSE(host.battery.shown);  // no family, no symbol
}

TEST_F(ConnectionInitTest, UnknownGaugeKeepsThePreviousModel) {
    DeviceName = QStringLiteral("FLUX 1");
    scriptGauge(QStringLiteral("900"));
    ASSERT_TRUE(run());
    ScriptedGauge second;
    RecordingHost secondHost;
    second.answer(QStringLiteral("$zenu00!"), QStringLiteral("$zenu00S:1!"));
    second.answer(QStringLiteral("$gpi!"), QStringLiteral("$gpiT:1!"));
    second.answer(QStringLiteral("$gcv!"), QStringLiteral("$gcv?4.0!"));
    DeviceName = QStringLiteral("Nameless");
    ASSERT_TRUE(Initialisierung(second, second.wait(), secondHost, 1000));
    EXPECT_EQ(DeviceCode, QStringLiteral("XK"));
    EXPECT_EQ(DeviceProfile, QStringLiteral("5LE0--3"));
    EXPECT_TRUE(second.writes.contains(QStringLiteral("$gpi!")));
    EXPECT_EQ(firmwareFlag, 0);  // revision not sent this time
    EXPECT_EQ(SerialNumber, QStringLiteral("1"));
    EXPECT_EQ(deviceUnit, QString());  // not the previous gauge's
    EXPECT_EQ(secondHost.picture.file, QStringLiteral("XK.png"));
}

TEST_F(ConnectionInitTest, SerialNumberSelectsBrandA) {
    DeviceName = QStringLiteral("QX");
    gauge.answer(QStringLiteral("$zenu00!"), QStringLiteral("$zenu00S:7500!"));
    gauge.answer(QStringLiteral("$gpi!"), QStringLiteral("$gpiT:1!"));
    gauge.answer(QStringLiteral("$gcv!"), QStringLiteral("$gcv?4.0!"));
    BrandingVariant = QStringLiteral("BrandD");
    ASSERT_TRUE(run());
    EXPECT_EQ(BrandingVariant, QStringLiteral("BrandA"));
    EXPECT_EQ(host.picture.file, QStringLiteral("leer.png"));
    EXPECT_TRUE(host.picture.showNameLabel);
    EXPECT_TRUE(host.calls.contains(QStringLiteral("branding:BrandA")));
}

TEST_F(ConnectionInitTest, BrandingIsClearedForEachConnection) {
    DeviceName = QStringLiteral("QX");
    scriptGauge(QStringLiteral("100"));
    BrandingVariant = QStringLiteral("BrandD");
    ASSERT_TRUE(run());
    EXPECT_EQ(BrandingVariant, QString());
}

TEST_F(ConnectionInitTest, DeviceInformationThatNeverComesEndsWithAnError) {
    DeviceName = QStringLiteral("QX");
    gauge.answer(QStringLiteral("$zenu00!"), QList<ScriptedGauge::Reply>{});
    EXPECT_FALSE(run(200));
    EXPECT_EQ(gauge.writes, QStringList{QStringLiteral("$zenu00!")});
    EXPECT_EQ(gauge.timeouts, QList<int>{200});
    EXPECT_EQ(host.calls.last(), QStringLiteral("failed:Read device information Error"));
}

TEST_F(ConnectionInitTest, ALiveReadingDoesNotEndTheWait) {
    DeviceName = QStringLiteral("QX");
    int readings = 0;
    setLiveReadingHandler([&](const QString&) { ++readings; });
    gauge.interject(GaugeChannel::Measurement, QStringLiteral("0001 12.5"));
    gauge.answer(QStringLiteral("$zenu00!"), QList<ScriptedGauge::Reply>{});
    EXPECT_FALSE(run(100));
    EXPECT_EQ(readings, 1);
    EXPECT_EQ(AnswerState, 0);  // the reading set it; the sender still knew better
}

TEST_F(ConnectionInitTest, ProbeInformationThatNeverComes) {
    DeviceName = QStringLiteral("QX");
    scriptGauge(QStringLiteral("900"));
    gauge.answer(QStringLiteral("$gpi!"), QStringLiteral("$gpi!"));  // only its code: no pairs
    EXPECT_FALSE(run());
    EXPECT_EQ(gauge.writes.last(), QStringLiteral("$gpi!"));
    EXPECT_EQ(firmwareFlag, 0);
    EXPECT_TRUE(host.calls.last().startsWith(QStringLiteral("failed:")));
}

TEST_F(ConnectionInitTest, DataProtocolSwitchThatNeverComesLeavesFixedColumns) {
    DeviceName = QStringLiteral("QX");
    scriptGauge(QStringLiteral("900"));
    gauge.answer(QStringLiteral("$sdp?1!"), QList<ScriptedGauge::Reply>{});
    EXPECT_FALSE(run());
    EXPECT_EQ(firmwareFlag, 0);
}

TEST_F(ConnectionInitTest, BatteryThatNeverComesIsNoFailure) {
    DeviceName = QStringLiteral("QX");
    scriptGauge(QStringLiteral("100"));
    gauge.answer(QStringLiteral("$gcv!"), QList<ScriptedGauge::Reply>{});
    EXPECT_TRUE(run());
    EXPECT_FALSE(host.calls.contains(QStringLiteral("showBattery")));
    EXPECT_EQ(host.calls.last(), QStringLiteral("showCommandFrames"));
}

TEST_F(ConnectionInitTest, FailedWriteStops) {
    DeviceName = QStringLiteral("QX");
    scriptGauge(QStringLiteral("100"));
    gauge.failWrite(QStringLiteral("$zenu00!"));
    EXPECT_FALSE(run());
    EXPECT_TRUE(gauge.timeouts.isEmpty());
    // A failing "$gfi!" write is no reason to stop: nothing waits for it.
    ScriptedGauge second;
    RecordingHost secondHost;
    DeviceName = QStringLiteral("VTP");
    second.answer(QStringLiteral("$zenu00!"), QStringLiteral("$zenu00S:1!"));
    second.answer(QStringLiteral("$gcv!"), QStringLiteral("$gcv?1.5!"));
    second.failWrite(QStringLiteral("$gfi!"));
    EXPECT_TRUE(Initialisierung(second, second.wait(), secondHost, 1000));
}

TEST_F(ConnectionInitTest, ConnectionIsLogged) {
    testing::TempHome home;
    DeviceName = QStringLiteral("QX 1");
    scriptGauge(QStringLiteral("100"));
    ASSERT_TRUE(run());
    const QString log = QString::fromLatin1(testing::readBytes(home.file(QStringLiteral("TransferLog.txt"))));
    EXPECT_TRUE(log.startsWith(QStringLiteral("Logdatei "))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("\r\nAppDataPath = ") + AppDataPath + QStringLiteral("\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("\r\nGeraet: QXGeraetename: QX 1\r\n")));

    ScriptedGauge silent;
    silent.answer(QStringLiteral("$zenu00!"), QList<ScriptedGauge::Reply>{});
    EXPECT_FALSE(Initialisierung(silent, silent.wait(), host, 50));
    const QString after = QString::fromLatin1(testing::readBytes(home.file(QStringLiteral("TransferLog.txt"))));
    EXPECT_TRUE(after.contains(QStringLiteral("Keine Antwort auf $zenu00! nach 50 ms"))) << after.toStdString();
}

// The program's own wait: a nested event loop in which the reply arrives.
TEST_F(ConnectionInitTest, EventLoopWaitLetsRepliesArriveAndIsBounded) {
    int argc = 1;
    char name[] = "tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    class DelayedGauge : public CommandTransport {
    public:
        bool writeCommand(const QString& command) override {
            writes << command;
            if (command == QLatin1String("$zenu00!")) {
                QTimer::singleShot(30, [] { HandleGaugeValue(GaugeChannel::Command, QStringLiteral("$zenu00S:9!")); });
            }
            return true;
        }
        QStringList writes;
    } delayed;

    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(sendAndWait(delayed, eventLoopWait(), QStringLiteral("$zenu00!"), GaugeReply::DeviceInfoReply, 2000));
    EXPECT_EQ(SerialNumber, QStringLiteral("9"));
    EXPECT_LT(clock.elapsed(), 1500);

    clock.restart();
    EXPECT_FALSE(sendAndWait(delayed, eventLoopWait(), QStringLiteral("$gcv!"), GaugeReply::Battery, 150));
    EXPECT_GE(clock.elapsed(), 140);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(AnswerState, kAnswerAwaited);
}

}  // namespace
}  // namespace zenu
