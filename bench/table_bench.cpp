// Filling the measurement grid and its statistics with a full table (5000 readings, as after a
// memory read or when a file is opened) and adding one live reading to a table of 4999.
// Targets: under 50 ms and under 1 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLocale>
#include <QTableWidget>
#include <memory>

#include "app/frm_transfer.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/measurement_record.h"
#include "data/table_ops.h"
#include "platform/localefmt.h"

namespace {

using namespace zenu;

void useCoatingGauge() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    platform::initLocale();
    LanguageIndex = kLanguageGerman;
    DeviceCode = QStringLiteral("QX");
    DeviceProfile = QStringLiteral("5LE2+-2");
    deviceKind = QStringLiteral("SM");
    deviceUnit = QString::fromUtf8("µm");
    // Limits and the 80/20 rule on: every cell is coloured and every reading evaluated.
    Limits = LimitSettings{};
    Limits.MinLimit = 80;
    Limits.MaxLimit = 200;
    Limits.Soll = 100;
    Limits.Rule8020 = true;
}

MeasurementRecord reading(int i) {
    MeasurementRecord r;
    r.number = i;
    r.value = 80 + (i % 97) * 1.5;
    r.unit = QString::fromUtf8("µm");
    r.method = i % 5 == 0 ? QStringLiteral("NF") : QStringLiteral("FE");
    r.timestamp = QDateTime(QDate(2024, 3, 12), QTime(10, (i / 60) % 60, i % 60), Qt::UTC);
    r.dateText = platform::formatDate(r.timestamp.date());
    r.timeText = platform::formatTime(r.timestamp.time());
    return r;
}

void fillTable(int table, int count) {
    ClearReadingTable(table);
    for (int i = 1; i <= count; ++i) Tables.at(table, i) = reading(i);
}

void BM_FillMSFlexOne_Model(benchmark::State& state) {
    useCoatingGauge();
    currentTable = kTableMemory;
    fillTable(kTableMemory, kTableCapacity);
    MeasurementTable table;
    for (auto _ : state) {
        table.resetStatistic();
        benchmark::DoNotOptimize(table.fillMSFlexOne());
    }
}
BENCHMARK(BM_FillMSFlexOne_Model)->Unit(benchmark::kMillisecond);

void BM_FillMSFlexOne_Window(benchmark::State& state) {
    useCoatingGauge();
    currentTable = kTableMemory;
    fillTable(kTableMemory, kTableCapacity);
    FrmTransfer window;
    window.show();
    for (auto _ : state) {
        state.PauseTiming();
        window.MSFlex->setRowCount(0);  // a new table: every cell is written
        state.ResumeTiming();
        window.Reset_Statistic();
        window.FillMSFlexOne();
        QCoreApplication::processEvents();  // and drawn
    }
    if (window.MSFlex->rowCount() != kTableCapacity) state.SkipWithError("grid not filled");
}
BENCHMARK(BM_FillMSFlexOne_Window)->Unit(benchmark::kMillisecond);

void BM_FillMSFlexOne_WindowAgain(benchmark::State& state) {
    useCoatingGauge();
    currentTable = kTableMemory;
    fillTable(kTableMemory, kTableCapacity);
    FrmTransfer window;
    window.show();
    for (auto _ : state) {
        window.Reset_Statistic();
        window.FillMSFlexOne();  // the same table again, as after a language switch
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_FillMSFlexOne_WindowAgain)->Unit(benchmark::kMillisecond);

void BM_AddReadingRow_Model(benchmark::State& state) {
    useCoatingGauge();
    currentTable = kTableOnline;
    fillTable(kTableOnline, kTableCapacity);
    MeasurementTable table;
    table.resetStatistic();
    table.fillMSFlexOne();
    for (auto _ : state) {
        readingIndex = kTableCapacity;  // the grid is cut back to 4999 rows and the reading appended
        benchmark::DoNotOptimize(table.addReadingRow());
    }
}
BENCHMARK(BM_AddReadingRow_Model)->Unit(benchmark::kMicrosecond);

// The window's part: grid row, colours, statistics list, caption, scrolling. `painted` adds
// the repaint that the event loop does afterwards (offscreen raster).
void addReadingRowWindow(benchmark::State& state, bool painted) {
    useCoatingGauge();
    currentTable = kTableOnline;
    fillTable(kTableOnline, kTableCapacity - 1);
    FrmTransfer window;
    window.show();
    window.Reset_Statistic();
    window.FillMSFlexOne();
    Tables.at(kTableOnline, kTableCapacity) = reading(kTableCapacity);
    for (auto _ : state) {
        state.PauseTiming();
        window.MSFlex->setRowCount(kTableCapacity - 1);
        readingIndex = kTableCapacity;
        QCoreApplication::processEvents();
        state.ResumeTiming();
        window.AddReadingRow();
        if (painted) QCoreApplication::processEvents();
    }
    if (window.MSFlex->rowCount() != kTableCapacity) state.SkipWithError("row not added");
}

void BM_AddReadingRow_Window(benchmark::State& state) { addReadingRowWindow(state, false); }
BENCHMARK(BM_AddReadingRow_Window)->Unit(benchmark::kMicrosecond);

void BM_AddReadingRow_WindowPainted(benchmark::State& state) { addReadingRowWindow(state, true); }
BENCHMARK(BM_AddReadingRow_WindowPainted)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
