#include "reports/export_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/textfile.h"

namespace zenu {
namespace {

QString folderProblem(const QString& path) {
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists()) return QStringLiteral("Folder not found: %1").arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isDir()) return QStringLiteral("Not a folder: %1").arg(QDir::toNativeSeparators(folder.filePath()));
    return {};
}

}  // namespace

ExportResult writeFileAtomically(const QString& path, const QByteArray& bytes) {
    if (const QString problem = folderProblem(path); !problem.isEmpty()) return ExportResult::failed(problem);
    if (QFileInfo(path).isDir()) return ExportResult::failed(QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(path)));
    QString why;
    return platform::writeFileBytes(path, bytes, &why) ? ExportResult::written() : ExportResult::failed(why);
}

QString reserveTemporaryBeside(const QString& path, QString* error) {
    if (const QString problem = folderProblem(path); !problem.isEmpty()) {
        if (error) *error = problem;
        return {};
    }
    QTemporaryFile file(QFileInfo(path).absolutePath() + QStringLiteral("/.") + QFileInfo(path).fileName() +
                        QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open()) {
        if (error) *error = file.errorString();
        return {};
    }
    return file.fileName();
}

ExportResult replaceWithTemporary(const QString& temporary, const QString& path) {
    if (QFileInfo(path).isDir()) {
        QFile::remove(temporary);
        return ExportResult::failed(QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(path)));
    }
    // The temporary file was made private; the export gets the permissions an ordinary new file
    // has, or keeps those of the file it replaces.
    const QFileInfo old(path);
    QFile::setPermissions(temporary, old.exists() ? old.permissions()
                                                  : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // rename(2) replaces the target in one step; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return ExportResult::failed(why);
    }
    return ExportResult::written();
}

}  // namespace zenu
