#pragma once
// A Word document (.docx) of the plain-text report: one paragraph per line, the whole text in
// "Lucida Console" 10 pt, not bold. The font table names monospaced stand-ins so that a word
// processor without Lucida Console still lines the columns up.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace zenu {

inline constexpr const char* kDocxFont = "Lucida Console";
inline constexpr int kDocxPointSize = 10;

// The document's bytes (a ZIP archive); lines end with CR LF, a last line end adds no paragraph.
QByteArray docxDocument(const QString& text, const QDateTime& created = QDateTime::currentDateTime());

// Writes the document to path through a temporary file, so a failed write leaves an existing
// file as it was. False with *error set to a description for the user.
bool writeDocx(const QString& path, const QString& text, QString* error);

}  // namespace zenu
