// zenu-cli decode and parse-lines, run as a separate process.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "tests/data/data_support.h"
#include "tests/support/file_bytes.h"

namespace zenu {
namespace {

using testing::MemoryFileBuilder;

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

class ZenuCliTest : public ::testing::Test {
protected:
    CliRun run(const QStringList& args, const QByteArray& input = {}, const QString& locale = QStringLiteral("de_DE.UTF-8")) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ZENU_CLI), args);
        EXPECT_TRUE(process.waitForStarted(10000));
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000));
        CliRun r;
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
    QString file(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        testing::writeBytes(path, content);
        return path;
    }
    QString hexFile(const MemoryFileBuilder& builder) { return file(QStringLiteral("memory.hex"), builder.hex().toLatin1()); }
    // One line on standard error and nothing else.
    void expectOneErrorLine(const CliRun& r, const char* text) {
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(text))) << r.err.toStdString();
    }

    QTemporaryDir dir;
};

MemoryFileBuilder measurementMemory() {
    MemoryFileBuilder b;
    b.name("Test")
        .record(0x00, 12.34f, 1)
        .record(0x01, 150.5f, 2)
        .record(0x80, 9.0f, 3)
        .record(0x0B, 7.25f, 40000, {5, 4, 15, 1, 2, 25});
    return b;
}

TEST_F(ZenuCliTest, DecodeMeasurementMemoryInGerman) {
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--unit"),
                       QStringLiteral("ym"), QStringLiteral("--name"), QStringLiteral("m001"), hexFile(measurementMemory())});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString::fromUtf8("1\t12,3\tµm\tFE\t31.12.2024\t10:15:30\t\n"
                                       "2\t150\tµm\tNF\t31.12.2024\t10:15:30\t\n"
                                       "40000\t7,2\tµm\t\t01.02.2025\t15:04:05\t\n"));
    EXPECT_EQ(r.err, QString());
}

TEST_F(ZenuCliTest, DecodeInEnglishFromStandardInput) {
    QByteArray text = measurementMemory().hex().toLatin1();
    text.insert(100, "\r\n  ");  // wrapped text is fine
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("qx"), QStringLiteral("--name"),
                       QStringLiteral("m001"), QStringLiteral("-")},
                      text, QStringLiteral("en_US.UTF-8"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines().size(), 3);
    EXPECT_EQ(r.lines()[0], QString::fromUtf8("1\t12.3\tµm\tFE\t12/31/2024\t10:15:30 AM\t"));
}

TEST_F(ZenuCliTest, DecodeFluxMeterMarksReadingsOfAnotherMethod) {
    MemoryFileBuilder b;
    b.record(0x0C, 1.5f, 1).record(0x0D, 1.5f, 2);
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("XK"), QStringLiteral("--unit"),
                       QString::fromUtf8("µVs/n"), QStringLiteral("--name"), QStringLiteral("m1"), hexFile(b)});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.lines().size(), 2);
    EXPECT_EQ(r.lines()[0], QString::fromUtf8("1\t0,000\tµVs/n\tFLX\t31.12.2024\t10:15:30\tX"));
    EXPECT_EQ(r.lines()[1], QString::fromUtf8("2\t1500,0\tµVs/n\tFLN\t31.12.2024\t10:15:30\t"));
}

TEST_F(ZenuCliTest, DecodeWithFirmwareFlag) {
    MemoryFileBuilder b;
    b.record(0x04, 12.3f, 1);
    const QString path = hexFile(b);
    CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("KV4"), QStringLiteral("--unit"),
                 QStringLiteral("kA/m"), QStringLiteral("--name"), QStringLiteral("m1"), path});
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("1\t1,23\tkA/m\tDC\t")));
    r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("KV4"), QStringLiteral("--unit"),
             QStringLiteral("kA/m"), QStringLiteral("--firmware-flag"), QStringLiteral("1"), QStringLiteral("--name"),
             QStringLiteral("m1"), path});
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("1\t12,30\tkA/m\tDC\t"))) << r.out.toStdString();
}

TEST_F(ZenuCliTest, DecodeSingleValues) {
    MemoryFileBuilder b;
    b.timestamp(30, 15, 10, 31, 12, 24).sample(25.4f).sample(254.0f);
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--unit"),
                       QStringLiteral("mils"), QStringLiteral("--name"), QStringLiteral("s002"), hexFile(b)});
    EXPECT_EQ(r.exitCode, 0);
    // Single values carry the memory's date only.
    EXPECT_EQ(r.out, QStringLiteral("1\t1,00\tmils\t\t31.12.2024\t \t\n2\t10,00\tmils\t\t31.12.2024\t \t\n"));
}

TEST_F(ZenuCliTest, DecodeTrace) {
    MemoryFileBuilder b;
    b.count(3).interval(20).singles(10, 30, 99, 20, 5, 0, 12.345f).sample(10).sample(20.5f).sample(30);
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("KV4"), QStringLiteral("--unit"),
                       QStringLiteral("kA/m"), QStringLiteral("--name"), QStringLiteral("t003"), hexFile(b)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("trace\t3\t20\n1,00\n2,05\n3,00\n"));
}

