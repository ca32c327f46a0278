// Cutting replies into values: every helper on well-formed and broken text.
#include <gtest/gtest.h>

#include "gauge/reply_parsing.h"
#include "gauge_support.h"

namespace zenu::replies {
namespace {

TEST(ReplyParsingTest, ClosingIndex) {
    EXPECT_EQ(closingIndex(QStringLiteral("$gcv?3.9!")), 8);
    EXPECT_EQ(closingIndex(QStringLiteral("$gcv?3.9!\r\n")), 8);
    EXPECT_EQ(closingIndex(QStringLiteral("$gcv?3.9")), -1);
    EXPECT_EQ(closingIndex(QString()), -1);
    EXPECT_EQ(closingIndex(QStringLiteral("   ")), -1);
}

TEST(ReplyParsingTest, PayloadAfterQuestion) {
    EXPECT_EQ(payloadAfterQuestion(QStringLiteral("$glt?a b!")).value(), QStringLiteral("a b"));
    EXPECT_EQ(payloadAfterQuestion(QStringLiteral("$glt?ab")).value(), QStringLiteral("ab"));
    EXPECT_EQ(payloadAfterQuestion(QStringLiteral("$glt?!")).value(), QString());
    EXPECT_FALSE(payloadAfterQuestion(QStringLiteral("$glt!")).has_value());
    EXPECT_EQ(payloadAfterQuestion(QStringLiteral("$glt!x?y")).value(), QStringLiteral("y"));
}

TEST(ReplyParsingTest, FirstAndSecondValue) {
    EXPECT_EQ(firstValue(QStringLiteral("$fr?3 1234!")).value(), QStringLiteral("3"));
    EXPECT_EQ(secondValue(QStringLiteral("$fr?3 1234!")).value(), QStringLiteral("1234"));
    EXPECT_FALSE(firstValue(QStringLiteral("$fr?3!")).has_value());
    EXPECT_FALSE(firstValue(QStringLiteral("$fr 3?4!")).has_value());
    EXPECT_FALSE(secondValue(QStringLiteral("$fr?3 4")).has_value());
    EXPECT_FALSE(secondValue(QStringLiteral("$fr!3 4")).has_value());
    EXPECT_EQ(secondValue(QStringLiteral("$fr?3 !")).value(), QString());
}

TEST(ReplyParsingTest, ParseWhole) {
    int64_t v = 0;
    EXPECT_TRUE(parseWhole(u" -12 ", -100, 100, v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(parseWhole(u"+7", 0, 10, v));
    EXPECT_EQ(v, 7);
    v = 99;
    EXPECT_FALSE(parseWhole(u"12x", 0, 100, v));
    EXPECT_FALSE(parseWhole(u"1.5", 0, 100, v));
    EXPECT_FALSE(parseWhole(u"", 0, 100, v));
    EXPECT_FALSE(parseWhole(u"-", -100, 100, v));
    EXPECT_FALSE(parseWhole(u"101", 0, 100, v));
    EXPECT_FALSE(parseWhole(u"99999999999999999999999", 0, INT64_MAX, v));
    EXPECT_EQ(v, 99);
}

TEST(ReplyParsingTest, LeadingWholeAndNumber) {
    EXPECT_EQ(leadingWhole(u" 12abc"), 12);
    EXPECT_EQ(leadingWhole(u"-3"), -3);
    EXPECT_EQ(leadingWhole(u"abc"), 0);
    EXPECT_EQ(leadingWhole(u"99999999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(leadingNumber(u" 7500.5 x"), 7500.5);
    EXPECT_DOUBLE_EQ(leadingNumber(u"7500,5"), 7500.5);
    EXPECT_DOUBLE_EQ(leadingNumber(u"7500."), 7500);
    EXPECT_DOUBLE_EQ(leadingNumber(u"-3"), -3);
    EXPECT_DOUBLE_EQ(leadingNumber(u"."), 0);
    EXPECT_DOUBLE_EQ(leadingNumber(u"x7500"), 0);
    EXPECT_DOUBLE_EQ(leadingNumber(u""), 0);
}

TEST(ReplyParsingTest, BlockReplyReasons) {
    QString why;
    EXPECT_TRUE(parseBlockReply(QStringLiteral("$rd?3 0 02ABCD!"), &why).has_value());
    EXPECT_FALSE(parseBlockReply(QStringLiteral("$rd?3 0 03ABCD!"), &why).has_value());
    EXPECT_EQ(why, QStringLiteral("length beyond the reply"));
    EXPECT_FALSE(parseBlockReply(QStringLiteral("$rd?3 0 02ABCD"), &why).has_value());
    EXPECT_EQ(why, QStringLiteral("no closing \"!\""));
    EXPECT_FALSE(parseBlockReply(QStringLiteral("$rd?3 0 02ABXD!"), &why).has_value());
    EXPECT_EQ(why, QStringLiteral("payload is not hexadecimal"));
    EXPECT_FALSE(parseBlockReply(QStringLiteral("$rd?3 02ABCD!")).has_value());
    // Length written with a leading blank or zero.
    EXPECT_EQ(parseBlockReply(QStringLiteral("$rd?3 0 01AB!"))->payload, QStringLiteral("AB"));
    EXPECT_EQ(parseBlockReply(QStringLiteral("$rd?3 0  1AB!"))->payload, QStringLiteral("AB"));
    EXPECT_EQ(parseBlockReply(QStringLiteral("$rd?-2 0 00!"))->handle, -2);
}

TEST(ReplyParsingTest, InfoPairs) {
    const InfoPairs p = parseInfoPairs(QStringLiteral("T:3 S:4711 R:840!"));
    ASSERT_EQ(p.pairs.size(), 3u);
    EXPECT_EQ(p.pairs[0].key, QLatin1Char('T'));
    EXPECT_EQ(p.pairs[0].value, QStringLiteral("3"));
    EXPECT_EQ(p.pairs[2].value, QStringLiteral("840"));
    EXPECT_EQ(p.rest, QString());
    EXPECT_EQ(parseInfoPairs(QStringLiteral("T:3!tail")).rest, QStringLiteral("tail"));
    EXPECT_TRUE(parseInfoPairs(QStringLiteral("!")).pairs.empty());
    EXPECT_TRUE(parseInfoPairs(QString()).pairs.empty());
    // A long value: everything up to three characters before the next ":".
    EXPECT_EQ(parseInfoPairs(QStringLiteral("H:a b c S:1!")).pairs[0].value, QStringLiteral("a b c"));
}

TEST(ReplyParsingTest, MemoryChipCode) {
    EXPECT_EQ(memoryChipCode(QStringLiteral("$gfi?M:5440xx!")), QStringLiteral("5440"));
    EXPECT_EQ(memoryChipCode(QStringLiteral("$gfi?M:54")), QStringLiteral("54"));
    EXPECT_EQ(memoryChipCode(QStringLiteral("$gM:5440")), QString());  // before position 5
    EXPECT_EQ(memoryChipCode(QString()), QString());
}

}  // namespace
}  // namespace zenu::replies
