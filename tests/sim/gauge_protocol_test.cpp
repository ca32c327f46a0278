// The simulated gauge's command language, stored readings and reading lines, checked
// against the layouts the program reads.
#include <QTimeZone>
#include <cstring>
#include <map>

#include "sim/gauge_memory_file.h"
#include "sim/gauge_protocol.h"
#include "sim/gauge_reading_lines.h"
#include "sim_test_support.h"

using namespace simtest;

namespace {

const QDateTime kClock(QDate(2024, 3, 5), QTime(14, 22, 10), QTimeZone::utc());

FileReading reading(double value, int method = 0, bool deleted = false, int number = 0) {
    FileReading r;
    r.value = value;
    r.method = method;
    r.deleted = deleted;
    r.number = number;
    return r;
}

GaugeDef family5() {
    GaugeDef g;
    g.model = GaugeModel::QX;
    g.serial = "4711";
    GaugeFile m;
    m.name = "m001";
    m.title = "Brücke A";
    m.timestamp = kClock;
    m.readings = {reading(12.5), reading(99.0, 1, true), reading(14.25, 3, false, 7)};
    GaugeFile s;
    s.name = "s002";
    s.readings = {reading(1.5), reading(2.5)};
    GaugeFile t;
    t.name = "t003";
    t.intervalMs = 10;
    t.pulseTimeMs = 2.5;
    for (int i = 0; i < 9; ++i) t.readings.push_back(reading(i));
    g.files = {m, s, t};
    g.extraFiles = {"setup"};
    g.live.readings = {{12.3, "", std::nullopt, ""}, {10.0, "", 11.0, ""}};
    return resolvedGauge(g, kGauge5);
}

GaugeDef family4() {
    GaugeDef g;
    g.model = GaugeModel::VQB;
    StoredMemory one;
    one.number = 1;
    for (int i = 0; i < 7; ++i) one.readings.push_back({100.0 + i, "", "", {}});
    StoredMemory two;
    two.number = 2;
    two.listedCount = 9;
    StoredMemory empty;
    empty.number = 3;
    g.memories = {one, two, empty};
    return resolvedGauge(g, kGauge4);
}

// Pairs of a device-information reply read as the program reads them: after the code, a key
// letter before each ":", its value up to three characters before the next ":" (the last up
// to the "!").
std::map<char, std::string> pairsOf(const std::string& reply, std::size_t codeLength) {
    std::map<char, std::string> out;
    std::string rest = reply.substr(codeLength);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        if (colon == std::string::npos || colon == 0) break;
        const char key = rest[colon - 1];
        const auto next = rest.find(':', colon + 1);
        if (next == std::string::npos) {
            out[key] = rest.substr(colon + 1, rest.find('!') - colon - 1);
            break;
        }
        out[key] = rest.substr(colon + 1, next - 3 - colon);
        rest = rest.substr(next - 1);
    }
    return out;
}

float singleAt(const std::vector<uint8_t>& b, std::size_t at) {
    uint32_t bits = static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
                    (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

std::vector<uint8_t> fromHex(const std::string& hex) {
    const QByteArray raw = QByteArray::fromHex(QByteArray::fromStdString(hex));
    return std::vector<uint8_t>(raw.begin(), raw.end());
}

// Fields of a fixed-column line by the program's character positions (1-based).
struct Columns {
    QString number, value, unit, method, timestamp;
};
Columns columns(const QString& line) {
    return {line.mid(0, 4), line.mid(6, 10), line.mid(17, 4).trimmed(), line.mid(22, 3).trimmed(), line.mid(26, 19)};
}

QStringList blankFields(QString line) {
    line.replace(QStringLiteral("\r\n"), QStringLiteral("  "));
    line = line.trimmed();
    line.remove(QLatin1Char('!'));
    return line.split(QLatin1Char(' '));
}

}  // namespace

TEST(GaugeCommands, DeviceInformation) {
    GaugeProtocol gauge(family5(), kClock);
    const GaugeReply r = gauge.command("$zenu00!", 0);
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.text, "$zenu00T:QX20 V:1 B:0 R:840 S:4711 H:H2 M:C47F51005005 U:ym!");
    const auto pairs = pairsOf(r.text, 7);
    EXPECT_EQ(pairs.at('T'), "QX20");
    EXPECT_EQ(pairs.at('R'), "840");
    EXPECT_EQ(pairs.at('S'), "4711");
    EXPECT_EQ(pairs.at('M'), "C47F51005005");
    EXPECT_EQ(pairs.at('U'), "ym");
    EXPECT_EQ(r.pieces, std::vector<std::string>{r.text});
}

