// Windows-1252 files with CR LF, safe file names from gauge serials, locale numbers.
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "platform/cp1252.h"
#include "platform/localefmt.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "platform/translog.h"
#include "../support/file_bytes.h"
#include "../support/temp_home.h"

using namespace zenu;
using namespace zenu::platform;
using zenu::testing::readBytes;
using zenu::testing::TempHome;
using zenu::testing::writeBytes;

TEST(Cp1252, RoundTripsTheCharactersOurFilesHold) {
    const QString text = QStringLiteral("µm Größe € – „x“ ·");
    const QByteArray bytes = encodeCp1252(text);
    EXPECT_EQ(bytes, QByteArray("\xB5m Gr\xF6\xDF" "e \x80 \x96 \x84x\x93 \xB7"));
    EXPECT_EQ(decodeCp1252(bytes), text);
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(encodeCp1252(QStringLiteral("μT 😀")), QByteArray("?T ?"));
    // Undefined positions survive a round trip as C1 controls.
    EXPECT_EQ(encodeCp1252(decodeCp1252(QByteArray("\x81\x8D", 2))), QByteArray("\x81\x8D", 2));
}

TEST(TextFile, WritesCrLfAndReadsAnyLineEnd) {
    TempHome home;
    const QString path = home.file(QStringLiteral("x.ini"));
    ASSERT_TRUE(writeTextLines(path, {QStringLiteral("Größe"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(readBytes(path), QByteArray("Gr\xF6\xDF" "e\r\n\r\nb\r\n"));

    writeBytes(path, QByteArray("a\nb\r\nc\rd"));
    QStringList lines;
    ASSERT_TRUE(readTextLines(path, lines));
    EXPECT_EQ(lines, (QStringList{"a", "b", "c", "d"}));
}

TEST(TextFile, FailedWriteLeavesTheOldFile) {
    TempHome home;
    const QString path = home.file(QStringLiteral("keep.ini"));
    ASSERT_TRUE(writeTextLines(path, {QStringLiteral("old")}));
    QFile(path).setPermissions(QFileDevice::ReadOwner);
    QFile::setPermissions(AppDataPath, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    const bool ok = writeTextLines(path, {QStringLiteral("new")}, &error);
    QFile::setPermissions(AppDataPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (ok) GTEST_SKIP() << "running with permissions that ignore read-only folders";
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readBytes(path), QByteArray("old\r\n"));
}

TEST(TransferLog, AppendsLinesAndIsEmptiedAtStart) {
    TempHome home;
    WriteLog(QStringLiteral("eins"));
    WriteLog(QStringLiteral("zwei ä"));
    EXPECT_EQ(readBytes(home.file("TransferLog.txt")), QByteArray("eins\r\nzwei \xE4\r\n"));
    DeleteLog();
    EXPECT_TRUE(QFileInfo::exists(home.file("TransferLog.txt")));
    EXPECT_EQ(readBytes(home.file("TransferLog.txt")), QByteArray());
}

TEST(Paths, FreshUserGetsTheSettingsFolder) {
    TempHome home;
    EXPECT_TRUE(AppDataPath.endsWith(QStringLiteral("/config/Zenu Connect")));
    EXPECT_TRUE(MessDataPath.endsWith(QStringLiteral("/data/Zenu Connect")));
    EXPECT_TRUE(QFileInfo(AppDataPath).isDir());
    EXPECT_FALSE(AppDataPath.contains(QLatin1Char('\\')));
}

TEST(Paths, UnsafeSerialsStayInsideTheFolder) {
    EXPECT_EQ(safeFileComponent(QStringLiteral("12345")), QStringLiteral("12345"));
    EXPECT_EQ(safeFileComponent(QStringLiteral("AB-12_x")), QStringLiteral("AB-12_x"));
    EXPECT_EQ(safeFileComponent(QStringLiteral("../../etc/passwd")), QStringLiteral("______etc_passwd"));
    EXPECT_EQ(safeFileComponent(QStringLiteral("..")), QStringLiteral("__"));
    EXPECT_EQ(safeFileComponent(QStringLiteral("a\\b")), QStringLiteral("a_b"));
    EXPECT_EQ(safeFileComponent(QStringLiteral("a\nb\x01")), QStringLiteral("a_b_"));
    EXPECT_EQ(safeFileComponent(QStringLiteral("C:x*?<>|\"")), QStringLiteral("C_x______"));
    EXPECT_EQ(safeFileComponent(QStringLiteral("Größe")), QStringLiteral("Gr__e"));
    EXPECT_EQ(safeFileComponent(QString()), QString());
    EXPECT_EQ(serialFolder(QStringLiteral("/m"), QStringLiteral(" 12 ")), QStringLiteral("/m/12"));
    EXPECT_EQ(serialFolder(QStringLiteral("/m"), QStringLiteral(" ")), QStringLiteral("/m"));
    EXPECT_EQ(serialFolder(QStringLiteral("/m"), QStringLiteral("..")), QStringLiteral("/m/__"));
}

TEST(LocaleNumbers, FollowTheUserLocale) {
    TempHome german;
    EXPECT_EQ(DecimalSeparator, QStringLiteral(","));
    EXPECT_EQ(numberToText(1.5), QStringLiteral("1,5"));
    EXPECT_EQ(numberToText(3), QStringLiteral("3"));
    EXPECT_EQ(numberToText(-0.125), QStringLiteral("-0,125"));
    double v = 0;
    EXPECT_TRUE(textToNumber(QStringLiteral(" 1,5 "), v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_FALSE(textToNumber(QStringLiteral("abc"), v));
    for (const char* text : {"nan", "inf", "-inf", " NaN "}) EXPECT_FALSE(textToNumber(QString::fromLatin1(text), v)) << text;
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_FALSE(textToNumber(QString(), v));
    EXPECT_EQ(shortDateFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(longTimeFormat(), QStringLiteral("HH:mm:ss"));

    TempHome english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(DecimalSeparator, QStringLiteral("."));
    EXPECT_EQ(numberToText(1.5), QStringLiteral("1.5"));
    EXPECT_TRUE(shortDateFormat().contains(QStringLiteral("yyyy")));
    EXPECT_FALSE(longTimeFormat().contains(QLatin1Char('t')));
}

TEST(LocaleNumbers, GaugeNumbersIgnoreTheLocale) {
    TempHome german;
    double v = 0;
    EXPECT_TRUE(parseGaugeNumber(u"12.50", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(parseGaugeNumber(u" 12,50 ", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(parseGaugeNumber(u"-3", v));
    EXPECT_DOUBLE_EQ(v, -3);
    EXPECT_FALSE(parseGaugeNumber(u"", v));
    EXPECT_FALSE(parseGaugeNumber(u"1.2.3", v));
    EXPECT_FALSE(parseGaugeNumber(u"x", v));
}
