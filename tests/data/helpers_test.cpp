// Hex, timestamp and alignment helpers, and the reading tables.
#include <gtest/gtest.h>

#include "data/conversion_error.h"
#include "data/hex_helpers.h"
#include "data/measurement_record.h"
#include "data/text_align.h"
#include "data/timestamps.h"
#include "data_support.h"

namespace zenu {
namespace {

TEST(HexHelpersTest, HexToBitsFourDigitsPerHexDigit) {
    EXPECT_EQ(HexToBits(u"0"), QStringLiteral("0000"));
    EXPECT_EQ(HexToBits(u"a"), QStringLiteral("1010"));
    EXPECT_EQ(HexToBits(u"F"), QStringLiteral("1111"));
    EXPECT_EQ(HexToBits(u"8c"), QStringLiteral("10001100"));
    EXPECT_EQ(HexToBits(u"g-1 "), QStringLiteral("0001"));  // other characters skipped
    EXPECT_EQ(HexToBits(u""), QString());
}

TEST(HexHelpersTest, StatusFlagsNeedExactlyOneByte) {
    EXPECT_EQ(StatusFlags(u"8C"), QStringLiteral("10001100"));
    EXPECT_THROW(StatusFlags(u"8"), ConversionError);
    EXPECT_THROW(StatusFlags(u"8C0"), ConversionError);
    EXPECT_THROW(StatusFlags(u"zz"), ConversionError);
}

TEST(HexHelpersTest, HexLEToLongReversesThePairs) {
    EXPECT_EQ(HexLEToLong(u"3412"), 4660);
    EXPECT_EQ(HexLEToLong(u"FF"), 255);
    EXPECT_EQ(HexLEToLong(u"FFFFFFFF"), 4294967295LL);
    EXPECT_THROW(HexLEToLong(u""), ConversionError);
    EXPECT_THROW(HexLEToLong(u"12zz"), ConversionError);
    EXPECT_THROW(HexLEToLong(u"FFFFFFFFFFFFFFFF"), ConversionError);  // beyond a signed 64-bit number
    EXPECT_THROW(HexLEToLong(u"000000000000000000"), ConversionError);
}

TEST(HexHelpersTest, HexLEToNumberByKind) {
    EXPECT_EQ(HexLEToNumber(u"0000803F", u"F"), 1.0);
    EXPECT_EQ(HexLEToNumber(u"000080BF", u"F"), -1.0);
    EXPECT_EQ(HexLEToNumber(u"3412"), 4660);
    EXPECT_EQ(HexLEToNumber(u"FFFF"), -1);  // signed 16-bit
    EXPECT_EQ(HexLEToNumber(u"0080"), -32768);
    EXPECT_EQ(HexLEToNumber(u"FFFFFFFF", u"D"), 4294967295.0);
    EXPECT_EQ(HexLEToNumber(u"0100", u"S"), 1.0f);
    EXPECT_THROW(HexLEToNumber(u"0000803F00", u"F"), ConversionError);
    EXPECT_THROW(HexLEToNumber(u"000000", u""), ConversionError);
    EXPECT_THROW(HexLEToNumber(u"00", u"Q"), ConversionError);
}

TEST(HexHelpersTest, HexToTextSkipsZeroBytes) {
    EXPECT_EQ(HexToText(u"4D0031"), QStringLiteral("M1"));
    EXPECT_EQ(HexToText(u"00000000"), QString());
    EXPECT_EQ(HexToText(u"B5"), QString::fromUtf8("µ"));  // Windows-1252
    EXPECT_EQ(HexToText(u"80"), QString::fromUtf8("€"));
    EXPECT_THROW(HexToText(u"4G"), ConversionError);
}

TEST(HexHelpersTest, TextToHexListUpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(TextToHexList(QString::fromUtf8("A\nµ")), QStringLiteral("41 A B5"));
    EXPECT_EQ(TextToHexList(QString()), QString());
}

TEST(HexHelpersTest, BitsToSingle) {
    EXPECT_EQ(BitsToSingle(u"00111111100000000000000000000000"), 1.0f);
    EXPECT_THROW(BitsToSingle(u"0011"), ConversionError);
    EXPECT_THROW(BitsToSingle(u"0011111110000000000000000000000x"), ConversionError);
}

TEST(HexHelpersTest, FastPathsReadNothingOutsideTheirText) {
    EXPECT_EQ(hex::le32At(u"0000803F", 0), 0x3F800000u);
    EXPECT_EQ(hex::singleAt(u"xx0000803F", 1), 1.0f);
    EXPECT_THROW(hex::byteAt(u"0A0", 1), ConversionError);
    EXPECT_THROW(hex::byteAt(u"0A", -1), ConversionError);
    EXPECT_THROW(hex::le32At(u"000080", 0), ConversionError);
}

TEST(TimestampTest, ParseTimestampTextByPosition) {
    const QDateTime t = ParseTimestampText(u"2024-12-31 10:15:30");
    EXPECT_EQ(t.date(), QDate(2024, 12, 31));
    EXPECT_EQ(t.time(), QTime(10, 15, 30));
    // The separators are not checked.
    EXPECT_EQ(ParseTimestampText(u"2024/12/31T10.15.30").time(), QTime(10, 15, 30));
}

TEST(TimestampTest, ParseTimestampTextErrors) {
    try {
        ParseTimestampText(u"2024-1x-31 10:15:30");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.number(), ConversionError::kTypeMismatch);
    }
    EXPECT_THROW(ParseTimestampText(u"2024-12-31"), ConversionError);
    EXPECT_THROW(ParseTimestampText(u""), ConversionError);
    try {
        ParseTimestampText(u"2024-13-31 10:15:30");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.number(), ConversionError::kInvalidArgument);
    }
    EXPECT_THROW(ParseTimestampText(u"2024-12-31 24:15:30"), ConversionError);
}

