// zenu-cli report and convert, run as a separate process: measurement files and memory
// downloads, limits and project data of a serial number, exact output, bad input.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/data/data_support.h"
#include "tests/support/cli_run.h"
#include "tests/support/file_bytes.h"

namespace zenu {
namespace {

using testing::CliRun;
using testing::cliEnvironment;
using testing::MemoryFileBuilder;
using testing::readBytes;
using testing::runCli;
using testing::writeBytes;

class ReportCli : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef ZENU_CLI
        GTEST_SKIP() << "zenu-cli is not part of this build";
#endif
        settings = dir.filePath(QStringLiteral("config/Zenu Connect"));
        QDir().mkpath(settings);
    }
    CliRun run(const QStringList& args, const QString& locale = QStringLiteral("de_DE.UTF-8")) {
#ifdef ZENU_CLI
        return runCli(QStringLiteral(ZENU_CLI), args, cliEnvironment(dir.path(), locale));
#else
        (void)args;
        (void)locale;
        return {};
#endif
    }
    QString file(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        writeBytes(path, content);
        return path;
    }

    QTemporaryDir dir;
    QString settings;
};

// A measurement file as the program writes it (Windows-1252, CR LF).
const QByteArray kFile =
    "#  12.03.2024 09:30\r\n#  Kunde Alt GmbH\r\n\r\n"
    "Statistik:\r\n \r\nAnzahl              9\r\n\r\n"
    "12.03.2024 10:15:02        12        12,5 \xB5m    FE\r\n"
    "12.03.2024 10:15:03        13        13,1 \xB5m    FE\r\n";

// Its report: statistics recomputed, no project block without a serial number.
const QByteArray kReport =
    "Statistik:\n \nAnzahl              2\n"
    "Minimum             12,5    \xC2\xB5m\n"
    "Maximum             13,1    \xC2\xB5m\n"
    "Mittel              12,80   \xC2\xB5m\n"
    "Std.Abw.             0,42   \xC2\xB5m\n\n\n"
    "12.03.2024 10:15:02        12        12,5 \xC2\xB5m    FE\n"
    "12.03.2024 10:15:03        13        13,1 \xC2\xB5m    FE\n";

}  // namespace

TEST_F(ReportCli, ReportOfAMeasurementFile) {
    const CliRun r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"),
                          file(QStringLiteral("a.mes"), kFile)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, kReport);
    EXPECT_TRUE(r.err.isEmpty());
}