TEST(GaugeCommands, ProbeChipBatteryClock) {
    GaugeProtocol gauge(family5(), kClock);
    const auto probe = pairsOf(gauge.command("$gpi!", 0).text, 4);
    EXPECT_EQ(probe.at('T'), "F1");
    EXPECT_EQ(probe.at('R'), "12");
    EXPECT_EQ(probe.at('S'), "P1001");
    const std::string chip = gauge.command("$gfi!", 0).text;
    EXPECT_EQ(chip.substr(chip.find("M:") + 2, 4), "5440");
    EXPECT_EQ(gauge.command("$gcv!", 0).text, "$gcv?4.05!");
    EXPECT_EQ(gauge.command("$glt!", 61000).text, "$glt?2024-03-05/14:23:11!");
    // Setting the clock gets no answer; the clock runs on from the time set.
    EXPECT_FALSE(gauge.command("$slt?2026-12-06/16:20:05!\r\n", 1000).answered);
    EXPECT_EQ(gauge.command("$glt!", 3000).text, "$glt?2026-12-06/16:20:07!");
    EXPECT_EQ(gauge.command("$nope!", 0).text, "$err?nope!");
    EXPECT_EQ(gauge.command("garbage", 0).text, "$err!");
}

TEST(GaugeCommands, DataProtocolSwitch) {
    GaugeProtocol gauge(family5(), kClock);
    EXPECT_FALSE(gauge.blankSeparated());
    EXPECT_EQ(gauge.command("$sdp?1!", 0).text, "$sdp!");
    EXPECT_TRUE(gauge.blankSeparated());
    gauge.command("$sdp?0!", 0);
    EXPECT_FALSE(gauge.blankSeparated());
}

TEST(GaugeCommands, FileListInPieces) {
    GaugeDef def = family5();
    def.listPieceSize = 8;
    GaugeProtocol gauge(def, kClock);
    const GaugeReply r = gauge.command("$ls!", 0);
    EXPECT_EQ(r.text.substr(0, 4), "$ls?");
    EXPECT_EQ(r.text.substr(14), "m001 s002 t003 setup!");
    std::string joined;
    for (const auto& p : r.pieces) {
        EXPECT_LE(p.size(), 8u);
        joined += p;
    }
    EXPECT_EQ(joined, r.text);
    EXPECT_EQ(r.pieces.front().substr(0, 3), "$ls");
    EXPECT_EQ(r.pieces.front().find('!'), std::string::npos);
}

TEST(GaugeCommands, FileReadInBlocks) {
    GaugeProtocol gauge(family5(), kClock);
    EXPECT_EQ(gauge.command("$fr?nothing!", 0).text, "$fr?0 0!");
    const std::string open = gauge.command("$fr?m001!", 0).text;
    const std::size_t size = kMemoryHeaderSize + 3 * kMeasurementRecordSize;
    EXPECT_EQ(open, "$fr?1 " + std::to_string(size) + "!");
    ASSERT_EQ(gauge.openHandle(), 1);
    std::string hex;
    std::vector<std::size_t> lengths;
    std::size_t remaining = size;
    while (remaining > 0) {
        const std::size_t ask = remaining >= 32 ? 32 : remaining;
        const std::string reply = gauge.command("$rd?1 " + std::to_string(ask) + "!", 0).text;
        ASSERT_EQ(reply.substr(0, 6), "$rd?1 ");
        // The two characters after the second blank give the length; the payload ends before "!".
        const std::size_t second = reply.find(' ', reply.find(' ') + 1);
        const std::size_t length = std::stoul(reply.substr(second + 1, 2));
        lengths.push_back(length);
        hex += reply.substr(reply.size() - 1 - 2 * length, 2 * length);
        EXPECT_EQ(reply.back(), '!');
        remaining -= ask;
    }
    EXPECT_EQ(lengths, (std::vector<std::size_t>{32, 32, 32, 32, 32, 32, 16}));
    EXPECT_EQ(fromHex(hex), memoryFileBytes(family5().files[0], kClock));
    // Past the end and with a wrong handle nothing comes.
    EXPECT_EQ(gauge.command("$rd?1 32!", 0).text, "$rd?1 000208 00 !");
    EXPECT_EQ(gauge.command("$rd?4 32!", 0).text, "$rd?4 000208 00 !");
    EXPECT_EQ(gauge.command("$fc?1!", 0).text, "$fc?1 0!");
    EXPECT_EQ(gauge.command("$fc?1!", 0).text, "$fc?1 1!");
    // Handles count on.
    EXPECT_EQ(gauge.command("$fr?s002!", 0).text.substr(0, 6), "$fr?2 ");
}

