// The report's outputs read back with independent tools: the .docx through unzip and its XML,
// the PDF through pdftotext; the source line in front of the report.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "texts/texts.h"
#include "reports/docx_writer.h"
#include "reports/report_text.h"
#include "reports/text_pages.h"
#include "tests/support/document_text.h"
#include "tests/support/file_bytes.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zenu {
namespace {

using namespace zenu::testing;

// A report with what a .docx must escape or leave out: XML specials, a non-ASCII unit, a tab,
// a control character, empty lines, leading blanks.
const QString kReport = QString::fromUtf8(
    "#  12.03.2024 09:30\r\n"
    "#  Kunde Müller & Söhne <Halle 3>\r\n"
    "\r\n"
    "Statistik:\r\n"
    " \r\n"
    "Anzahl              2\r\n"
    "Mittel              12,80   µm\r\n"
    "\r\n"
    "12.03.2024 10:15:02        12        12,5 µm    FE\r\n"
    "12.03.2024 10:15:03        13\t      13,1 µm    FE\x01\r\n");

TEST(ReportOutputs, WordDocumentHoldsEveryLineInLucidaConsoleTenPoint) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Bericht.docx"));
    QString error;
    ASSERT_TRUE(writeDocx(path, kReport, &error)) << error.toStdString();
    ASSERT_TRUE(zipIntact(path));

    QStringList expected = kReport.split(QStringLiteral("\r\n"));
    expected.removeLast();  // the last line end adds no paragraph
    expected.last().remove(QLatin1Char('\x01'));
    EXPECT_EQ(docxParagraphs(path), expected);

    const QByteArray document = zipEntry(path, QStringLiteral("word/document.xml"));
    EXPECT_TRUE(document.contains("<w:rFonts w:ascii=\"Lucida Console\" w:hAnsi=\"Lucida Console\""));
    EXPECT_TRUE(document.contains("<w:sz w:val=\"20\"/>"));
    EXPECT_TRUE(document.contains("<w:b w:val=\"0\"/>"));
    // Stand-ins for a word processor without Lucida Console.
    const QByteArray fonts = zipEntry(path, QStringLiteral("word/fontTable.xml"));
    EXPECT_TRUE(fonts.contains("<w:font w:name=\"Lucida Console\"><w:altName w:val=\"Liberation Mono\"/>"));
    EXPECT_TRUE(fonts.contains("<w:font w:name=\"DejaVu Sans Mono\">"));
    EXPECT_EQ(fonts.count("<w:pitch w:val=\"fixed\"/>"), 3);
    EXPECT_TRUE(zipEntry(path, QStringLiteral("[Content_Types].xml")).contains("/word/document.xml"));

    // An empty report is still a valid, empty document.
    ASSERT_TRUE(writeDocx(path, QString(), &error));
    EXPECT_EQ(docxParagraphs(path), QStringList{QString()});
}

TEST(ReportOutputs, PdfHoldsTheReportInAMonospacedFontOnAsManyPagesAsItNeeds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Bericht.pdf"));
    QString error;
    QString report = kReport;
    report.remove(QLatin1Char('\x01')).replace(QLatin1Char('\t'), QLatin1Char(' '));
    ASSERT_TRUE(writeTextPdf(path, report, reportFont(pdfFontFamilies(), 10), QStringLiteral("Zenu"), &error))
        << error.toStdString();
    EXPECT_EQ(pdfLines(path), pdfLinesOf(report));
    EXPECT_EQ(pdfPages(path), 1);
    // Courier New where it is installed, else its metric twin.
    EXPECT_TRUE(pdfFonts(path).contains(QLatin1String("LiberationMono")) ||
                pdfFonts(path).contains(QLatin1String("CourierNew")))
        << pdfFonts(path).toStdString();

    // 200 readings run over several pages, none lost; a long line is wrapped, not cut.
    QString longReport;
    for (int i = 1; i <= 200; ++i) longReport += QStringLiteral("line %1\r\n").arg(i, 3, 10, QLatin1Char('0'));
    longReport += QString(150, QLatin1Char('x')) + QStringLiteral("\r\n");
    ASSERT_TRUE(writeTextPdf(path, longReport, reportFont(pdfFontFamilies(), 10), QString(), &error));
    const QStringList lines = pdfLines(path);
    EXPECT_GE(pdfPages(path), 3);
    ASSERT_GE(lines.size(), 202);
    EXPECT_EQ(lines.first(), QStringLiteral("line 001"));
    EXPECT_EQ(lines.at(199), QStringLiteral("line 200"));
    EXPECT_EQ((lines.at(200) + lines.at(201) + (lines.size() > 202 ? lines.at(202) : QString())).count(QLatin1Char('x')),
              150);
}

TEST(ReportOutputs, FailedWritesSayWhyAndLeaveNoFileBehind) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone/Bericht"));
    QString error;
    EXPECT_FALSE(writeDocx(missing + QStringLiteral(".docx"), kReport, &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(writeTextPdf(missing + QStringLiteral(".pdf"), kReport, reportFont(pdfFontFamilies()), {}, &error));
    EXPECT_FALSE(error.isEmpty());
    // A folder in the target's place is not replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.pdf")));
    EXPECT_FALSE(writeTextPdf(dir.filePath(QStringLiteral("taken.pdf")), kReport, reportFont(pdfFontFamilies()), {},
                              &error));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("taken.pdf"))).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{});
}

TEST(ReportOutputs, SourceLineNamesTheMemoryOrTheOnlineTable) {
    struct Case {
        ReportOrigin origin;
        int language;
        QString expected;
    };
    const Case cases[] = {
        {{true, QStringLiteral("Speicher 3"), QStringLiteral("Probe A"), false, {}}, kLanguageGerman,
         QStringLiteral("Speicher Speicher 3 (Probe A)\r\n")},
        {{true, QStringLiteral("messung.mes (2)"), QString(), false, {}}, kLanguageEnglish,
         QStringLiteral("Memory messung.mes (2) ()\r\n")},
        {{false, QStringLiteral("Speicher 3"), QStringLiteral("Probe A"), true, QStringLiteral("Online (7)")},
         kLanguageGerman, QStringLiteral("Online (7)\r\n")},
        {{false, QStringLiteral("x"), QStringLiteral("y"), false, QStringLiteral("Online")}, kLanguageEnglish, QString()},
    };
    for (const Case& c : cases) EXPECT_EQ(reportSourceLine(c.origin, c.language), c.expected);
}

}  // namespace
}  // namespace zenu
