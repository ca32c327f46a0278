#include "reports/docx_writer.h"

#include <QDir>
#include <QFileInfo>

#include "platform/textfile.h"
#include "reports/report_text.h"
#include "reports/zip_writer.h"

namespace zenu {
namespace {

const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
const QByteArray kWordNs = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

const QByteArray kContentTypes =
    kXmlHead +
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "<Override PartName=\"/word/fontTable.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml\"/>"
    "<Override PartName=\"/docProps/core.xml\" "
    "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
    "</Types>";

const QByteArray kPackageRels =
    kXmlHead +
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
    "Target=\"docProps/core.xml\"/>"
    "</Relationships>";

const QByteArray kDocumentRels =
    kXmlHead +
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/fontTable\" "
    "Target=\"fontTable.xml\"/>"
    "</Relationships>";

// Run properties of the whole text.
QByteArray runProperties() {
    const QByteArray font = kDocxFont;
    const QByteArray size = QByteArray::number(kDocxPointSize * 2);
    return "<w:rPr><w:rFonts w:ascii=\"" + font + "\" w:hAnsi=\"" + font + "\" w:cs=\"" + font + "\" w:eastAsia=\"" +
           font + "\"/><w:b w:val=\"0\"/><w:bCs w:val=\"0\"/><w:sz w:val=\"" + size + "\"/><w:szCs w:val=\"" + size +
           "\"/></w:rPr>";
}

// Lines close up as they do in a plain-text window: no space between paragraphs, single spacing.
QByteArray styles() {
    return kXmlHead + "<w:styles " + kWordNs + ">" + "<w:docDefaults><w:rPrDefault>" + runProperties() +
           "</w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:before=\"0\" w:after=\"0\" w:line=\"240\" "
           "w:lineRule=\"auto\"/></w:pPr></w:pPrDefault></w:docDefaults>"
           "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/>"
           "<w:qFormat/></w:style></w:styles>";
}

// Lucida Console with its stand-ins: Liberation Mono and DejaVu Sans Mono are free monospaced
// fonts; the family "modern" and the fixed pitch let a word processor pick a monospaced
// substitute when none of them is installed.
QByteArray fontTable() {
    const auto font = [](const QByteArray& name, const QByteArray& alt, const QByteArray& panose) {
        QByteArray xml = "<w:font w:name=\"" + name + "\">";
        if (!alt.isEmpty()) xml += "<w:altName w:val=\"" + alt + "\"/>";
        return xml + "<w:panose1 w:val=\"" + panose +
               "\"/><w:charset w:val=\"00\"/><w:family w:val=\"modern\"/><w:pitch w:val=\"fixed\"/></w:font>";
    };
    return kXmlHead + "<w:fonts " + kWordNs + ">" + font(kDocxFont, "Liberation Mono", "020B0609040504020204") +
           font("Liberation Mono", "Courier New", "02070409020205020404") +
           font("DejaVu Sans Mono", {}, "020B0609030804020204") + "</w:fonts>";
}

QByteArray coreProperties(const QDateTime& created) {
    const QByteArray when = created.toUTC().toString(Qt::ISODate).toUtf8();
    return kXmlHead +
           "<cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<dc:creator>Zenu Connect</dc:creator>"
           "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" +
           when + "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + when +
           "</dcterms:modified></cp:coreProperties>";
}

// Text of a w:t element. Control characters have no place in XML 1.0 and are left out; a tab
// becomes a run tab.
QByteArray runText(const QString& line) {
    QString xml;
    xml.reserve(line.size() + 16);
    for (const QChar c : line) {
        switch (c.unicode()) {
        case '&': xml += QLatin1String("&amp;"); break;
        case '<': xml += QLatin1String("&lt;"); break;
        case '>': xml += QLatin1String("&gt;"); break;
        case '\t': xml += QLatin1String("</w:t><w:tab/><w:t xml:space=\"preserve\">"); break;
        default:
            if (c.unicode() >= 0x20 && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF) xml += c;
        }
    }
    return xml.toUtf8();
}

QByteArray document(const QString& text) {
    const QByteArray rPr = runProperties();
    QByteArray body;
    for (const QString& line : reportTextLines(text)) {
        body += "<w:p><w:pPr>" + rPr + "</w:pPr>";
        if (!line.isEmpty()) body += "<w:r>" + rPr + "<w:t xml:space=\"preserve\">" + runText(line) + "</w:t></w:r>";
        body += "</w:p>";
    }
    // A4 with 2 cm margins.
    return kXmlHead + "<w:document " + kWordNs + "><w:body>" + body +
           "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" w:right=\"1134\" "
           "w:bottom=\"1134\" w:left=\"1134\" w:header=\"709\" w:footer=\"709\" w:gutter=\"0\"/></w:sectPr>"
           "</w:body></w:document>";
}

}  // namespace

QByteArray docxDocument(const QString& text, const QDateTime& created) {
    ZipWriter zip(created);
    zip.add(QStringLiteral("[Content_Types].xml"), kContentTypes);
    zip.add(QStringLiteral("_rels/.rels"), kPackageRels);
    zip.add(QStringLiteral("docProps/core.xml"), coreProperties(created));
    zip.add(QStringLiteral("word/_rels/document.xml.rels"), kDocumentRels);
    zip.add(QStringLiteral("word/document.xml"), document(text));
    zip.add(QStringLiteral("word/styles.xml"), styles());
    zip.add(QStringLiteral("word/fontTable.xml"), fontTable());
    return zip.archive();
}

bool ensureLucidaConsoleStandIn(const QString& configFolder, QString* error) {
    const QString folder = configFolder + QStringLiteral("/fontconfig/conf.d");
    const QString path = folder + QStringLiteral("/60-zenuconnect-lucida-console.conf");
    if (QFileInfo::exists(path)) return true;
    if (!QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("cannot create ") + folder;
        return false;
    }
    const QByteArray alias =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
        "<!-- Zenu Connect: monospaced stand-ins for Lucida Console, the font of its Word reports. -->\n"
        "<fontconfig>\n"
        "  <alias binding=\"same\">\n"
        "    <family>Lucida Console</family>\n"
        "    <accept><family>Liberation Mono</family><family>DejaVu Sans Mono</family></accept>\n"
        "    <default><family>monospace</family></default>\n"
        "  </alias>\n"
        "</fontconfig>\n";
    return platform::writeFileBytes(path, alias, error);
}

bool writeDocx(const QString& path, const QString& text, QString* error) {
    return platform::writeFileBytes(path, docxDocument(text), error);
}

}  // namespace zenu