TEST_F(ReportCli, ConvertWritesTheMeasurementFileAndIsStable) {
    const QString out = dir.filePath(QStringLiteral("b.mes"));
    CliRun r = run({QStringLiteral("convert"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--out"),
                    out, file(QStringLiteral("a.mes"), kFile)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    QByteArray expected = kReport;
    expected.replace("\n", "\r\n").replace("\xC2\xB5", "\xB5");
    EXPECT_EQ(readBytes(out), expected);
    // Converting the converted file gives the same bytes.
    const QString again = dir.filePath(QStringLiteral("c.mes"));
    r = run({QStringLiteral("convert"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--out"), again,
             out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(readBytes(again), expected);
}

TEST_F(ReportCli, LimitsAndProjectDataOfASerialNumber) {
    writeBytes(settings + QStringLiteral("/Limit_12345.ini"), "10;20;15;0;\r\n");
    writeBytes(settings + QStringLiteral("/Projekt.ini"), "Kunde;Customer;\r\nObjekt;Object;\r\n");
    writeBytes(settings + QStringLiteral("/Projektdaten_12345.ini"),
               "Muster GmbH\r\nBr\xFC""cke\r\n\r\n\r\n\r\n\r\nDT 12.03.2024\r\n");
    const CliRun r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"),
                          QStringLiteral("--serial"), QStringLiteral("12345"), file(QStringLiteral("a.mes"), kFile)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString text = QString::fromUtf8(r.out);
    EXPECT_TRUE(text.startsWith(QStringLiteral("#  12.03.2024 00:00\n#  Kunde Muster GmbH\n#  Objekt Brücke\n\n"
                                               "Statistik:\n")))
        << r.out.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("\n\nMin Limit              10 µm\nMax Limit              20 µm\n"
                                                "Sollwert               15 µm\n\n12.03.2024")))
        << r.out.toStdString();
    // The settings are only read.
    EXPECT_FALSE(QFile::exists(settings + QStringLiteral("/Tastatur_12345.ini")));
}

TEST_F(ReportCli, EnglishLocale) {
    writeBytes(settings + QStringLiteral("/Limit_7.ini"), "10;20;0;0;\r\n");
    const QByteArray english = "Statistics:\r\n\r\n"
                               "3/12/2024 10:15:02 AM      12        12.5 \xB5m    FE\r\n";
    const CliRun r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"),
                          QStringLiteral("--serial"), QStringLiteral("7"), file(QStringLiteral("e.mes"), english)},
                         QStringLiteral("en_US.UTF-8"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Statistics:\n \nCount               1\n"
                                "Minimum             12.5    \xC2\xB5m\n"
                                "Maximum             12.5    \xC2\xB5m\n\n"
                                "Min Limit              10 \xC2\xB5m\nMax Limit              20 \xC2\xB5m\n\n"
                                "3/12/2024 10:15:02 AM      12        12.5 \xC2\xB5m    FE\n"));
}

TEST_F(ReportCli, ReportOfAMemoryDownload) {
    MemoryFileBuilder b;
    b.name("Halle 3").timestamp(0, 0, 12, 12, 3, 24).count(2);
    b.record(0x00, 12.5f, 1, {2, 15, 10, 12, 3, 24}).record(0x01, 30.0f, 2, {3, 15, 10, 12, 3, 24});
    const CliRun r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--unit"),
                          QString::fromUtf8("µm"), QStringLiteral("--memory-name"), QStringLiteral("m001"),
                          file(QStringLiteral("m.hex"), b.hex().toLatin1())});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString text = QString::fromUtf8(r.out);
    EXPECT_TRUE(text.startsWith(QStringLiteral("FE Statistik:\n \nAnzahl              1\n"))) << r.out.toStdString();
    // A second material: its statistics follow.
    EXPECT_TRUE(text.contains(QStringLiteral("NFE Statistik:"))) << r.out.toStdString();
    EXPECT_TRUE(text.endsWith(QString::fromUtf8("12.03.2024 10:15:02         1        12,5 µm    FE\n"
                                                "12.03.2024 10:15:03         2        30,0 µm    NF\n")))
        << r.out.toStdString();
}

TEST_F(ReportCli, ReportOfATraceMemory) {
    MemoryFileBuilder b;
    b.name("Spur").count(3).interval(10).singles(1.0f, 3.0f, 2.0f, 2.0f, 1.0f, 0.0f, 12.5f);
    b.sample(1.0f).sample(2.5f).sample(3.0f);
    const CliRun r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("XK"), QStringLiteral("--unit"),
                          QStringLiteral("mVs"), QStringLiteral("--firmware-flag"), QStringLiteral("1"),
                          QStringLiteral("--memory-name"), QStringLiteral("t01"), file(QStringLiteral("t.hex"), b.hex().toLatin1())});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString text = QString::fromUtf8(r.out);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Triggert01 Spur\nStatistik:abs\n \nAnzahl              3\n")))
        << r.out.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\nImpulszeit 12,50 ms\n1\n2,5\n3\n"))) << r.out.toStdString();
}

TEST_F(ReportCli, BadArgumentsAndUnreadableInput) {
    const QString mes = file(QStringLiteral("a.mes"), kFile);
    CliRun r = run({QStringLiteral("report"), mes});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--model"))) << r.err.toStdString();
    r = run({QStringLiteral("convert"), QStringLiteral("--model"), QStringLiteral("QX"), mes});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--out")));
    r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"), dir.filePath(QStringLiteral("none.mes"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);
    r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--memory-name"),
             QStringLiteral("m1"), file(QStringLiteral("x.hex"), "00zz")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not hex")));
    writeBytes(settings + QStringLiteral("/Limit_9.ini"), "a;b;c;\r\n");
    r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--serial"),
             QStringLiteral("9"), mes});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Limit_9.ini")));
}

TEST_F(ReportCli, ABadReadingLineIsNamedAndTheRestReported) {
    QByteArray broken = kFile;
    broken.append("12.03.2024 10:15:04        1x        13,2 \xB5m    FE\r\n");
    const CliRun r = run({QStringLiteral("report"), QStringLiteral("--model"), QStringLiteral("QX"),
                          file(QStringLiteral("b.mes"), broken)});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, kReport);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Zeile 10"))) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);
}

}  // namespace zenu
