#pragma once
// Runs zenu-cli of the build as a separate process, in a throw-away home and a given locale,
// and collects its exit code and output.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace zenu::testing {

struct CliRun {
    int exitCode = -1;  // -1: crashed
    QByteArray out;
    QString err;
};

// This process's environment with the locale, and the settings and data folders below home.
inline QProcessEnvironment cliEnvironment(const QString& home, const QString& locale) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("LANG"), locale);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    return env;
}

// Runs program with args and no input to its end (at most 30 s).
inline CliRun runCli(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    EXPECT_TRUE(process.waitForStarted(10000));
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30000));
    CliRun r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

}  // namespace zenu::testing