TEST_F(ZenuCliTest, DecodeWithoutUnitKeepsTheGaugesOwn) {
    MemoryFileBuilder b;
    b.record(0x04, 2.5f, 1);
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("KV6"), QStringLiteral("--name"),
                       QStringLiteral("m1"), hexFile(b)});
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("1\t2,500\tmT\t"))) << r.out.toStdString();
}

TEST_F(ZenuCliTest, DecodeEmptyMemory) {
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--name"),
                       QStringLiteral("m1"), hexFile(MemoryFileBuilder())});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.contains(QStringLiteral("Speicher leer")));
}

TEST_F(ZenuCliTest, DecodeKeepsWhatItReadBeforeAnError) {
    MemoryFileBuilder b;
    b.record(0x00, 1.0f, 1);
    const QString path = file(QStringLiteral("cut.hex"), b.hex().toLatin1() + "0001");
    const CliRun r = run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--name"),
                       QStringLiteral("m1"), path});
    EXPECT_EQ(r.lines().size(), 1);
    expectOneErrorLine(r, "incomplete last record");
}

TEST_F(ZenuCliTest, DecodeBadArguments) {
    const QString path = hexFile(measurementMemory());
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("ZZ"), QStringLiteral("--name"),
                            QStringLiteral("m1"), path}),
                       "unknown model");
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--name"), QStringLiteral("m1"), path}), "--model");
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), path}), "--name");
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--name"),
                            QStringLiteral("m1")}),
                       "HEXFILE");
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"),
                            QStringLiteral("--firmware-flag"), QStringLiteral("2"), QStringLiteral("--name"),
                            QStringLiteral("m1"), path}),
                       "--firmware-flag");
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--name"),
                            QStringLiteral("m1"), dir.filePath(QStringLiteral("missing.hex"))}),
                       "cannot read");
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--name"),
                            QStringLiteral("m1"), file(QStringLiteral("text.hex"), "00zz")}),
                       "is not hex text");
    expectOneErrorLine(run({QStringLiteral("decode"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--name"),
                            QStringLiteral("x1"), path}),
                       "no known record layout");
}

TEST_F(ZenuCliTest, ParseLinesFixedColumns) {
    const QByteArray input =
        "0001  12.50      uT   FE  2024-12-31 10:15:30\r\n"
        "\n"
        "0002  12,35      \xCE\xBCm   NFE 2024-12-31 10:15:31\n";
    const CliRun r = run({QStringLiteral("parse-lines"), QStringLiteral("--model"), QStringLiteral("VQB")}, input);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString::fromUtf8("1\t12,50\tµT\tFE\t31.12.2024\t10:15:30\t\n"
                                       "2\t12,4\tµm\tNF\t31.12.2024\t10:15:31\t\n"));  // the half as written, to even
}

TEST_F(ZenuCliTest, ParseLinesOnlineBlankSeparated) {
    const QByteArray input =
        "12 3.25 \xC2\xB5m FE 2024-12-31/10:15:30!\r\n"
        "13 40 \xC2\xB5m FE 2024-12-31/10:15:31!\n";
    const CliRun r = run({QStringLiteral("parse-lines"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--unit"),
                       QStringLiteral("ym"), QStringLiteral("--firmware-flag"), QStringLiteral("1"), QStringLiteral("--online")},
                      input, QStringLiteral("en_US.UTF-8"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString::fromUtf8("1\t3.2\tµm\tFE\t12/31/2024\t10:15:30 AM\t\n"
                                       "2\t40.0\tµm\tFE\t12/31/2024\t10:15:31 AM\t\n"));
}

TEST_F(ZenuCliTest, ParseLinesReportsBadLinesAndKeepsTheRest) {
    const QByteArray input =
        "0001  1.5        mT   DC  2024-12-31 10:15:30\n"
        "xxxx  1.5        mT   DC  2024-12-31 10:15:30\n"
        "0003  1.5        mT   DC  2024-12-31 10:15:32\n";
    const CliRun r = run({QStringLiteral("parse-lines"), QStringLiteral("--model"), QStringLiteral("KV8")}, input);
    EXPECT_EQ(r.lines().size(), 2);
    expectOneErrorLine(r, "line 2: Fill Messdaten: 13 Type mismatch");
}

TEST_F(ZenuCliTest, ParseLinesBadArguments) {
    expectOneErrorLine(run({QStringLiteral("parse-lines")}), "--model");
    expectOneErrorLine(run({QStringLiteral("parse-lines"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("--bogus")}),
                       "bogus");
    expectOneErrorLine(run({QStringLiteral("parse-lines"), QStringLiteral("--model"), QStringLiteral("QX"), QStringLiteral("extra")}),
                       "extra");
}

TEST_F(ZenuCliTest, UsageAndUnknownSubcommands) {
    CliRun r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("zenu-cli decode --model CODE")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("zenu-cli parse-lines --model CODE")));
    r = run({});
    EXPECT_EQ(r.exitCode, 2);
    r = run({QStringLiteral("frobnicate")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("zenu-cli: unknown subcommand \"frobnicate\"")));
}

}  // namespace
}  // namespace zenu
