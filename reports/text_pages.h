#pragma once
// The plain-text report on paged devices: the printer and the program's own PDF file. Needs a
// QGuiApplication (fonts).
#include <QFont>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

namespace zenu {

// The printer font of the report and the PDF font, each followed by free monospaced fonts of
// the same widths that stand in where it is not installed.
QStringList printFontFamilies();  // "Lucida Console", ...
QStringList pdfFontFamilies();    // "Courier New", ...

// A monospaced font of the first installed family, not bold, not italic.
QFont reportFont(const QStringList& families, int pointSize = 10);

// Prints the text from the top left of the printable area, line by line, on as many pages as
// it needs; a line wider than the page continues on the next line. The device must not be
// painted on yet. False with *error set when painting cannot start.
bool paintTextPages(QPagedPaintDevice& device, const QString& text, const QFont& font, QString* error);

// A4 PDF of the text, written through a temporary file renamed over the target, so a failed
// write leaves an existing file as it was.
bool writeTextPdf(const QString& path, const QString& text, const QFont& font, const QString& title,
                  QString* error);

}  // namespace zenu
