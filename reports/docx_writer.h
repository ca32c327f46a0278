#pragma once
// A Word document (.docx) of the plain-text report: one paragraph per line, the whole text in
// "Lucida Console" 10 pt, not bold. The font table names monospaced stand-ins and marks the
// font as fixed-pitch, for word processors that pick a substitute from it.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace zenu {

inline constexpr const char* kDocxFont = "Lucida Console";
inline constexpr int kDocxPointSize = 10;

// The document's bytes (a ZIP archive); lines end with CR LF, a last line end adds no paragraph.
QByteArray docxDocument(const QString& text, const QDateTime& created = QDateTime::currentDateTime());

// Word processors on Linux take a missing font's stand-in from fontconfig, not from the
// document's font table, and fontconfig knows none for Lucida Console. Writes the user's
// fontconfig alias <configFolder>/fontconfig/conf.d/60-zenuconnect-lucida-console.conf
// (Liberation Mono, DejaVu Sans Mono, then any monospaced font, each only after Lucida Console
// itself) unless it exists. configFolder: the user's configuration folder ($XDG_CONFIG_HOME).
bool ensureLucidaConsoleStandIn(const QString& configFolder, QString* error);

// Writes the document to path through a temporary file, so a failed write leaves an existing
// file as it was. False with *error set to a description for the user.
bool writeDocx(const QString& path, const QString& text, QString* error);

}  // namespace zenu
