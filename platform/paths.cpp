#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zenu {

QString AppDataPath;
QString MessDataPath;
QString ProgramFolder;

namespace platform {
namespace {

constexpr const char* kFolderName = "Zenu Connect";

QString executableFolder() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

}  // namespace

void initPaths() {
    ProgramFolder = withoutTrailingSlash(executableFolder());
    AppDataPath = withoutTrailingSlash(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + kFolderName);
    MessDataPath = withoutTrailingSlash(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + kFolderName);
    ensureFolder(AppDataPath);
}

QString safeFileComponent(const QString& serial) {
    QString out;
    out.reserve(serial.size());
    for (const QChar ch : serial) {
        const char16_t u = ch.unicode();
        const bool keep = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                          u == '-' || u == '_';
        out.append(keep ? ch : QLatin1Char('_'));
    }
    return out;
}

QString serialFolder(const QString& base, const QString& serial) {
    const QString name = safeFileComponent(serial.trimmed());
    return name.isEmpty() ? base : base + QLatin1Char('/') + name;
}

QString findProgramFile(const QString& fileName) {
    QString name = fileName;
    while (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\'))) name.remove(0, 1);
    if (name.isEmpty()) return {};
    const QString exe = executableFolder();
    const QStringList folders = {
        exe,
        exe + QStringLiteral("/../share/zenuconnect"),
        QStringLiteral(ZENU_INSTALL_DATADIR),
    };
    for (const QString& folder : folders) {
        const QString candidate = folder + QLatin1Char('/') + name;
        if (QFileInfo(candidate).isFile()) return QDir::cleanPath(candidate);
    }
    return {};
}

bool ensureFolder(const QString& path) {
    return !path.isEmpty() && QDir().mkpath(path);
}

}  // namespace platform
}  // namespace zenu