TEST(GaugeCommands, HandleFiftyFiveCanBeProvoked) {
    GaugeDef def = family5();
    def.firstFileHandle = 55;
    GaugeProtocol gauge(def, kClock);
    EXPECT_EQ(gauge.command("$fr?s002!", 0).text, "$fr?55 168!");
}

TEST(GaugeFaults, NoLateMalformed) {
    GaugeDef def = family5();
    def.replyDelayMs = 5;
    def.faults = {{FaultKind::NoReply, "$gcv", 0, "", 0, 0, 1},
                   {FaultKind::LateReply, "$glt", 1500, "", 0, 0, -1},
                   {FaultKind::Malformed, "$fc", 0, "$fc?x 0!", 0, 0, 1}};
    GaugeProtocol gauge(def, kClock);
    EXPECT_FALSE(gauge.command("$gcv!", 0).answered);
    const GaugeReply again = gauge.command("$gcv!", 0);  // struck once only
    EXPECT_TRUE(again.answered);
    EXPECT_EQ(again.delayMs, 5);
    EXPECT_EQ(gauge.command("$glt!", 0).delayMs, 1505);
    EXPECT_EQ(gauge.command("$glt!", 0).delayMs, 1505);
    const GaugeReply bad = gauge.command("$fc?1!", 0);
    EXPECT_EQ(bad.text, "$fc?x 0!");
    EXPECT_EQ(bad.pieces, std::vector<std::string>{"$fc?x 0!"});
    EXPECT_EQ(gauge.command("$fc?1!", 0).text, "$fc?1 1!");
}

TEST(GaugeFaults, DisconnectInTheMiddleOfADownload) {
    GaugeDef def = family5();
    def.faults = {{FaultKind::Disconnect, "$rd", 0, "", 2, 300, 1}};
    GaugeProtocol gauge(def, kClock);
    gauge.command("$fr?m001!", 0);
    EXPECT_TRUE(gauge.command("$rd?1 32!", 0).answered);
    EXPECT_TRUE(gauge.command("$rd?1 32!", 0).answered);
    const GaugeReply third = gauge.command("$rd?1 32!", 0);
    EXPECT_FALSE(third.answered);
    EXPECT_TRUE(third.dropLink);
    EXPECT_EQ(third.offlineMs, 300);
    EXPECT_FALSE(gauge.command("$rd?1 32!", 0).dropLink);
}

TEST(GaugeStorage, DirectoryAndBlocksOfFiveLines) {
    GaugeProtocol gauge(family4(), kClock);
    EXPECT_EQ(gauge.directory(), "3\r\n1,7\r\n2,9\r\n3,0\r\n");
    EXPECT_EQ(gauge.nextStorageBlock(0), "");  // nothing selected
    gauge.storageInfoWritten("1");
    const QString first = QString::fromStdString(gauge.nextStorageBlock(0));
    const QStringList lines = first.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6);  // five lines and the empty rest after the last line feed
    EXPECT_EQ(lines[5], "");
    const Columns c = columns(lines[0]);
    EXPECT_EQ(c.number.trimmed(), "1");
    EXPECT_EQ(c.value.trimmed(), "100.0");
    EXPECT_EQ(c.unit, "ym");
    EXPECT_EQ(c.method, "FE");
    EXPECT_EQ(c.timestamp, "2024-03-05 14:16:10");  // seven readings a minute apart up to the clock
    EXPECT_EQ(columns(lines[4]).number.trimmed(), "5");
    const QStringList second = QString::fromStdString(gauge.nextStorageBlock(0)).split(QLatin1Char('\n'));
    ASSERT_EQ(second.size(), 3);
    EXPECT_EQ(columns(second[1]).value.trimmed(), "106.0");
    EXPECT_EQ(gauge.nextStorageBlock(0), "");
    // Selecting again starts over; the release mark ends the selection.
    gauge.storageInfoWritten("1");
    EXPECT_NE(gauge.nextStorageBlock(0), "");
    gauge.storageInfoWritten("-");
    EXPECT_EQ(gauge.nextStorageBlock(0), "");
    gauge.storageInfoWritten("3");
    EXPECT_EQ(gauge.nextStorageBlock(0), "");
    gauge.storageInfoWritten("8");
    EXPECT_EQ(gauge.nextStorageBlock(0), "");
}

