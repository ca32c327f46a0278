#include "gauge/gauge_commands.h"

namespace zenu::commands {

QString deviceInformation() { return QStringLiteral("$zenu00!"); }
QString memoryChipInfo() { return QStringLiteral("$gfi!"); }
QString probeInformation() { return QStringLiteral("$gpi!"); }
QString dataProtocol1() { return QStringLiteral("$sdp?1!"); }
QString batteryVoltage() { return QStringLiteral("$gcv!"); }
QString readClock() { return QStringLiteral("$glt!"); }

QString clockText(const QDateTime& localTime) {
    return localTime.toString(QStringLiteral("yyyy-MM-dd/HH:mm:ss"));
}

QString setClock(const QDateTime& localTime) {
    return QStringLiteral("$slt?") + clockText(localTime) + QStringLiteral("!\r\n");
}

QString listFiles() { return QStringLiteral("$ls!"); }

QString openFile(const QString& fileName) {
    return QStringLiteral("$fr?") + fileName + QLatin1Char('!');
}

QString readBlock(int handle, int byteCount) {
    return QStringLiteral("$rd?%1 %2!").arg(handle).arg(byteCount);
}

QString closeFile(int handle) {
    return QStringLiteral("$fc?%1!").arg(handle);
}

QString selectMemory(const QString& memoryName) { return memoryName; }
QString releaseMemory() { return QStringLiteral("-"); }

bool expectsNoReply(const QString& command) {
    return command.startsWith(QLatin1String("$sl"));
}

}  // namespace zenu::commands
