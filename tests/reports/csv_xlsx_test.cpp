// The CSV and spreadsheet writers: exact CSV bytes, files that cannot be written, and the
// workbook read back by an independent reader (openpyxl) for cells, formats, sheets and chart.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "data/statistics.h"
#include "platform/cp1252.h"
#include "reports/csv_export.h"
#include "reports/xlsx_chart.h"
#include "reports/xlsx_export.h"
#include "../support/coating_gauge.h"
#include "../support/file_bytes.h"
#include "../support/temp_home.h"

using namespace zenu;
using namespace zenu::testing;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QJsonArray& array, std::ostream* os) {
    *os << QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}
QT_END_NAMESPACE

namespace {

const QString kUm = QString::fromUtf8("µm");

MeasurementRecord rec(int number, double value, const QString& time, const QString& unit = kUm) {
    MeasurementRecord r;
    r.number = number;
    r.value = value;
    r.unit = unit;
    r.method = QStringLiteral("FE");
    r.dateText = QStringLiteral("12.03.2024");
    r.timeText = time;
    return r;
}

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        zenu::testing::useCoatingGauge(QString());
    }
    void TearDown() override { resetGaugeIdentity(); }
    TempHome home;  // German locale: "," as decimal separator
    QTemporaryDir dir;
};

struct CsvCase {
    const char* name;
    std::vector<MeasurementRecord> records;
    CsvOptions options;
    int language;
    const char* expected;  // UTF-8 here; the file holds it in Windows-1252
};

TEST_F(Exports, CsvBytes) {
    const QString source = QString::fromUtf8("Speicher FE-Speicher1 (Brücke)\r\n");
    const std::vector<CsvCase> cases = {
        {"four readings, three per line, minimum and mean",
         {rec(1, 12.5, "10:15:02"), rec(2, 13.1, "10:15:09"), rec(3, 12.9, "10:15:30"), rec(4, 12.7, "10:16:40")},
         {3, true, false, true}, 0,
         "Speicher FE-Speicher1 (Brücke)\r\n"
         "Datum/Uhrzeit;Messwert1;Messwert2;Messwert3;Mininum;Mittelwert;\r\n"
         " 12.03.2024 10:15:02;       12,5;       13,1;       12,9;       12,5;      12,83;\r\n"
         " 12.03.2024 10:16:40;       12,7;;;       12,7;      12,70;\r\n\r\n"},
        {"exactly one full line, English, every column; decimals follow the value",
         {rec(7, 102, "08:00:00"), rec(8, 99.5, "08:00:05")}, {2, true, true, true}, 1,
         "Speicher FE-Speicher1 (Brücke)\r\n"
         "Date/Time;Value1;Value2;Mininum;Maximum;Average;\r\n"
         " 12.03.2024 08:00:00;        102;       99,5;       99,5;        102;     100,75;\r\n\r\n"},
        {"a zero reading with a number is data; the empty slot after it ends the table",
         {rec(1, 0.0, "09:00:00"), rec(2, 5.0, "09:00:01"), MeasurementRecord{}, rec(4, 6.0, "09:00:03")},
         {1, false, true, false}, 0,
         "Speicher FE-Speicher1 (Brücke)\r\n"
         "Datum/Uhrzeit;Messwert1;Maximum;\r\n"
         " 12.03.2024 09:00:00;        0,0;        0,0;\r\n"
         " 12.03.2024 09:00:01;        5,0;        5,0;\r\n\r\n"},
        {"empty table: nothing", {MeasurementRecord{}, rec(2, 5.0, "09:00:01")}, {3, true, true, true}, 0, ""},
        {"count 0: nothing", {rec(1, 5.0, "09:00:01")}, {0, false, false, false}, 0, ""},
    };
    for (const CsvCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromUtf8(c.name).left(12) + QStringLiteral(".csv"));
        const ExportResult result = writeCsvFile(c.records, c.options, source, c.language, path);
        if (*c.expected == '\0') {
            EXPECT_EQ(result.status, ExportResult::Status::NoReadings);
            EXPECT_FALSE(QFile::exists(path));
            continue;
        }
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_EQ(readBytes(path), platform::encodeCp1252(QString::fromUtf8(c.expected)));
    }

    // The extension test looks at the name only, case-sensitively.
    EXPECT_EQ(csvFileName(QStringLiteral("/m/data.CSV")), QStringLiteral("/m/data.CSV.csv"));
    EXPECT_EQ(csvFileName(QStringLiteral("/m/a.csv.bak")), QStringLiteral("/m/a.csv.bak"));
    EXPECT_EQ(csvFileName(QStringLiteral("/m/x.csv.d/data")), QStringLiteral("/m/x.csv.d/data.csv"));
}

