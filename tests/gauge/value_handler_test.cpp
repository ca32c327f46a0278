// The value handler: every reply form in its test order, and malformed replies.
#include <gtest/gtest.h>

#include "data/gauge_identity.h"
#include "gauge/handshake_state.h"
#include "gauge/value_handler.h"
#include "gauge_support.h"

namespace zenu {
namespace {

using testing::GaugeTest;

class ValueHandlerTest : public GaugeTest {
protected:
    void SetUp() override {
        GaugeTest::SetUp();
        AnswerState = kAnswerAwaited;
    }
    void handle(const QString& value, GaugeChannel channel = GaugeChannel::Command) { HandleGaugeValue(channel, value); }
    QString hexDigits(int bytes) {
        QString text;
        for (int i = 0; i < bytes; ++i) text += QStringLiteral("%1").arg((i * 7) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
        return text;
    }
};

TEST_F(ValueHandlerTest, BatteryVoltage) {
    handle(QStringLiteral("$gcv?3.91!"));
    EXPECT_DOUBLE_EQ(BatteryVoltage, 3.91);
    EXPECT_EQ(AnswerState, 0);
    EXPECT_EQ(ResponseText, QStringLiteral("3.91"));
    EXPECT_TRUE(replySeen(GaugeReply::Battery));

    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$gcv?--!"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_DOUBLE_EQ(BatteryVoltage, 3.91);

    handle(QStringLiteral("$gcv?3,85!\r\n"));
    EXPECT_DOUBLE_EQ(BatteryVoltage, 3.85);
    handle(QStringLiteral("$gcv?"));
    EXPECT_DOUBLE_EQ(BatteryVoltage, 3.85);
    EXPECT_EQ(ResponseText, QString());
}

TEST_F(ValueHandlerTest, BatteryVoltageInGermanToo) {
    testing::useGaugeLocale(QLocale(QLocale::German, QLocale::Germany));
    handle(QStringLiteral("$gcv?4.30!"));
    EXPECT_DOUBLE_EQ(BatteryVoltage, 4.3);
}

TEST_F(ValueHandlerTest, ClockAndDataProtocol) {
    handle(QStringLiteral("$glt?2024-12-31/10:15:30!"));
    EXPECT_EQ(ResponseText, QStringLiteral("2024-12-31/10:15:30"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::Clock));

    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$sdp?1!"));  // not the reply form
    EXPECT_EQ(AnswerState, kAnswerAwaited);
    handle(QStringLiteral("$sdp!"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::DataProtocol));
}

TEST_F(ValueHandlerTest, FileOpenLeavesAnswerStateAlone) {
    handle(QStringLiteral("$fr?3 1234!"));
    EXPECT_EQ(FileHandle, 3);
    EXPECT_EQ(FileSize, 1234);
    EXPECT_EQ(AnswerState, kAnswerAwaited);
    EXPECT_TRUE(replySeen(GaugeReply::FileOpen));
}

TEST_F(ValueHandlerTest, MalformedFileOpenChangesNothing) {
    for (const char* reply : {"$fr?x 12!", "$fr?3!", "$fr", "$fr?3 -5!", "$fr?3 99999999999!", "$fr?99999 1!", "$fr 3?4!"}) {
        handle(QString::fromLatin1(reply));
        EXPECT_EQ(FileHandle, 0) << reply;
        EXPECT_EQ(FileSize, 0) << reply;
        EXPECT_EQ(AnswerState, kAnswerAwaited) << reply;
        EXPECT_FALSE(replySeen(GaugeReply::FileOpen)) << reply;
    }
}

TEST_F(ValueHandlerTest, FileClose) {
    handle(QStringLiteral("$fc?3 0!"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::FileClose));
    handle(QStringLiteral("$fc?3 2!"));
    EXPECT_EQ(AnswerState, 2);

    handle(QStringLiteral("$fc?x 0!"));
    EXPECT_EQ(AnswerState, kAnswerMalformed);
    EXPECT_TRUE(replySeen(GaugeReply::Malformed));
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$fc?3 x!"));
    EXPECT_EQ(AnswerState, kAnswerMalformed);
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$fc?3!"));
    EXPECT_EQ(AnswerState, kAnswerMalformed);
}

TEST_F(ValueHandlerTest, WriteRemoveAndModify) {
    handle(QStringLiteral("$wr?1 0!"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::WriteRemove));
    handle(QStringLiteral("$wr?x 0!"));
    EXPECT_EQ(AnswerState, kAnswerMalformed);
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$rm?2 0!"));
    EXPECT_EQ(AnswerState, 0);
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$rm!"));
    EXPECT_EQ(AnswerState, kAnswerMalformed);
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$fmod?1!"));
    EXPECT_EQ(AnswerState, 0);
}

TEST_F(ValueHandlerTest, FirmwareReplies) {
    handle(QStringLiteral("$fwu?7!"));
    EXPECT_EQ(AnswerState, 7);
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$fwu?x!"));
    handle(QStringLiteral("$fwu?"));
    handle(QStringLiteral("$fwu"));
    EXPECT_EQ(AnswerState, kAnswerAwaited);
    handle(QStringLiteral("$fw?4 2!"));
    EXPECT_EQ(FileHandle, 4);
    EXPECT_EQ(AnswerState, 2);
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$fw?a b!"));
    EXPECT_EQ(FileHandle, 4);
    EXPECT_EQ(AnswerState, kAnswerAwaited);
}

TEST_F(ValueHandlerTest, ListReplyPieces) {
    handle(QStringLiteral("$ls?m001 s002!"));
    EXPECT_EQ(ResponseText, QStringLiteral("$ls?m001 s002!"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::FileList));
    handle(QStringLiteral("$ls?m001 s002!"));
    EXPECT_EQ(AnswerState, kAnswerRepeatedPiece);
    handle(QStringLiteral("$ls?other!"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_EQ(ResponseText, QStringLiteral("$ls?m001 s002!"));
}

TEST_F(ValueHandlerTest, AccumulatedPiecesUntilAnEmptyRead) {
    AccumulateMode = true;
    ResponseText = QStringLiteral("$ls?m0");
    handle(QStringLiteral("01 s002!"));
    EXPECT_EQ(ResponseText, QStringLiteral("$ls?m001 s002!"));
    handle(QString());
    EXPECT_TRUE(StorageEnd);
    EXPECT_FALSE(AccumulateMode);
    EXPECT_EQ(ResponseText, QStringLiteral("$ls?m001 s002!"));
}

TEST_F(ValueHandlerTest, BlockReply) {
    const QString payload = hexDigits(32);
    handle(QStringLiteral("$rd?3 0 32") + payload + QStringLiteral("!"));
    EXPECT_EQ(ResponseText, payload);
    EXPECT_EQ(ResponseText.size(), 64);
    EXPECT_EQ(AnswerState, 3);
    EXPECT_TRUE(replySeen(GaugeReply::Block));

    handle(QStringLiteral("$rd?3 96 06") + hexDigits(6) + QStringLiteral("!\r\n"));
    EXPECT_EQ(ResponseText, hexDigits(6));
    handle(QStringLiteral("$rd?3 0 02XXABCD!"));  // the payload is what precedes the "!"
    EXPECT_EQ(ResponseText, QStringLiteral("ABCD"));
}

TEST_F(ValueHandlerTest, BlockReplyWithHandle55IsStillSeen) {
    clearReplySeen(GaugeReply::Block);
    handle(QStringLiteral("$rd?55 0 01AB!"));
    EXPECT_EQ(AnswerState, 55);
    EXPECT_TRUE(replySeen(GaugeReply::Block));
}

TEST_F(ValueHandlerTest, MalformedBlockRepliesChangeNothing) {
    ResponseText = QStringLiteral("before");
    for (const char* reply : {"$rd?3 0 32ABCD!", "$rd?3 0 02ABCG!", "$rd?3 0 02ABCD", "$rd?x 0 02ABCD!", "$rd?3 02ABCD!",
                              "$rd?3 0 xxABCD!", "$rd?3 0 ", "$rd?3 0 9", "$rd", "$rd?", "$rd?3 0 99!", "$rd?3 0 -1AB!"}) {
        handle(QString::fromLatin1(reply));
        EXPECT_EQ(ResponseText, QStringLiteral("before")) << reply;
        EXPECT_EQ(AnswerState, kAnswerAwaited) << reply;
        EXPECT_FALSE(replySeen(GaugeReply::Block)) << reply;
    }
}

TEST_F(ValueHandlerTest, MemoryDirectory) {
    handle(QStringLiteral("3\nm1,12\n m2 , 3 \r\nS3,7\n"), GaugeChannel::StorageInfo);
    EXPECT_EQ(MemoryCount, 3);
    EXPECT_EQ(MemoryNames, (QStringList{QString(), QStringLiteral("m1"), QStringLiteral("m2"), QStringLiteral("S3")}));
    EXPECT_EQ(MemoryCounts, (QList<int16_t>{0, 12, 3, 7}));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::Directory));
}

TEST_F(ValueHandlerTest, MemoryDirectoryThatSaysMoreThanItHolds) {
    handle(QStringLiteral("3\na,1"), GaugeChannel::StorageInfo);
    EXPECT_EQ(MemoryCount, 1);
    EXPECT_EQ(MemoryNames.size(), 2);
    handle(QStringLiteral("2\nabc\ndef,5x"), GaugeChannel::StorageInfo);
    EXPECT_EQ(MemoryNames, (QStringList{QString(), QStringLiteral("abc"), QStringLiteral("def")}));
    EXPECT_EQ(MemoryCounts, (QList<int16_t>{0, 0, 5}));
    handle(QStringLiteral("x\n1,2"), GaugeChannel::StorageInfo);
    EXPECT_EQ(MemoryCount, 0);
    handle(QStringLiteral("-2\n1,2"), GaugeChannel::StorageInfo);
    EXPECT_EQ(MemoryCount, 0);
    handle(QStringLiteral("1\nm,99999999"), GaugeChannel::StorageInfo);
    EXPECT_EQ(MemoryCounts.value(1), 32767);
    EXPECT_EQ(AnswerState, 0);
}

TEST_F(ValueHandlerTest, StorageData) {
    handle(QStringLiteral("0001  12.5"), GaugeChannel::StorageData);
    EXPECT_EQ(ResponseText, QStringLiteral("0001  12.5"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_FALSE(StorageEnd);
    AnswerState = kAnswerAwaited;
    handle(QString(), GaugeChannel::StorageData);
    EXPECT_TRUE(StorageEnd);
    EXPECT_EQ(ResponseText, QString());
    EXPECT_EQ(AnswerState, 0);
}

TEST_F(ValueHandlerTest, LiveReadings) {
    QStringList readings;
    setLiveReadingHandler([&](const QString& v) {
        readings << v;
        EXPECT_EQ(AnswerState, kAnswerAwaited);  // set to 0 after the reading is handled
    });
    handle(QStringLiteral("0001  12.5"), GaugeChannel::Measurement);
    EXPECT_EQ(readings, QStringList{QStringLiteral("0001  12.5")});
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::LiveReading));

    setLiveReadingHandler({});
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("0002  12.5"), GaugeChannel::Measurement);
    EXPECT_EQ(AnswerState, 0);
}

TEST_F(ValueHandlerTest, MemoryChip) {
    handle(QStringLiteral("$gfi?M:5440 X:1!"));
    EXPECT_EQ(DeviceInfo.memoryChip, QStringLiteral("5440"));
    EXPECT_EQ(memoryChipDisplayText(), QStringLiteral("5440(new)"));
    EXPECT_EQ(AnswerState, 0);
    testing::useGaugeLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(memoryChipDisplayText(), QStringLiteral("5440(neu)"));
    handle(QStringLiteral("$gfi?M:1234!"));
    EXPECT_EQ(memoryChipDisplayText(), QStringLiteral("1234(alt)"));
    handle(QStringLiteral("$gfi?X:1!"));
    EXPECT_EQ(memoryChipDisplayText(), QString());
    handle(QStringLiteral("$gfi?M:"));
    EXPECT_EQ(DeviceInfo.memoryChip, QString());
}

TEST_F(ValueHandlerTest, DeviceInformation) {
    handle(QStringLiteral("$zenu00T:3 S:4711 R:840!"));
    EXPECT_EQ(DeviceInfo.deviceType, QStringLiteral("3"));
    EXPECT_EQ(SerialNumber, QStringLiteral("4711"));
    EXPECT_EQ(DeviceInfo.deviceRevision, QStringLiteral("840"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::DeviceInfoReply));
    EXPECT_FALSE(replySeen(GaugeReply::ProbeInfoReply));
}

TEST_F(ValueHandlerTest, DeviceInformationEveryKey) {
    handle(QStringLiteral("$zenu00T:ABCDEF V:1.2 B:3 R:840 S:4711 H:HW1 M:AABBCC N:x A:y U:uT!"));
    EXPECT_EQ(DeviceInfo.deviceType, QStringLiteral("EF"));  // longer than four: its last two
    EXPECT_EQ(DeviceInfo.version1, QStringLiteral("1.2"));
    EXPECT_EQ(DeviceInfo.version2, QStringLiteral("3"));
    EXPECT_EQ(DeviceInfo.hardwareInfo, QStringLiteral("HW1"));
    EXPECT_EQ(DeviceInfo.macAddress, QStringLiteral("AABBCC"));
    EXPECT_EQ(deviceUnit, QString::fromUtf8("µT"));
    EXPECT_EQ(SerialNumber, QStringLiteral("4711"));
}

TEST_F(ValueHandlerTest, DeviceInformationWithOnlyItsCode) {
    handle(QStringLiteral("$zenu00!"));
    handle(QStringLiteral("$zenu00"));
    EXPECT_EQ(AnswerState, kAnswerAwaited);
    EXPECT_FALSE(replySeen(GaugeReply::DeviceInfoReply));
}

TEST_F(ValueHandlerTest, DeviceInformationOddShapes) {
    handle(QStringLiteral("$zenu00T:3!xyz"));  // text after "!"
    EXPECT_EQ(DeviceInfo.deviceType, QStringLiteral("3"));
    EXPECT_EQ(AnswerState, 0);

    handle(QStringLiteral("$zenu00T:1 S:4711"));  // no "!": the last value runs to the end
    EXPECT_EQ(SerialNumber, QStringLiteral("4711"));

    // A value holding ":" shifts the pairs; keys that are not listed are skipped.
    handle(QStringLiteral("$zenu00M:AA:BB S:4712!"));
    EXPECT_EQ(DeviceInfo.macAddress, QString());
    EXPECT_EQ(SerialNumber, QStringLiteral("4712"));
    handle(QStringLiteral("$zenu00Q:1 S:4713!"));
    EXPECT_EQ(SerialNumber, QStringLiteral("4713"));

    for (const char* reply : {"$zenu00:::!", "$zenu00:", "$zenu00S:", "$zenu00 : : :", "$zenu00S::!", "$zenu00!!:"})
        handle(QString::fromLatin1(reply));
}

TEST_F(ValueHandlerTest, ProbeInformation) {
    SerialNumber = QStringLiteral("4711");
    handle(QStringLiteral("$gpiT:1F R:12 S:P99 U:metric!"));
    EXPECT_EQ(probeType, QStringLiteral("1F"));
    EXPECT_EQ(DeviceInfo.probeRevision, QStringLiteral("12"));
    EXPECT_EQ(DeviceInfo.probeSerial, QStringLiteral("P99"));
    EXPECT_EQ(deviceUnit, QString::fromUtf8("µm"));  // probe type 1: "metric" is µm
    EXPECT_EQ(SerialNumber, QStringLiteral("4711"));
    EXPECT_EQ(AnswerState, 0);
    EXPECT_TRUE(replySeen(GaugeReply::ProbeInfoReply));
}

TEST_F(ValueHandlerTest, InformationRepliesOnlyFromTheCommandCharacteristic) {
    handle(QStringLiteral("$gpiT:1F!"), GaugeChannel::Other);
    handle(QStringLiteral("$zenu00S:1!"), GaugeChannel::Other);
    handle(QStringLiteral("$gfi?M:5440!"), GaugeChannel::Other);
    EXPECT_EQ(probeType, QString());
    EXPECT_EQ(SerialNumber, QString());
    EXPECT_EQ(DeviceInfo.memoryChip, QString());
    EXPECT_EQ(AnswerState, kAnswerAwaited);
}

TEST_F(ValueHandlerTest, FileRepliesEndTheHandler) {
    ResponseText = QStringLiteral("before");
    handle(QStringLiteral("$fc?3 0!"), GaugeChannel::StorageData);
    EXPECT_EQ(ResponseText, QStringLiteral("before"));
    EXPECT_EQ(AnswerState, 0);
    // "$rd" goes on to the channel's own handling.
    AnswerState = kAnswerAwaited;
    handle(QStringLiteral("$rd?3 0 01AB!"), GaugeChannel::StorageData);
    EXPECT_EQ(ResponseText, QStringLiteral("$rd?3 0 01AB!"));
    EXPECT_EQ(AnswerState, 0);
}

TEST_F(ValueHandlerTest, UnknownValuesAreIgnored) {
    handle(QStringLiteral("hello"));
    handle(QStringLiteral("$xyz?1!"));
    EXPECT_EQ(AnswerState, kAnswerAwaited);
    EXPECT_EQ(RepliesSeen, 0u);
}

TEST_F(ValueHandlerTest, NoReplyShapeReadsOutOfRange) {
    const char* shapes[] = {"$", "$g", "$gcv", "$gcv?", "$glt?", "$sdp", "$wr", "$wr?", "$wr? ", "$fc? !", "$fc?1 ",
                            "$ls", "$ls?", "$fr?", "$fr? ", "$fwu?", "$fw?", "$fw? ", "$rd? ", "$rd?1  ", "$rd?1 2 3",
                            "$gfi", "$gpi", "$gpi:", "$zenu00", "!", "?", " ", ":", "\n", "\n\n,", ",\n,"};
    for (GaugeChannel channel : {GaugeChannel::Command, GaugeChannel::StorageInfo, GaugeChannel::StorageData,
                                 GaugeChannel::Measurement, GaugeChannel::Other}) {
        for (const char* shape : shapes) handle(QString::fromLatin1(shape), channel);
    }
    SUCCEED();
}

}  // namespace
}  // namespace zenu
