#pragma once
// Reads the written documents back with independent tools: unzip for .docx, pdftotext and
// pdffonts (poppler) for PDF.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace zenu::testing {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
};

inline ToolRun runTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    ToolRun run;
    if (!process.waitForStarted(10000) || !process.waitForFinished(30000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    return run;
}

// One entry of a ZIP archive; "" when unzip cannot read it.
inline QByteArray zipEntry(const QString& archive, const QString& entry) {
    // unzip takes the name as a pattern: "[" opens a character class.
    QString pattern = entry;
    pattern.replace(QLatin1Char('['), QStringLiteral("[[]"));
    const ToolRun run = runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, pattern});
    return run.exitCode == 0 ? run.out : QByteArray();
}

// unzip -t: every entry's CRC checked.
inline bool zipIntact(const QString& archive) {
    return runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}).exitCode == 0;
}

// The text of each paragraph of word/document.xml (runs joined, <w:tab/> as a tab).
inline QStringList docxParagraphs(const QString& path) {
    QXmlStreamReader xml(zipEntry(path, QStringLiteral("word/document.xml")));
    QStringList paragraphs;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("p")) paragraphs << QString();
        else if (xml.name() == QLatin1String("t") && !paragraphs.isEmpty()) paragraphs.last() += xml.readElementText();
        else if (xml.name() == QLatin1String("tab") && !paragraphs.isEmpty()) paragraphs.last() += QLatin1Char('\t');
    }
    if (xml.hasError()) paragraphs << QStringLiteral("XML error: ") + xml.errorString();
    return paragraphs;
}

// The words of each line.
inline QStringList simplified(QStringList lines) {
    for (QString& line : lines) line = line.simplified();
    return lines;
}

// The non-empty lines of pdftotext -layout, each with its words one blank apart: the layout
// mode keeps the line order but not every run of blanks.
inline QStringList pdfLines(const QString& path) {
    const ToolRun run = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (run.exitCode != 0) return {QStringLiteral("pdftotext failed")};
    QStringList lines = simplified(QString::fromUtf8(run.out).split(QLatin1Char('\n')));
    lines.removeAll(QString());
    return lines;
}

inline QString pdfFonts(const QString& path) {
    return QString::fromUtf8(runTool(QStringLiteral("pdffonts"), {path}).out);
}

inline int pdfPages(const QString& path) {
    const QString info = QString::fromUtf8(runTool(QStringLiteral("pdfinfo"), {path}).out);
    for (const QString& line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:"))) return line.mid(6).trimmed().toInt();
    return -1;
}

// What pdfLines gives for a CR LF text.
inline QStringList pdfLinesOf(const QString& text) {
    QStringList lines = simplified(text.split(QStringLiteral("\r\n")));
    lines.removeAll(QString());
    return lines;
}

}  // namespace zenu::testing