TEST_F(Exports, FailedWritesKeepTheOldFile) {
    const std::vector<MeasurementRecord> records{rec(1, 12.5, "10:15:02")};
    const QString good = dir.filePath(QStringLiteral("good.csv"));
    writeBytes(good, "good");

    // A folder that does not exist, and a name that is a folder: clear errors, nothing written.
    ExportResult r = writeCsvFile(records, {}, {}, 0, dir.filePath(QStringLiteral("missing/x.csv")));
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("missing"))) << r.error.toStdString();
    QDir(dir.path()).mkdir(QStringLiteral("sub.csv"));
    r = writeCsvFile(records, {}, {}, 0, dir.filePath(QStringLiteral("sub.csv")));
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    XlsxContent content;
    content.records = records;
    r = writeXlsxFile(content, dir.filePath(QStringLiteral("sub.csv")));
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    EXPECT_FALSE(r.error.isEmpty());

    // An empty table leaves the old file alone; no temporary file stays behind.
    EXPECT_EQ(writeCsvFile({}, {}, {}, 0, good).status, ExportResult::Status::NoReadings);
    EXPECT_EQ(readBytes(good), QByteArray("good"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("good.csv")});
}

// Reads a workbook with openpyxl and returns what it found as JSON.
QJsonObject readBack(const QString& path) {
    static const char* script = R"PY(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": [], "cells": {}, "widths": {}, "charts": []}
def text(t):
    if t is None: return None
    if t.tx is not None and t.tx.rich is not None:
        return "".join(r.t for p in t.tx.rich.p for r in (p.r or []))
    return None
for ws in wb._sheets:
    kind = "chart" if ws in wb.chartsheets else "work"
    out["sheets"].append([ws.title, kind, ws.sheet_state])
    if kind == "work" and ws.sheet_state == "visible":
        for row in ws.iter_rows():
            for c in row:
                if c.value is not None or c.number_format != "General":
                    out["cells"][c.coordinate] = [c.value, c.number_format]
        for k, d in ws.column_dimensions.items():
            out["widths"][k] = d.width
        f = ws["A1"].font
        out["font"] = [f.name, bool(f.b), f.sz]
    for ch in ws._charts:
        series = []
        for s in ch.series:
            name = s.tx.v if s.tx is not None else None
            x = s.xVal.numRef.f if s.xVal.numRef is not None else s.xVal.strRef.f
            ln = s.spPr.ln if s.spPr is not None else None
            colour = ln.solidFill.srgbClr if ln is not None and ln.solidFill is not None else None
            dash = ln.prstDash if ln is not None else None
            series.append([name, x, s.yVal.numRef.f, colour, dash])
        out["charts"].append({"sheet": ws.title, "type": ch.tagname, "title": text(ch.title),
                              "x": text(ch.x_axis.title), "y": text(ch.y_axis.title),
                              "legend": ch.legend.position, "series": series})
print(json.dumps(out))
)PY";
    QProcess python;
    // Debian's interpreter, where python3-openpyxl is installed (not one found first on PATH).
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << "openpyxl: " << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QJsonArray cell(const QJsonObject& book, const char* address) {
    return book[QStringLiteral("cells")].toObject()[QLatin1String(address)].toArray();
}
QJsonArray jsonList(std::initializer_list<QJsonValue> values) { return QJsonArray(values); }

