// zenu-cli scan, info, memories, read, online and clock against simulated gauges, run as
// separate processes: their output lines and exit statuses.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <memory>

#include "data/measurement_file.h"

namespace zenu {
namespace {

const QString kGauges = QStringLiteral(ZENU_SOURCE_DIR "/tests/cli/scenarios/gauges.json");
const QString kSlow = QStringLiteral(ZENU_SOURCE_DIR "/tests/cli/scenarios/slow.json");
const QString kNoAdapter = QStringLiteral(ZENU_SOURCE_DIR "/tests/cli/scenarios/no-adapter.json");
const QString kAllModels = QStringLiteral(ZENU_SOURCE_DIR "/sim/scenarios/all-models.json");

// Gauges of tests/cli/scenarios/gauges.json.
const QString kQx = QStringLiteral("C4:7F:51:00:70:01");         // family "5"
const QString kVqb = QStringLiteral("c47f51007002");              // family "4", dual live readings
const QString kSilent = QStringLiteral("C47F51007003");           // no reply to "$glt" and "$rd"
const QString kLeaving = QStringLiteral("C47F51007004");          // goes offline in a download / online
const QString kNoDeviceInfo = QStringLiteral("C47F51007005");     // no reply to "$zenu00"

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
    qint64 ms = 0;
    QStringList lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

class GaugeCliTest : public ::testing::Test {
protected:
    std::unique_ptr<QProcess> start(const QString& scenario, QStringList args,
                                    const QString& locale = QStringLiteral("en_US.UTF-8")) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        env.insert(QStringLiteral("CORVEL_BLUETOOTH"), QStringLiteral("sim:") + scenario);
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            env.insert(QLatin1String(name), home.path());
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(ZENU_CLI), args);
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    static CliRun finish(QProcess& process, const QElapsedTimer* since = nullptr) {
        EXPECT_TRUE(process.waitForFinished(60000));
        CliRun r;
        if (since) r.ms = since->elapsed();
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
    CliRun run(const QString& scenario, const QStringList& args, const QString& locale = QStringLiteral("en_US.UTF-8")) {
        auto p = start(scenario, args, locale);
        return finish(*p);
    }
    QString path(const char* name) const { return home.filePath(QLatin1String(name)); }

    QTemporaryDir home;
};

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// Every case runs at once (each process has a simulator of its own); most of their time is
// spent waiting on the simulated gauges.
TEST_F(GaugeCliTest, SubcommandsPrintTheirLinesAndExitStatuses) {
    struct Case {
        const char* what;
        QString scenario;
        QStringList args;
        int exitCode;
        QStringList lines;      // stdout exactly (sorted when `sorted`); kAny: checked below
        const char* err = "";   // a text standard error contains ("" means: nothing on it)
        bool sorted = false;
        QString locale = QStringLiteral("en_US.UTF-8");
    };
    const QString t = QStringLiteral("--timeout");
    const QStringList kAny = {QStringLiteral("*")};
    const QStringList kQxInfo = {
        "model\tQX", "name\tOKTA QX 20", "serial\t7101", "family\t5", u("unit\tµm"), "firmware-flag\t1",
        "device-type\tQX20", "software\t840", "hardware\tH2", "mac\tC47F51007001", "probe-type\tF1",
        "probe-revision\t14", "probe-serial\tP-22871", "memory-chip\t5440", "battery\t4.05"};
    const QStringList kVqbInfo = {
        "model\tVQB", "name\tVTP DUAL 88", "serial\t3388", "family\t4", u("unit\tµm"), "firmware-flag\t0",
        "device-type\t3", "software\t512", "hardware\tH2", "mac\tC47F51007002", "probe-type\t",
        "probe-revision\t", "probe-serial\t", "memory-chip\t5440", "battery\t1.32"};
    const std::vector<Case> cases = {
        {"scan lists gauges only", kGauges, {"scan", "--seconds", "0.4"}, 0,
         {"C47F51007001\tOKTA QX 20\t-50", "C47F51007002\tVTP DUAL 88\t-60", "C47F51007003\tKV-4 Probe\t-62",
          "C47F51007004\tFE 470\t-64", "C47F51007005\tFLUX XK\t-66"}, "", true},
        {"scan --all", kGauges, {"scan", "--seconds", "0.4", "--all"}, 0,
         {"C47F51007001\tOKTA QX 20\t-50", "C47F51007002\tVTP DUAL 88\t-60", "C47F51007003\tKV-4 Probe\t-62",
          "C47F51007004\tFE 470\t-64", "C47F51007005\tFLUX XK\t-66", "D02EAB112233\tThermo Beacon\t-80"}, "", true},
        {"scan without adapter", kNoAdapter, {"scan", "--seconds", "0.2"}, 3, {}, "cannot scan"},
        {"info family 5", kGauges, {"info", kQx}, 0, kQxInfo},
        {"info family 4, German locale keeps the volts' point", kGauges, {"info", kVqb}, 0, kVqbInfo, "", false,
         QStringLiteral("de_DE.UTF-8")},
        {"memories family 5 leaves out what is no memory", kGauges, {"memories", kQx}, 0, {"m001", "t002", "s003"}},
        {"memories family 4", kGauges, {"memories", kVqb}, 0, {"1\t6", "4\t0"}},
        {"read measurement memory", kGauges, {"read", kQx, "m001"}, 0,
         {u("1\t125\tµm\tFE\t5/2/2024\t9:00:00 AM\t"), u("3\t99.5\tµm\tNF\t5/2/2024\t9:02:00 AM\t")}},
        {"read in German", kGauges, {"read", kQx, "m001"}, 0,
         {u("1\t125\tµm\tFE\t02.05.2024\t09:00:00\t"), u("3\t99,5\tµm\tNF\t02.05.2024\t09:02:00\t")}, "", false,
         QStringLiteral("de_DE.UTF-8")},
        {"read trace memory", kGauges, {"read", kQx, "t002"}, 0, {"trace\t3\t10", "60.25", "61.50", "59.75"}},
        {"read empty file", kGauges, {"read", kQx, "s003"}, 5, {}, "memory s003 is empty"},
        {"read file that cannot be opened", kGauges, {"read", kQx, "setup"}, 5, {}, "Memory setup not found"},
        {"read family 4 memory by number", kGauges, {"read", kVqb, "1"}, 0,
         {u("1\t75.2\tµm\tFE\t5/1/2024\t10:00:00 AM\t"), u("2\t78.9\tµm\tNF\t5/1/2024\t10:01:00 AM\t"),
          u("3\t81.0\tµm\tFE\t5/1/2024\t10:02:00 AM\t"), u("4\t77.4\tµm\tFE\t5/1/2024\t10:03:00 AM\t"),
          u("5\t79.9\tµm\tFE\t5/1/2024\t10:04:00 AM\t"), u("6\t80.5\tµm\tFE\t5/1/2024\t10:05:00 AM\t")}},
        {"read empty family 4 memory", kGauges, {"read", kVqb, "4"}, 5, {}, "memory 4 is empty"},
        {"read missing family 4 memory", kGauges, {"read", kVqb, "9"}, 5, {}, "Memory 9 not found"},
        {"read family 4 memory by name", kGauges, {"read", kVqb, "m001"}, 2, {}, "memory number"},
        {"online dual readings up to the count", kGauges, {"online", kVqb, "--count", "3"}, 0, kAny},
        {"clock", kGauges, {"clock", kQx}, 0, kAny},
        {"clock --set TIME", kGauges, {"clock", kQx, "--set", "2026-12-06T16:20:05"}, 0, {"2026-12-06/16:20:05"}},
        {"clock that does not answer", kGauges, {"clock", kSilent, t, "500"}, 4, {}, "did not answer $glt!"},
        {"read from a gauge that stops answering", kGauges, {"read", kSilent, "m001", t, "500"}, 4, {},
         "stopped answering: 0 of 3 readings read"},
        {"read from a gauge that goes offline", kGauges, {"read", kLeaving, "m001", "--out", path("lost.tsv")}, 3, {},
         "Link lost: 2 of 4 readings read. (nothing written to"},
        {"online until the gauge goes offline", kGauges, {"online", kLeaving}, 3, kAny, "link lost: the gauge went offline"},
        {"no device information", kGauges, {"info", kNoDeviceInfo, t, "500"}, 4, {}, "Read device information Error"},
        {"unknown address", kGauges, {"info", "C47F510070FF", t, "400"}, 3, {}, "device C47F510070FF not found"},
        {"a device that is no gauge", kGauges, {"memories", "D0:2E:AB:11:22:33", t, "500"}, 3, {},
         "services were not found"},
        {"address that is none", kGauges, {"info", "C47F5100700"}, 2, {}, "no Bluetooth address"},
        {"no address", kGauges, {"memories"}, 2, {}, "ADDRESS expected"},
        {"time without --set", kGauges, {"clock", kQx, "2026-12-06T16:20:05"}, 2, {}, "needs --set"},
        {"bad time", kGauges, {"clock", kQx, "--set", "06.12.2026"}, 2, {}, "no time"},
        {"bad format", kGauges, {"read", kQx, "m001", "--format", "csv"}, 2, {}, "--format"},
    };

    std::vector<std::unique_ptr<QProcess>> processes;
    for (const Case& c : cases) processes.push_back(start(c.scenario, c.args, c.locale));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const CliRun r = finish(*processes[i]);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        if (*c.err) {
            EXPECT_TRUE(r.err.contains(QLatin1String(c.err))) << r.err.toStdString();
        } else {
            EXPECT_EQ(r.err, QString());
        }
        QStringList lines = r.lines();
        if (c.sorted) lines.sort();
        if (c.lines != kAny) {
            EXPECT_EQ(lines, c.lines) << r.out.toStdString();
        }
        if (QLatin1String(c.what).startsWith(QLatin1String("online dual"))) {
            ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
            EXPECT_TRUE(lines[0].startsWith(u("1\t77.0\tµm\tDNF\t"))) << lines[0].toStdString();
            EXPECT_TRUE(lines[1].startsWith(u("2\t79.5\tµm\tDFE\t"))) << lines[1].toStdString();
            EXPECT_TRUE(lines[2].startsWith(u("3\t77.0\tµm\tDNF\t"))) << lines[2].toStdString();
        }
        if (QLatin1String(c.what).startsWith(QLatin1String("online until"))) {
            ASSERT_FALSE(lines.isEmpty());
            EXPECT_TRUE(lines[0].startsWith(QLatin1String("1\t46.5\tFN\tFC\t"))) << lines[0].toStdString();
        }
        if (QLatin1String(c.what) == QLatin1String("clock")) {
            ASSERT_EQ(lines.size(), 1);
            EXPECT_TRUE(lines[0].startsWith(QLatin1String("2024-05-02/09:15:0"))) << lines[0].toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(path("lost.tsv")));
}

// Whatever the name says is what the command line reports: every model of the identification
// table, with its family, unit and one live reading.
TEST_F(GaugeCliTest, EveryModelIsIdentified) {
    struct Model {
        const char* address;
        const char* code;
        const char* family;
        QString unit;
        QString live;  // start of the first live reading's line
    };
    const std::vector<Model> models = {
        {"C47F51006001", "QX", "5", u("µm"), u("1\t101\tµm\tFE\t")},
        {"C47F51006002", "KV4", "5", "A/cm", "1\t1.8\tA/cm\tDC\t"},
        {"C47F51006003", "KV6", "5", "mT", u("1\t11.12\tµT\t\t")},
        {"C47F51006004", "KV8", "4", "A/cm", "1\t6.5\tA/cm\tAC\t"},
        {"C47F51006005", "WB1", "4", "FN", "1\t13.5\tFN\tFC\t"},
        {"C47F51006006", "WB2", "5", "FN", "1\t46.5\tFN\tFC\t"},
        {"C47F51006007", "JZ", "5", u("µr"), u("1\t1.021\tµr\tPM\t")},
        {"C47F51006008", "XK", "5", "mVs", "1\t1.207\tmVs\t\t"},
        {"C47F51006009", "VQB", "4", u("µm"), u("1\t77.0\tµm\tDNF\t")},
    };
    std::vector<std::unique_ptr<QProcess>> info, online;
    for (const Model& m : models) {
        info.push_back(start(kAllModels, {"info", QLatin1String(m.address)}));
        online.push_back(start(kAllModels, {"online", QLatin1String(m.address), "--count", "1"}));
    }
    for (std::size_t i = 0; i < models.size(); ++i) {
        const Model& m = models[i];
        SCOPED_TRACE(m.code);
        const CliRun r = finish(*info[i]);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QStringList lines = r.lines();
        ASSERT_EQ(lines.size(), 15);
        EXPECT_EQ(lines[0], QStringLiteral("model\t") + QLatin1String(m.code));
        EXPECT_EQ(lines[3], QStringLiteral("family\t") + QLatin1String(m.family));
        EXPECT_EQ(lines[4], QStringLiteral("unit\t") + m.unit);
        const CliRun o = finish(*online[i]);
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        ASSERT_EQ(o.lines().size(), 1) << o.out.toStdString();
        EXPECT_TRUE(o.lines()[0].startsWith(m.live)) << o.lines()[0].toStdString();
    }
}

// The measurement file is the one the program saves and opens again; a half-finished read
// leaves no file behind.
TEST_F(GaugeCliTest, ReadWritesMeasurementFileOnlyWhenComplete) {
    const QString mes = path("m001.mes");
    CliRun r = run(kGauges, {"read", kQx, "m001", "--format", "mes", "--out", mes});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    MeasurementFileContent content;
    ASSERT_TRUE(readMeasurementFile(mes, content));
    ASSERT_EQ(content.records.size(), 2u);
    EXPECT_EQ(content.records[0].number, 1);
    EXPECT_DOUBLE_EQ(content.records[0].value, 125.0);
    EXPECT_DOUBLE_EQ(content.records[1].value, 99.5);
    EXPECT_EQ(content.records[1].unit, u("µm"));
    QFile file(mes);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("\r\n"));
    EXPECT_TRUE(bytes.contains("\xb5m"));  // Windows-1252

