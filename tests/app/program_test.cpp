// The real program: one instance only, and SIGTERM runs the normal exit.
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QProcessEnvironment isolatedEnvironment(const QTemporaryDir& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    return env;
}

bool waitForLog(const QTemporaryDir& dir, int ms) {
    const QString log = dir.path() + QStringLiteral("/config/Zenu Connect/TransferLog.txt");
    for (int waited = 0; waited < ms; waited += 50) {
        QFile f(log);
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains("Voreinstellungen: SL")) return true;
        QThread::msleep(50);
    }
    return false;
}

}  // namespace

TEST(Program, SecondInstanceEndsAtOnceAndTheFirstKeepsRunning) {
    QTemporaryDir dir;
    QProcess first;
    first.setProcessEnvironment(isolatedEnvironment(dir));
    first.start(QStringLiteral(ZENU_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitForLog(dir, 15000));

    QProcess second;
    second.setProcessEnvironment(isolatedEnvironment(dir));
    second.start(QStringLiteral(ZENU_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("already running"));
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

TEST(Program, HelpAndVersionNeedNoDisplay) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ZENU_PROGRAM), {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().contains("V1.28"));
}