TEST_F(Exports, WorkbookReadBack) {
    Limits = LimitSettings{};
    XlsxContent content;
    content.language = 0;
    content.headerText = QStringLiteral("Speicher FE-Speicher1 (M1)\r\n  #  Projekt P1  \r\n\r\ndropped");
    content.memoryEntry = QStringLiteral("1");
    content.memoryName = QStringLiteral("M1");
    XlsxStatistics fe{QStringLiteral("NFE"), true, 4, 12.5, 13.1, 12.8, 0.2582, QStringLiteral("Ja 0 %"), kUm};
    XlsxStatistics mixed{QStringLiteral("FE"), false, 0, 0, 0, 0, 0, QString(), kUm};
    content.blocks = {fe, mixed};
    content.limits.MinLimit = 10;
    content.limits.MaxLimit = 20.004;
    content.limits.Soll = 15;
    content.gridHeaders = {QStringLiteral("Datum Zeit"), QStringLiteral("Nr."), QStringLiteral("Messwert"),
                           QStringLiteral("Messeinheit")};
    content.records = {rec(1, 12.5, "10:15:02"), rec(22, 13.1, "10:15:09"), rec(3, 12.9, "10:15:30"),
                       rec(4, 12.7, "10:16:40")};
    content.chart = true;
    content.chartTitle = QStringLiteral("Speicher 1");
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    ASSERT_TRUE(writeXlsxFile(content, path).ok());

    const QJsonObject book = readBack(path);
    const QString fmt2 = QStringLiteral("###,##0.00_)");
    EXPECT_EQ(book[QStringLiteral("sheets")].toArray(),
              (jsonList({jsonList({"Chart", "chart", "visible"}), jsonList({"Messwerte", "work", "visible"}),
                         jsonList({kXlsxChartDataSheet, "work", "hidden"})})));
    EXPECT_EQ(book[QStringLiteral("font")].toArray(), jsonList({"Lucida Console", true, 10}));
    const QJsonObject widths = book[QStringLiteral("widths")].toObject();
    EXPECT_NEAR(widths[QStringLiteral("A")].toDouble(), 50.7, 1.0);  // the library adds the cell padding
    EXPECT_NEAR(widths[QStringLiteral("C")].toDouble(), 17.7, 1.0);
    EXPECT_NEAR(widths[QStringLiteral("D")].toDouble(), 15.7, 1.0);

    // Header block (trimmed lines, the piece without CR LF dropped), the first statistics block.
    const std::vector<std::pair<const char*, QJsonArray>> expected = {
        {"A1", jsonList({"Speicher FE-Speicher1 (M1)", "General"})},
        {"A2", jsonList({"#  Projekt P1", "General"})},
        {"A4", jsonList({"NFE Statistik: 1 abs", "General"})},
        {"A5", jsonList({"Anzahl", "General"})},
        {"B5", jsonList({4, "###0_______)"})},
        {"B6", jsonList({12.5, fmt2})},
        {"C6", jsonList({kUm, "General"})},
        {"A8", jsonList({"Mittel", "General"})},
        {"B8", jsonList({12.8, fmt2})},
        {"A9", jsonList({"Std.Abw.", "General"})},
        {"B9", jsonList({0.26, fmt2})},
        {"B10", jsonList({"Ja 0 %", fmt2})},
        {"A11", jsonList({"Min Limit", "General"})},
        {"B12", jsonList({20, fmt2})},
        {"A13", jsonList({"Sollwert    ", "General"})},
        {"B13", jsonList({15, "General"})},
        // Second method, readings of different units.
        {"A14", jsonList({"FE Statistik: 1 abs", "General"})},
        {"A15", jsonList({" Statistik nicht möglich,", "General"})},
        {"B15", jsonList({QJsonValue(), "###0_______)"})},
        {"A17", jsonList({" Messeinheiten ", "General"})},
        {"A20", jsonList({"Regel 80/20 ok:", "General"})},
        {"B21", jsonList({10, fmt2})},
        // Reading table: header row, an empty row, the readings.
        {"A25", jsonList({"Datum Zeit", "General"})},
        {"E25", jsonList({"Material", "General"})},
        {"A27", jsonList({" 12.03.2024 10:15:02", "General"})},
        {"B28", jsonList({"  22", "General"})},
        {"C28", jsonList({13.1, fmt2})},
        {"D30", jsonList({kUm, "General"})},
        {"E30", jsonList({"FE", "General"})},
    };
    for (const auto& [address, value] : expected) EXPECT_EQ(cell(book, address), value) << address;
    EXPECT_TRUE(cell(book, "A26").isEmpty());
    EXPECT_TRUE(cell(book, "A31").isEmpty());

    const QJsonArray charts = book[QStringLiteral("charts")].toArray();
    ASSERT_EQ(charts.size(), 1);
    const QJsonObject chart = charts[0].toObject();
    EXPECT_EQ(chart[QStringLiteral("sheet")].toString(), QStringLiteral("Chart"));
    EXPECT_EQ(chart[QStringLiteral("type")].toString(), QStringLiteral("scatterChart"));
    EXPECT_EQ(chart[QStringLiteral("title")].toString(), QStringLiteral("Speicher 1"));
    EXPECT_EQ(chart[QStringLiteral("x")].toString(), QStringLiteral("Anzahl"));
    EXPECT_EQ(chart[QStringLiteral("y")].toString(), QStringLiteral("Messwerte"));
    EXPECT_EQ(chart[QStringLiteral("legend")].toString(), QStringLiteral("b"));
    const QString data = QStringLiteral("'%1'!$").arg(QLatin1String(kXlsxChartDataSheet));
    const QJsonArray series = chart[QStringLiteral("series")].toArray();
    EXPECT_EQ(series, (jsonList({
                          jsonList({QJsonValue(), "'Messwerte'!$B$27:$B$30", "'Messwerte'!$C$27:$C$30", "000000", "solid"}),
                          jsonList({"Mittel", data + "A$1:$A$4", data + "B$1:$B$4", "0000CD", "sysDot"}),
                          jsonList({"Maximum", data + "A$1:$A$4", data + "C$1:$C$4", "00B050", "dash"}),
                          jsonList({"Minimum", data + "A$1:$A$4", data + "D$1:$D$4", "00B050", "dash"}),
                          jsonList({"Sollwert    ", data + "A$1:$A$4", data + "E$1:$E$4", "EE2C2C", "solid"}),
                      })));
}

