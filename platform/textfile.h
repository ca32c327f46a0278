#pragma once
// Line-oriented Windows-1252 text files with CR LF line ends, and the safe replacement of a
// whole file they are written with.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zenu::platform {

// Reads all lines; accepts CR LF, LF or CR. A last line without a line end counts as a line.
// On failure returns false and sets *error to a description for the user.
bool readTextLines(const QString& path, QStringList& lines, QString* error = nullptr);

// The lines of a file's bytes, by the same rules (readTextLines is this on the file's content).
QStringList splitTextLines(QByteArrayView data);

// Replaces the file with the lines, each followed by CR LF. The new content is written to a
// temporary file and renamed over the old one, so a failed write never leaves a half file.
bool writeTextLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// Replaces the file with the bytes in the same way: for files that are not lines of
// Windows-1252 text (exports, documents).
bool writeFileBytes(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Appends one line and CR LF, opening and closing the file for this line only.
bool appendTextLine(const QString& path, const QString& line, QString* error = nullptr);

// Creates an empty file (or one with the given lines) unless a file of that name exists.
bool ensureTextFile(const QString& path, const QStringList& initialLines = {}, QString* error = nullptr);

}  // namespace zenu::platform
