// Every dialog, shown in both languages with the fonts this system has: no label, button, frame
// title or read-only box cuts its text.
#include <QApplication>
#include <gtest/gtest.h>
#include <ostream>

#include "app/dialogs/frm_chart_g.h"
#include "app/dialogs/frm_csv.h"
#include "app/dialogs/frm_info.h"
#include "app/dialogs/frm_projekt.h"
#include "app/dialogs/frm_time.h"
#include "app/dialogs/frm_werte.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "data/project_data.h"
#include "gauge/command_transport.h"
#include "gauge/handshake_state.h"
#include "platform/event_wait.h"
#include "../support/counting_link.h"
#include "../support/cut_texts.h"
#include "../support/temp_home.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

using namespace zenu;
using zenu::testing::cutTexts;

namespace {

QStringList shownCut(QWidget& window) {
    window.show();
    QApplication::processEvents();
    QStringList cut = cutTexts(window);
    window.hide();
    return cut;
}

class LabelsFit : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        LanguageIndex = GetParam();
        DeviceProfile = QStringLiteral("5LE2+-2");
        DeviceName = QStringLiteral(".Flux 12");
        SerialNumber = QStringLiteral("4711");
    }
    void TearDown() override {
        Project = ProjectData{};
        clearDeviceInformation();
    }
    zenu::testing::TempHome home;
};

}  // namespace

TEST_P(LabelsFit, EveryDialogShowsItsTextsWhole) {
    LanguageIndex = GetParam();
    FrmWerte limits;
    limits.Form_Activate();
    EXPECT_EQ(shownCut(limits), QStringList());

    for (int i = 0; i < kProjectFieldCount; ++i) Project.labels[i] = QStringLiteral("Auftraggeber / Kostenstelle %1").arg(i);
    FrmProjekt project;
    project.Form_Activate();
    EXPECT_EQ(shownCut(project), QStringList());

    FrmCSV csv;
    csv.Form_Activate();
    EXPECT_EQ(shownCut(csv), QStringList());

    DeviceInfo.deviceType = QStringLiteral("5440");
    DeviceInfo.deviceRevision = QStringLiteral("2.04.17 build 2026-11-30 (release candidate)");
    DeviceInfo.macAddress = QStringLiteral("00:11:22:33:44:55");
    DeviceInfo.probeRevision = QStringLiteral("1.3");
    DeviceInfo.probeSerial = QStringLiteral("777");
    DeviceInfo.memoryChip = QStringLiteral("5440");
    DeviceName = QStringLiteral(".Flux 12 Magnetic Field Meter with a long name");
    FrmInfo info;
    info.Form_Activate();
    EXPECT_EQ(shownCut(info), QStringList());

    zenu::testing::CountingLink link;  // no command transport: the clock loop ends at once
    FrmTime clock(link, eventLoopWait());
    EXPECT_EQ(shownCut(clock), QStringList());

    ChartDataSet data;
    data.meanText = QStringLiteral("Mittelwert: 123456,789 mWb\u00B7cm");
    data.minMaxText = QStringLiteral("Min: -123456,789  Max: 123456,789 mWb\u00B7cm");
    data.pulseTimeText = QStringLiteral("Impulszeit: 12,5 ms");
    data.lineSampleText = QStringLiteral("----");
    data.values = {0.5, 0.7};
    data.labels = {QStringLiteral(" "), QStringLiteral(" 2")};
    data.axisMaximum = 1;
    FrmChartG chart(data);
    EXPECT_EQ(shownCut(chart), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Languages, LabelsFit, ::testing::Values(kLanguageGerman, kLanguageEnglish));