TEST(ReadingLines, FixedColumns) {
    ReadingFields f{12, 3.25, 2, QStringLiteral("μm"), QStringLiteral("NF"), kClock};
    const QString line = fixedColumnLine(f);
    EXPECT_EQ(line.size(), 47);
    EXPECT_TRUE(line.endsWith(QStringLiteral("\r\n")));
    const Columns c = columns(line);
    EXPECT_EQ(c.number, "  12");
    EXPECT_EQ(c.value, "      3.25");
    EXPECT_EQ(c.unit, QStringLiteral("μm"));
    EXPECT_EQ(c.method, "NF");
    EXPECT_EQ(c.timestamp, "2024-03-05 14:22:10");
}

TEST(ReadingLines, BlankSeparated) {
    ReadingFields f{12, 3.25, 2, QStringLiteral("ym"), QStringLiteral("FE"), kClock};
    const QString line = blankSeparatedLine(f);
    EXPECT_EQ(line, "12 3.25 ym FE 2024-03-05/14:22:10!\r\n");
    EXPECT_EQ(blankFields(line), (QStringList{"12", "3.25", "ym", "FE", "2024-03-05/14:22:10"}));
}

TEST(ReadingLines, DualReadingsSplitAsTheProgramSplitsThem) {
    for (bool blank : {false, true})
        for (double second : {7.0, 1234.5678, 0.5}) {
            const QString l1 = readingLine({3, 12.5, 1, QStringLiteral("ym"), QStringLiteral("DNF"), kClock}, blank);
            const QString l2 = readingLine({4, second, 2, QStringLiteral("ym"), QStringLiteral("DFE"), kClock}, blank);
            const QString v = dualNotification(l1, l2, blank);
            EXPECT_TRUE(v.contains(QLatin1String("DNF")));
            const auto [a, b] = splitDualNotification(v, blank);
            if (blank) {
                EXPECT_EQ(blankFields(a), blankFields(l1));
                EXPECT_EQ(blankFields(b), blankFields(l2)) << b.toStdString();
            } else {
                EXPECT_EQ(columns(a).value, columns(l1).value);
                EXPECT_EQ(columns(b).value, columns(l2).value) << b.toStdString();
                EXPECT_EQ(columns(b).method, "DFE");
                EXPECT_EQ(columns(b).timestamp, "2024-03-05 14:22:10");
            }
        }
}

TEST(ReadingLines, SplitRoundsHalvesToEven) {
    // 21 characters: half 10.5 rounds to 10; 23: 11.5 rounds to 12.
    EXPECT_EQ(splitDualNotification(QString(21, 'x'), false).second.size(), 11);
    EXPECT_EQ(splitDualNotification(QString(23, 'x'), false).second.size(), 13);
    EXPECT_EQ(splitDualNotification(QString(20, 'x'), true).second.size(), 11);
}

TEST(LiveReadings, StreamInBothLayouts) {
    GaugeProtocol gauge(family5(), kClock);
    const QString first = QString::fromStdString(gauge.nextLiveNotification(0));
    EXPECT_EQ(columns(first).number.trimmed(), "1");
    EXPECT_EQ(columns(first).value.trimmed(), "12.3");
    EXPECT_EQ(columns(first).method, "FE");
    EXPECT_EQ(gauge.lastLiveNotification(), first.toStdString());
    const QString dual = QString::fromStdString(gauge.nextLiveNotification(0));
    EXPECT_TRUE(dual.contains(QLatin1String("DNF")));
    EXPECT_EQ(columns(splitDualNotification(dual, false).second).value.trimmed(), "11.0");
    gauge.command("$sdp?1!", 0);
    const QString again = QString::fromStdString(gauge.nextLiveNotification(2000));  // repeats
    EXPECT_EQ(blankFields(again), (QStringList{"4", "12.3", "ym", "FE", "2024-03-05/14:22:12"}));
}

