// The measurement grid and the statistics list of the main window: what the user sees after
// readings arrive, and the table commands through their buttons.
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QFontMetrics>
#include <QStyle>
#include <QTableWidget>

#include "texts/texts.h"
#include "data/reading_line.h"
#include "window_support.h"
#include "../support/cut_texts.h"

using namespace zenu;
using namespace zenu::testing;

namespace {

class TableWindow : public WindowTest {
protected:
    explicit TableWindow(QLocale locale = QLocale(QLocale::German, QLocale::Germany)) : WindowTest(locale) {}
    void SetUp() override {
        WindowTest::SetUp();
        useCoatingGauge();
    }
    QString cell(int row, int column) const { return window->MSFlex->item(row, column)->text(); }
    QColor back(int row, int column = 2) const { return window->MSFlex->item(row, column)->background().color(); }
    QStringList statLines() const {
        QStringList out;
        for (int i = 0; i < window->lstStat->count(); ++i) out << window->lstStat->item(i)->text();
        return out;
    }
};

}  // namespace

TEST_F(TableWindow, GridLayout) {
    QTableWidget* grid = w().MSFlex;
    // Before any gauge the date column is named by the (blank) date of record 1.
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral(" "));
    w().SetupGrid();
    EXPECT_EQ(grid->columnCount(), 4);
    EXPECT_TRUE(grid->font().fixedPitch() || grid->font().family() == QStringLiteral("Lucida Console") ||
                grid->font().styleHint() == QFont::Monospace);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Datum Zeit"));
    EXPECT_TRUE(grid->horizontalHeaderItem(1)->textAlignment() & Qt::AlignRight);
    EXPECT_TRUE(grid->horizontalHeaderItem(2)->textAlignment() & Qt::AlignRight);
    EXPECT_TRUE(grid->horizontalHeaderItem(3)->textAlignment() & Qt::AlignLeft);
}

// The grid and the statistics list show every text whole in the font they actually draw with
// (here a monospaced fallback, wider than the one the design widths were made for), in the
// German forms and in the longer English date and time with AM/PM.
class TextsFit : public TableWindow, public ::testing::WithParamInterface<QLocale> {
protected:
    TextsFit() : TableWindow(GetParam()) {}
};

