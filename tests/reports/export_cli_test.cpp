// zenu-cli export, run as a separate process on one measurement file: every format read back
// with independent tools and compared with the report zenu-cli report prints; bad requests.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "tests/support/cli_run.h"
#include "tests/support/document_text.h"
#include "tests/support/file_bytes.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zenu {
namespace {

using namespace zenu::testing;

class ExportCli : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef ZENU_CLI
        GTEST_SKIP() << "zenu-cli is not part of this build";
#endif
        const QString settings = dir.filePath(QStringLiteral("config/Zenu Connect"));
        QDir().mkpath(settings);
        writeBytes(settings + QStringLiteral("/Limit_12345.ini"), "10;20;15;0;\r\n");
        writeBytes(settings + QStringLiteral("/Projekt.ini"), "Kunde;Customer;\r\n");
        writeBytes(settings + QStringLiteral("/Projektdaten_12345.ini"),
                   "Muster & S\xF6hne\r\n\r\n\r\n\r\n\r\n\r\nDT 12.03.2024\r\n");
        input = dir.filePath(QStringLiteral("a.mes"));
        writeBytes(input,
                   "Statistik:\r\n \r\nAnzahl              2\r\n\r\n"
                   "12.03.2024 10:15:02        12        12,5 \xB5m    FE\r\n"
                   "12.03.2024 10:15:03        13        13,1 \xB5m    FE\r\n");
    }
    CliRun run(QStringList args) {
#ifdef ZENU_CLI
        args << QStringLiteral("--model") << QStringLiteral("QX") << QStringLiteral("--serial") << QStringLiteral("12345")
             << input;
        QProcessEnvironment env = cliEnvironment(dir.path(), QStringLiteral("de_DE.UTF-8"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // export must do without a display by itself
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        return runCli(QStringLiteral(ZENU_CLI), args, env);
#else
        (void)args;
        return {};
#endif
    }
    // The report of the same table as zenu-cli report prints it, with CR LF line ends.
    QString report() {
        const CliRun r = run({QStringLiteral("report")});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QString::fromUtf8(r.out).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    }

    QTemporaryDir dir;
    QTemporaryDir runtime;  // private to the user, as a session's runtime folder is
    QString input;
};

TEST_F(ExportCli, EveryFormatHoldsWhatTheWindowWouldWrite) {
    const QString report = this->report();
    ASSERT_TRUE(report.startsWith(QString::fromUtf8("#  12.03.2024 00:00\r\n#  Kunde Muster & Söhne\r\n")))
        << report.toStdString();
    ASSERT_TRUE(report.contains(QString::fromUtf8("Max Limit              20 µm\r\n"))) << report.toStdString();
    const QString source = QStringLiteral("Speicher a.mes (2) ()\r\n");

    struct Case {
        const char* format;
        QStringList options;
        std::function<void(const QString& path)> check;
    };
    const Case cases[] = {
        {"txt", {}, [&](const QString& path) { EXPECT_EQ(QString::fromUtf8(readBytes(path)), source + report); }},
        {"txt", {QStringLiteral("--language"), QStringLiteral("en")},
         [&](const QString& path) {
             EXPECT_TRUE(QString::fromUtf8(readBytes(path)).startsWith(QStringLiteral("Memory a.mes (2) ()\r\n#  ")));
         }},
        {"docx", {},
         [&](const QString& path) {
             EXPECT_TRUE(zipIntact(path));
             QStringList lines = (source + report).split(QStringLiteral("\r\n"));
             lines.removeLast();
             EXPECT_EQ(docxParagraphs(path), lines);
         }},
        {"pdf", {},
         [&](const QString& path) {
             EXPECT_EQ(pdfLines(path), pdfLinesOf(report));  // no source line on paper
             EXPECT_EQ(pdfPages(path), 1);
         }},
        {"csv", {QStringLiteral("--per-line"), QStringLiteral("3"), QStringLiteral("--min"), QStringLiteral("--mean")},
         [&](const QString& path) {
             EXPECT_EQ(readBytes(path), QByteArray("Speicher a.mes (2) ()\r\n"
                                                   "Datum/Uhrzeit;Messwert1;Messwert2;Messwert3;Mininum;Mittelwert;\r\n"
                                                   " 12.03.2024 10:15:02;       12,5;       13,1;;       12,5;      12,80;\r\n"
                                                   "\r\n"));
         }},
        {"xlsx", {QStringLiteral("--chart")},
         [&](const QString& path) {
             EXPECT_TRUE(zipIntact(path));
             const QByteArray strings = zipEntry(path, QStringLiteral("xl/sharedStrings.xml"));
             EXPECT_TRUE(strings.contains("Speicher a.mes (2) ()")) << strings.toStdString();
             EXPECT_TRUE(strings.contains("Kunde Muster &amp; S\xC3\xB6hne")) << strings.toStdString();
             EXPECT_FALSE(zipEntry(path, QStringLiteral("xl/charts/chart1.xml")).isEmpty());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const QString out = dir.filePath(QStringLiteral("out.") + QLatin1String(c.format));
        QFile::remove(out);
        const CliRun r = run(QStringList{QStringLiteral("export"), QStringLiteral("--to"), QLatin1String(c.format),
                                         QStringLiteral("--out"), out} +
                             c.options);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        ASSERT_TRUE(QFile::exists(out));
        c.check(out);
    }
}

TEST_F(ExportCli, BadRequestsSayWhyAndWriteNothing) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.docx")));
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("--to"), QStringLiteral("doc"), QStringLiteral("--out"), dir.filePath(QStringLiteral("x"))},
         "--to must be one of csv, xlsx, docx, pdf, txt"},
        {{QStringLiteral("--to"), QStringLiteral("pdf")}, "--out FILE is required"},
        {{QStringLiteral("--to"), QStringLiteral("csv"), QStringLiteral("--per-line"), QStringLiteral("0"),
          QStringLiteral("--out"), dir.filePath(QStringLiteral("x.csv"))},
         "--per-line must be 1 to 20"},
        {{QStringLiteral("--to"), QStringLiteral("txt"), QStringLiteral("--language"), QStringLiteral("fr"),
          QStringLiteral("--out"), dir.filePath(QStringLiteral("x.txt"))},
         "--language must be de or en"},
        {{QStringLiteral("--to"), QStringLiteral("pdf"), QStringLiteral("--out"),
          dir.filePath(QStringLiteral("gone/x.pdf"))},
         "cannot write"},
        {{QStringLiteral("--to"), QStringLiteral("docx"), QStringLiteral("--out"),
          dir.filePath(QStringLiteral("taken.docx"))},
         "cannot write"},
    };
    for (const Case& c : cases) {
        const CliRun r = run(QStringList{QStringLiteral("export")} + c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("zenu-cli export: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
    }
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("taken.docx"))).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.mes")});
}

}  // namespace
}  // namespace zenu