TEST(LiveReadings, StreamWithoutRepeatEnds) {
    GaugeDef def = family5();
    def.live.repeat = false;
    GaugeProtocol gauge(def, kClock);
    EXPECT_NE(gauge.nextLiveNotification(0), "");
    EXPECT_NE(gauge.nextLiveNotification(0), "");
    EXPECT_EQ(gauge.nextLiveNotification(0), "");
}

TEST(MemoryFile, MeasurementMemoryLayout) {
    const GaugeFile file = family5().files[0];
    const auto b = memoryFileBytes(file, kClock);
    ASSERT_EQ(b.size(), 160u + 3 * 16);
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[8], 'B');
    EXPECT_EQ(b[8 + 2], 0xFC);  // "ü" in Windows-1252
    EXPECT_EQ(b[8 + 8], 0);
    EXPECT_EQ((std::vector<uint8_t>(b.begin() + 122, b.begin() + 128)), (std::vector<uint8_t>{10, 22, 14, 5, 3, 24}));
    EXPECT_EQ(b[128] | (b[129] << 8), 3);
    // Statistics over the readings not deleted.
    EXPECT_FLOAT_EQ(singleAt(b, 132), 12.5f);
    EXPECT_FLOAT_EQ(singleAt(b, 136), 14.25f);
    EXPECT_FLOAT_EQ(singleAt(b, 140), 13.375f);
    EXPECT_FLOAT_EQ(singleAt(b, 144), 13.375f);
    EXPECT_NEAR(singleAt(b, 148), 1.2374, 1e-3);
    // Records: status (deleted bit, method bits), timestamp, value, number.
    EXPECT_EQ(b[160 + 1], 0x00);
    EXPECT_EQ(b[176 + 1], 0x81);
    EXPECT_EQ(b[192 + 1], 0x03);
    EXPECT_EQ(b[176 + 3], 23);  // the second reading a minute after the file's time
    EXPECT_FLOAT_EQ(singleAt(b, 160 + 8), 12.5f);
    EXPECT_EQ(b[160 + 12], 1);
    EXPECT_EQ(b[192 + 12], 7);
}

TEST(MemoryFile, SingleValuesAndTraces) {
    const GaugeDef def = family5();
    const auto s = memoryFileBytes(def.files[1], kClock);
    ASSERT_EQ(s.size(), 160u + 8);
    EXPECT_EQ(s[4], 2);
    EXPECT_FLOAT_EQ(singleAt(s, 164), 2.5f);
    const auto t = memoryFileBytes(def.files[2], kClock);
    ASSERT_EQ(t.size(), 160u + 36);
    EXPECT_EQ(t[4], 3);
    EXPECT_EQ(t[130] | (t[131] << 8), 10);
    EXPECT_FLOAT_EQ(singleAt(t, 156), 2.5f);
    EXPECT_FLOAT_EQ(singleAt(t, 160 + 4 * 8), 8.0f);
    EXPECT_EQ(memoryKind("m001"), 'm');
    EXPECT_EQ(memoryKind("xt1"), 't');
    EXPECT_EQ(memoryKind("setup"), 's');
    EXPECT_EQ(memoryKind("abc"), 0);
}

TEST(MemoryFile, EveryMethodCode) {
    GaugeFile f;
    f.name = "m9";
    for (int bits = 0; bits < 16; ++bits) f.readings.push_back(reading(bits, bits));
    const auto b = memoryFileBytes(f, kClock);
    for (int bits = 0; bits < 16; ++bits) EXPECT_EQ(b[160 + 16 * static_cast<std::size_t>(bits) + 1], bits);
    EXPECT_EQ(methodBitsFromName("FLX"), 12);
    EXPECT_EQ(methodBitsFromName("DNF"), 3);
    EXPECT_FALSE(methodBitsFromName(""));
    EXPECT_FALSE(methodBitsFromName("XYZ"));
}

TEST(GaugeModels, ResolvedDefaults) {
    GaugeDef g;
    g.model = GaugeModel::XK;
    const GaugeDef r = resolvedGauge(g, 0xC47F51005005);
    EXPECT_EQ(r.name, "FLUX XK");
    EXPECT_EQ(r.unit, "mVs");
    EXPECT_EQ(r.decimals, 3);
    EXPECT_EQ(r.mac, "C47F51005005");
    EXPECT_EQ(modelInfo(GaugeModel::VQB).family, '4');
    EXPECT_EQ(modelFromCode("KV6"), GaugeModel::KV6);
    EXPECT_FALSE(modelFromCode("KV7"));
}