TEST_P(TextsFit, CellsHeadersAndStatisticsAreNotCut) {
    LanguageIndex = GetParam().language() == QLocale::German ? kLanguageGerman : kLanguageEnglish;
    w().ApplyLanguage();
    const QString unit = QStringLiteral("mWb\u00B7cm");
    MeasurementRecord late = reading(5000, -12345.678, QStringLiteral("DNF"));
    late.timestamp = QDateTime(QDate(2024, 12, 28), QTime(23, 58, 58), Qt::UTC);
    late.dateText = platform::formatDate(late.timestamp.date());
    late.timeText = platform::formatTime(late.timestamp.time());
    MeasurementRecord first = reading(1, 123456.789);
    for (MeasurementRecord* r : {&late, &first}) r->unit = unit;
    // A desktop whose monospaced font is larger than the one here.
    QFont listFont = w().lstStat->font();
    listFont.setPointSizeF(listFont.pointSizeF() * 1.25);
    w().lstStat->setFont(listFont);
    currentTable = kTableOnline;
    putReadings({first, late});
    w().FillMSFlexOne();
    for (QWidget* frame : {static_cast<QWidget*>(w().FrameBefehle), static_cast<QWidget*>(w().FrameWerte),
                           static_cast<QWidget*>(w().FrameStatistik)})
        frame->setVisible(true);  // as after a connection
    w().show();
    w().resize(200, 200);  // as small as the window lets itself be made
    QCoreApplication::processEvents();

    QTableWidget* grid = w().MSFlex;
    const QFontMetrics cells(grid->font());
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    const int design[] = {113, 53, 100, 120};  // 1700, 800, 1500, 1800 twips
    for (int c = 0; c < 4; ++c) {
        EXPECT_GE(grid->columnWidth(c), design[c]) << c;
        EXPECT_GE(grid->columnWidth(c), grid->horizontalHeader()->sectionSizeHint(c)) << c;
        for (int r = 0; r < 2; ++r)
            EXPECT_LE(cells.horizontalAdvance(cell(r, c)) + 2 * margin + 1, grid->columnWidth(c))
                << "row " << r << ": " << cell(r, c).toStdString();
    }
    EXPECT_TRUE(cell(1, 0).endsWith(platform::formatTime(QTime(23, 58, 58))));
    EXPECT_EQ(cell(1, 1), QStringLiteral("   5000"));

    ASSERT_GT(statLines().size(), 6);
    const QFontMetrics lines(w().lstStat->font());
    for (const QString& line : statLines())
        EXPECT_LE(lines.horizontalAdvance(line) + 2 * margin, w().lstStat->viewport()->width()) << line.toStdString();
    EXPECT_EQ(cutTexts(w()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Locales, TextsFit,
                         ::testing::Values(QLocale(QLocale::German, QLocale::Germany),
                                           QLocale(QLocale::English, QLocale::UnitedStates)),
                         [](const auto& info) { return info.param.name().toStdString(); });

TEST_F(TableWindow, ALiveReadingBecomesARowWithStatistics) {
    Limits.MinLimit = 10;
    Limits.MaxLimit = 20;
    currentTable = kTableOnline;
    putReadings({reading(12, 12.5)});
    readingIndex = 1;
    w().AddReadingRow();
    ASSERT_EQ(w().MSFlex->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), QStringLiteral("12.03.2024 10:15:00"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("     12"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("       12,5"));
    EXPECT_EQ(cell(0, 3), kMicrometre + QStringLiteral("  FE"));
    for (int c = 0; c < 4; ++c) EXPECT_EQ(back(0, c), QColor(158, 232, 155));
    EXPECT_EQ(statLines().size(), 7);
    EXPECT_EQ(statLines().at(0), QStringLiteral("Online"));
    EXPECT_EQ(statLines().at(4), QStringLiteral("Anzahl              1"));
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (1)"));
    EXPECT_EQ(w().table().countText, QStringLiteral(" (0)"));  // consumed by the caption

    Tables.at(kTableOnline, 2) = reading(13, 25);
    readingIndex = 2;
    int handed = 0;
    w().onReadingAdded = [&](const MeasurementRecord& r) { handed += r.number; };
    w().AddReadingRow();
    EXPECT_EQ(handed, 13);
    EXPECT_EQ(back(1), QColor(239, 162, 162));
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (2)"));
    // Two readings: the statistics show, the logo goes.
    EXPECT_FALSE(w().lstStat->isHidden());
    EXPECT_TRUE(w().picZenu->isHidden());
    EXPECT_FALSE(w().cmdChart->isHidden());
    EXPECT_EQ(w().cmdChart->text(), QStringLiteral("Chart"));
    EXPECT_FALSE(w().cmdGross->isHidden());
    EXPECT_TRUE(w().txtMittelwert->isHidden());
}

TEST_F(TableWindow, MarkedReadingsAreGreyAndLeftOut) {
    currentTable = kTableMemory;
    MeasurementRecord x = reading(2, 0);
    x.invalidMark = QStringLiteral("X");
    putReadings({reading(1, 10), x, reading(3, 12)});
    w().FillMSFlexOne();
    EXPECT_EQ(w().MSFlex->item(1, 2)->foreground().color(), QColor(204, 204, 204));
    EXPECT_EQ(w().table().statistics().count(), 2);
}

TEST_F(TableWindow, AnEmptyTableShowsTheLogo) {
    currentTable = kTableMemory;
    putReadings({reading(1, 10), reading(2, 11)});
    w().FillMSFlexOne();
    EXPECT_FALSE(w().lstStat->isHidden());
    putReadings({});
    w().Reset_Statistic();
    w().FillMSFlexOne();
    EXPECT_EQ(w().MSFlex->rowCount(), 0);
    EXPECT_FALSE(w().picZenu->isHidden());
    for (QWidget* hidden : {static_cast<QWidget*>(w().lstStat), static_cast<QWidget*>(w().cmdGross),
                            static_cast<QWidget*>(w().cmdMaterial), static_cast<QWidget*>(w().cmdChart)})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_EQ(w().lstStat->count(), 0);
}

TEST_F(TableWindow, ClickMarksRowsAndSortToggles) {
    currentTable = kTableMemory;
    putReadings({reading(1, 10), reading(2, 11), reading(3, 12)});
    w().FillMSFlexOne();
    emit w().MSFlex->cellClicked(1, 3);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(back(1, c), QColor(204, 204, 204));
    emit w().MSFlex->cellClicked(1, 0);
    EXPECT_EQ(back(1), QColor(255, 255, 255));

    w().cmdSort->click();
    EXPECT_EQ(cell(0, 1), QStringLiteral("      3"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("      1"));
    w().cmdSort->click();
    EXPECT_EQ(cell(0, 1), QStringLiteral("      1"));
}

TEST_F(TableWindow, DeleteARowOfTheOnlineTable) {
    currentTable = kTableOnline;
    putReadings({reading(1, 10), reading(2, 11), reading(3, 12)});
    onlineCounter = 4;
    w().FillMSFlexOne();
    w().cmdFlexZeileLoeschen->click();
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("Kein Eintrag ausgewählt"));
    emit w().MSFlex->cellClicked(1, 0);
    w().cmdFlexZeileLoeschen->click();
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("Wollen Sie die markierte Zeile wirklich löschen?"));
    ASSERT_EQ(w().MSFlex->rowCount(), 2);
    EXPECT_EQ(cell(1, 1), QStringLiteral("      3"));
    EXPECT_EQ(Tables.at(kTableOnline, 2).number, 3);
    EXPECT_TRUE(Tables.at(kTableOnline, 3).isEmpty());
    EXPECT_EQ(onlineCounter, 3);
    EXPECT_EQ(w().table().statistics().count(), 2);
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (2)"));
}

TEST_F(TableWindow, DeleteADualPair) {
    currentTable = kTableMemory;
    putReadings({reading(1, 10), reading(2, 20, QStringLiteral("DNF")), reading(2, 30, QStringLiteral("DFE")),
                 reading(3, 12)});
    w().FillMSFlexOne();
    emit w().MSFlex->cellClicked(2, 0);  // the DFE row
    w().cmdFlexZeileLoeschen->click();
    ASSERT_EQ(w().MSFlex->rowCount(), 2);
    EXPECT_EQ(Tables.count(kTableMemory), 2);
    EXPECT_EQ(Tables.at(kTableMemory, 2).number, 3);
}

TEST_F(TableWindow, DeleteTheOnlineTableRestartsItsCounter) {
    currentTable = kTableOnline;
    putReadings({reading(1, 10), reading(2, 11)});
    onlineCounter = 3;
    w().FillMSFlexOne();
    prompts.boxAnswers.push_back(MsgResult::No);
    w().cmdFlexTabelleloeschen->click();
    EXPECT_EQ(Tables.count(kTableOnline), 2);
    w().cmdFlexTabelleloeschen->click();
    EXPECT_EQ(Tables.count(kTableOnline), 0);
    EXPECT_EQ(w().MSFlex->rowCount(), 0);
    EXPECT_EQ(onlineCounter, 1);
    EXPECT_TRUE(w().cmdChart->isHidden());
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (0)"));
}

TEST_F(TableWindow, MaterialButtonSwapsTheStatistics) {
    currentTable = kTableMemory;
    putReadings({reading(1, 10), reading(2, 30, QStringLiteral("NF")), reading(3, 12)});
    w().FillMSFlexOne();
    EXPECT_FALSE(w().cmdMaterial->isHidden());
    EXPECT_EQ(w().cmdMaterial->text(), QStringLiteral("NF"));
    EXPECT_EQ(statLines().at(2), QStringLiteral("FE Statistik:"));
    w().cmdMaterial->click();
    EXPECT_EQ(w().cmdMaterial->text(), QStringLiteral("FE"));
    EXPECT_EQ(statLines().at(2), QStringLiteral("NFE Statistik:"));
    w().Reset_Statistic();
    EXPECT_TRUE(w().cmdMaterial->isHidden());
    EXPECT_EQ(w().lstStat->count(), 0);
    EXPECT_EQ(readingIndex, 1);
}

TEST_F(TableWindow, FiveThousandReadingsFillTheGrid) {
    currentTable = kTableMemory;
    std::vector<MeasurementRecord> records;
    for (int i = 1; i <= kTableCapacity; ++i) records.push_back(reading(i, 10 + (i % 50) * 0.1));
    putReadings(records);
    w().FillMSFlexOne();
    EXPECT_EQ(w().MSFlex->rowCount(), kTableCapacity);
    EXPECT_EQ(w().table().statistics().count(), kTableCapacity);
    EXPECT_EQ(cell(kTableCapacity - 1, 1), QStringLiteral("   5000"));
    EXPECT_EQ(readingIndex, kTableCapacity + 1);
}

TEST_F(TableWindow, LanguageSwitchChangesHeadersAndTheListOnRebuild) {
    currentTable = kTableMemory;
    putReadings({reading(1, 10), reading(2, 12)});
    w().FillMSFlexOne();
    w().English->trigger();
    EXPECT_EQ(w().MSFlex->horizontalHeaderItem(0)->text(), QStringLiteral("Date Time"));
    EXPECT_EQ(w().MSFlex->horizontalHeaderItem(2)->text(), QStringLiteral("Value"));
    w().Reset_Statistic();
    w().FillMSFlexOne();
    EXPECT_EQ(statLines().at(4), QStringLiteral("Count               2"));
}

TEST_F(TableWindow, TheWindowShowsWhatTheReadingParserStores) {
    firmwareFlag = 1;  // blank-separated reading lines
    currentTable = kTableOnline;
    onlineCounter = 1;
    readingIndex = 1;
    ASSERT_TRUE(FillMessdaten(QString::fromUtf8("12 3.25 µm FE 2024-12-31 10:15:30"), w()));
    ASSERT_TRUE(FillMessdaten(QString::fromUtf8("13 4.5 µm FE 2024-12-31 10:15:40"), w()));
    ASSERT_EQ(w().MSFlex->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), QStringLiteral("31.12.2024 10:15:30"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("      1"));  // the program counts online readings
    EXPECT_EQ(cell(0, 2), QStringLiteral("        3,2"));
    EXPECT_EQ(w().optOnline->text(), QStringLiteral("Online (2)"));
    EXPECT_EQ(w().table().statistics().count(), 2);
    EXPECT_EQ(readingIndex, 3);
    EXPECT_EQ(onlineCounter, 3);
}
