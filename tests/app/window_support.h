#pragma once
// Shared pieces of the main-window tests: a started window in a throw-away home, a gauge
// identity, readings put into a table, and a gauge link that counts what it is asked.
#include <QDateTime>
#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

#include "app/frm_transfer.h"
#include "gauge/gauge_link.h"
#include "data/gauge_identity.h"
#include "data/limits.h"
#include "data/measurement_record.h"
#include "data/project_data.h"
#include "platform/localefmt.h"
#include "platform/scripted_prompts.h"
#include "../support/coating_gauge.h"
#include "../support/counting_link.h"
#include "../support/temp_home.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zenu::testing {

inline MeasurementRecord reading(int number, double value, const QString& method = QStringLiteral("FE"),
                                 int second = 0) {
    MeasurementRecord r;
    r.number = number;
    r.value = value;
    r.unit = kMicrometre;
    r.method = method;
    r.timestamp = QDateTime(QDate(2024, 3, 12), QTime(10, 15, second), Qt::UTC);
    r.dateText = platform::formatDate(r.timestamp.date());
    r.timeText = platform::formatTime(r.timestamp.time());
    return r;
}

// Puts the records into the current table from record 1 on; the rest of it empty.
inline void putReadings(const std::vector<MeasurementRecord>& records) {
    ClearReadingTable(currentTable);
    for (std::size_t i = 0; i < records.size(); ++i) Tables.at(currentTable, static_cast<int>(i) + 1) = records[i];
    readingIndex = static_cast<int>(records.size()) + 1;
}

// A started main window in a fresh home, German, no gauge unless the test names one.
class WindowTest : public ::testing::Test {
protected:
    explicit WindowTest(QLocale locale = QLocale(QLocale::German, QLocale::Germany)) : home(locale) {}
    void SetUp() override {
        Limits = LimitSettings{};
        Project = ProjectData{};
        for (int t = kTableMemory; t <= kTableOnline; ++t) ClearReadingTable(t);
        currentTable = kTableMemory;
        readingIndex = 1;
        onlineCounter = 1;
        window = std::make_unique<FrmTransfer>();
        window->Form_Load();
        window->Unblock_Buttons();
    }
    void TearDown() override {
        window.reset();
        Limits = LimitSettings{};
        Project = ProjectData{};
        resetGaugeIdentity();
    }
    FrmTransfer& w() { return *window; }

    TempHome home;
    ScriptedPrompts prompts;
    std::unique_ptr<FrmTransfer> window;
};

}  // namespace zenu::testing