TEST(TimestampTest, ParseHexTimestampSecondFirst) {
    const QDateTime t = ParseHexTimestamp(u"1E0F0A1F0C18");
    EXPECT_EQ(t.date(), QDate(2024, 12, 31));
    EXPECT_EQ(t.time(), QTime(10, 15, 30));
    EXPECT_EQ(ParseHexTimestamp(u"1e0f0a1f0c18"), t);
    EXPECT_THROW(ParseHexTimestamp(u"1E0F0A1F0C"), ConversionError);
    EXPECT_THROW(ParseHexTimestamp(u"1E0F0A1F0CZZ"), ConversionError);
    EXPECT_THROW(ParseHexTimestamp(u"000000000000"), ConversionError);  // day and month 0
}

TEST(TextAlignTest, Ausrichten) {
    EXPECT_EQ(Ausrichten(11, QStringLiteral("1.50"), QStringLiteral(" "), false), QStringLiteral("       1.50"));
    EXPECT_EQ(Ausrichten(5, QStringLiteral("12"), QStringLiteral("0x"), false), QStringLiteral("00012"));
    EXPECT_EQ(Ausrichten(3, QStringLiteral("12345"), QStringLiteral(" "), true), QStringLiteral("123"));
    EXPECT_EQ(Ausrichten(3, QStringLiteral("12345"), QStringLiteral(" "), false), QStringLiteral("12345"));
    EXPECT_EQ(Ausrichten(3, QStringLiteral("123"), QStringLiteral(" "), true), QStringLiteral("123"));
    EXPECT_EQ(Ausrichten(4, QStringLiteral("1"), QString(), false), QStringLiteral("   1"));
    EXPECT_EQ(Ausrichten(-2, QStringLiteral("1"), QStringLiteral(" "), true), QString());
}

TEST(TextAlignTest, AusrichtenL) {
    EXPECT_EQ(AusrichtenL(6, QStringLiteral("  ab  ")), QStringLiteral("ab    "));
    EXPECT_EQ(AusrichtenL(2, QStringLiteral("abcd")), QStringLiteral("ab"));
    EXPECT_EQ(AusrichtenL(3, QString()), QStringLiteral("   "));
    EXPECT_EQ(AusrichtenL(-1, QStringLiteral("x")), QString());
}

TEST(ReadingTablesTest, IndexedOneToFiveThousand) {
    ReadingTables tables;
    EXPECT_NO_THROW(tables.at(0, 1));
    EXPECT_NO_THROW(tables.at(2, 5000));
    EXPECT_THROW(tables.at(2, 5001), std::out_of_range);
    EXPECT_THROW(tables.at(3, 1), std::out_of_range);
    EXPECT_THROW(tables.at(-1, 1), std::out_of_range);
    EXPECT_THROW(tables.count(3), std::out_of_range);
    EXPECT_FALSE(ReadingTables::validIndex(0));
    EXPECT_TRUE(ReadingTables::validIndex(5000));
}

TEST(ReadingTablesTest, CountingStopsAtTheFirstEmptySlot) {
    ReadingTables tables;
    tables.at(0, 1).number = 1;
    tables.at(0, 2).value = 2.5;
    tables.at(0, 4).number = 4;
    EXPECT_EQ(tables.count(0), 2);
    EXPECT_EQ(tables.count(1), 0);
    for (int i = 1; i <= kTableCapacity; ++i) tables.at(2, i).number = i;
    EXPECT_EQ(tables.count(2), kTableCapacity);
    tables.clear(2);
    EXPECT_EQ(tables.count(2), 0);
}

TEST(ReadingTablesTest, ClearReadingTableLeavesBlanks) {
    Tables.at(1, 7).number = 7;
    Tables.at(1, 7).method = QStringLiteral("FE");
    Tables.at(1, 7).invalidMark = QStringLiteral("X");
    ClearReadingTable(1);
    const MeasurementRecord& r = Tables.at(1, 7);
    EXPECT_EQ(r.number, 0);
    EXPECT_EQ(r.value, 0);
    EXPECT_EQ(r.dateText, QStringLiteral(" "));
    EXPECT_EQ(r.timeText, QStringLiteral(" "));
    EXPECT_EQ(r.unit, QStringLiteral(" "));
    EXPECT_EQ(r.method, QString());
    EXPECT_EQ(r.invalidMark, QString());
    EXPECT_TRUE(r.isEmpty());
    EXPECT_THROW(ClearReadingTable(3), std::out_of_range);
}

}  // namespace
}  // namespace zenu