    r = run(kGauges, {"read", kLeaving, "m001", "--format", "mes", "--out", path("lost.mes")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, QString());
    EXPECT_FALSE(QFile::exists(path("lost.mes")));
}

// Ctrl-C ends online readings normally (unsubscribed and disconnected, status 0) and stops a
// long memory read with what was read so far (status 130).
TEST_F(GaugeCliTest, InterruptEndsCleanly) {
    auto online = start(kGauges, {"online", kQx});
    QElapsedTimer clock;
    clock.start();
    while (!online->canReadLine() && clock.elapsed() < 20000) online->waitForReadyRead(100);
    ASSERT_TRUE(online->canReadLine()) << online->readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(online->processId()), SIGINT);
    clock.restart();
    CliRun r = finish(*online, &clock);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_LT(r.ms, 3000);
    EXPECT_EQ(r.err, QString());
    ASSERT_FALSE(r.lines().isEmpty());
    EXPECT_TRUE(r.lines()[0].startsWith(u("1\t101\tµm\tFE\t"))) << r.out.toStdString();

    // 255 blocks of a slow gauge take ten seconds and more.
    auto read = start(kSlow, {"read", "C47F51007006", "t001"});
    QThread::msleep(2000);
    ::kill(static_cast<pid_t>(read->processId()), SIGINT);
    clock.restart();
    r = finish(*read, &clock);
    EXPECT_EQ(r.exitCode, 130) << r.err.toStdString();
    EXPECT_LT(r.ms, 3000);
    EXPECT_TRUE(r.err.contains(QLatin1String("interrupted"))) << r.err.toStdString();
    const QStringList lines = r.lines();
    if (!lines.isEmpty()) {  // unless the interrupt came before the first block
        EXPECT_EQ(lines[0], QStringLiteral("trace\t2000\t10"));
        EXPECT_LT(lines.size(), 2001);
    }
}

}  // namespace
}  // namespace zenu
