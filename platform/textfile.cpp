#include "platform/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "platform/cp1252.h"

namespace zenu::platform {
namespace {

QByteArray joinLines(const QStringList& lines) {
    QByteArray data;
    for (const QString& line : lines) {
        data += encodeCp1252(line);
        data += "\r\n";
    }
    return data;
}

bool fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

bool readTextLines(const QString& path, QStringList& lines, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(error, file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) return fail(error, file.errorString());
    lines = splitTextLines(data);
    return true;
}

QStringList splitTextLines(QByteArrayView data) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n') continue;
        lines.append(decodeCp1252(data.sliced(start, i - start)));
        if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < data.size()) lines.append(decodeCp1252(data.sliced(start)));
    return lines;
}

bool writeTextLines(const QString& path, const QStringList& lines, QString* error) {
    return writeFileBytes(path, joinLines(lines), error);
}

bool writeFileBytes(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fail(error, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return fail(error, file.errorString());
    }
    if (!file.commit()) return fail(error, file.errorString());
    return true;
}

bool appendTextLine(const QString& path, const QString& line, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return fail(error, file.errorString());
    const QByteArray data = joinLines({line});
    if (file.write(data) != data.size()) return fail(error, file.errorString());
    return true;
}

bool ensureTextFile(const QString& path, const QStringList& initialLines, QString* error) {
    if (QFileInfo::exists(path)) return true;
    return writeTextLines(path, initialLines, error);
}

}  // namespace zenu::platform
