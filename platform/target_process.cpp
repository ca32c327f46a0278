#include "platform/target_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <atomic>
#include <unistd.h>

namespace zenu::platform {

namespace {

// State and parent of a process from /proc/<pid>/stat ("pid (name) S ppid ..."); the name
// may hold blanks and parentheses, so the fields are counted from its last ")".
bool readStat(qint64 pid, QChar& state, qint64& parent) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray stat = file.readAll();
    const int close = stat.lastIndexOf(')');
    if (close < 0) return false;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 2 || fields.at(0).isEmpty()) return false;
    state = QLatin1Char(fields.at(0).at(0));
    bool ok = false;
    parent = fields.at(1).toLongLong(&ok);
    return ok;
}

bool ended(QChar state) { return state == QLatin1Char('Z') || state == QLatin1Char('X'); }

}  // namespace

qint64 startProgramWithoutFocus(const QString& path, QString* error) {
    QString program = path.trimmed();
    QStringList arguments;
    if (!QFileInfo(program).isFile()) {
        arguments = QProcess::splitCommand(program);
        program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    }
    if (program.isEmpty()) {
        if (error) *error = QStringLiteral("No program");
        return 0;
    }
    static std::atomic<int> launches{0};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"),
                       QStringLiteral("zenuconnect-%1-%2_TIME0").arg(::getpid()).arg(++launches));
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    // Its output is its own business, and must not keep our pipes open once we have ended.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid) || pid <= 0) {
        if (error) *error = process.errorString();
        return 0;
    }
    return pid;
}

bool processRunning(qint64 pid) {
    QChar state;
    qint64 parent = 0;
    return pid > 0 && readStat(pid, state, parent) && !ended(state);
}

QList<qint64> processTree(qint64 pid) {
    QList<qint64> tree;
    if (!processRunning(pid)) return tree;
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 id = entry.toLongLong(&numeric);
        QChar state;
        qint64 parent = 0;
        if (numeric && readStat(id, state, parent) && !ended(state)) children[parent] << id;
    }
    tree << pid;
    for (int i = 0; i < tree.size() && tree.size() < 4096; ++i) tree << children.value(tree.at(i));
    return tree;
}

}  // namespace zenu::platform