TEST_F(Exports, TraceWorkbookReadBack) {
    XlsxContent content;
    content.language = 1;
    content.memoryEntry = QStringLiteral(" t3");
    content.memoryName = QStringLiteral("trig");
    content.statisticsDecimals = QLatin1Char('1');
    content.methodColumn = false;
    content.trace = true;
    content.traceData.count = 3;
    content.traceData.intervalMs = 500;
    content.traceData.samples = {1.234, 2.5, 3.456};
    content.traceData.pulseTimeMs = 12.34;
    content.blocks = {xlsxTraceStatistics(content.traceData, QStringLiteral("mT"))};
    content.blocks[0].minimum = 1.25;
    content.gridHeaders = {QStringLiteral("Time"), QStringLiteral("No."), QStringLiteral("Value"), QStringLiteral("Unit")};
    content.chart = true;
    const QString path = dir.filePath(QStringLiteral("trace.xlsx"));
    ASSERT_TRUE(writeXlsxFile(content, path).ok());

    const QJsonObject book = readBack(path);
    const std::vector<std::pair<const char*, QJsonArray>> expected = {
        {"A1", jsonList({"Statistics:  t3 abs", "General"})},
        {"B3", jsonList({1.2, "General"})},  // decimals "1": rounded, general format
        {"A5", jsonList({"pulse time", "General"})},
        {"B5", jsonList({12.3, "General"})},
        {"C5", jsonList({"ms", "General"})},
        {"A7", jsonList({"rule 80/20 ok:", "General"})},
        {"A9", jsonList({"Time", "General"})},
        {"B11", jsonList({" 0,5", "General"})},  // 0,5 right-aligned in 4
        {"C11", jsonList({1.23, "###,##0.0_)"})},
        {"B13", jsonList({" 1,5", "General"})},
        {"D13", jsonList({"mT", "General"})},
    };
    for (const auto& [address, value] : expected) EXPECT_EQ(cell(book, address), value) << address;
    EXPECT_TRUE(cell(book, "A6").isEmpty());   // no deviation row for a trace
    EXPECT_TRUE(cell(book, "E9").isEmpty());   // no method column
    EXPECT_TRUE(cell(book, "A11").isEmpty());  // no date column

    const QJsonObject chart = book[QStringLiteral("charts")].toArray().at(0).toObject();
    EXPECT_EQ(chart[QStringLiteral("title")].toString(), QStringLiteral("Chart Trigger  t3 (trig)"));
    EXPECT_EQ(chart[QStringLiteral("x")].toString(), QStringLiteral("time in ms"));
    EXPECT_EQ(chart[QStringLiteral("y")].toString(), QStringLiteral("Data"));
    EXPECT_EQ(chart[QStringLiteral("series")].toArray().size(), 1);  // no mean line, no limits
}

}  // namespace
