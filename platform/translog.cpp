#include "platform/translog.h"

#include <QFile>

#include "platform/paths.h"
#include "platform/textfile.h"

namespace zenu {
namespace {
QString logPath() { return AppDataPath + QStringLiteral("/TransferLog.txt"); }
}  // namespace

void WriteLog(const QString& text) {
    if (AppDataPath.isEmpty()) return;
    platform::appendTextLine(logPath(), text);
}

void DeleteLog() {
    if (AppDataPath.isEmpty()) return;
    QFile file(logPath());
    if (file.exists()) file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

}  // namespace zenu
