// The clock dialog against a scripted gauge, and the information window for both families.
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <climits>
#include <gtest/gtest.h>
#include <ostream>

#include "app/dialogs/frm_info.h"
#include "app/dialogs/frm_time.h"
#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "gauge/gauge_link.h"
#include "gauge/handshake_state.h"
#include "gauge/value_handler.h"
#include "platform/event_wait.h"
#include "platform/paths.h"
#include "../support/counting_link.h"
#include "../support/file_bytes.h"
#include "../support/temp_home.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

using namespace zenu;
using namespace std::chrono_literals;

namespace {

const QString kReadClock = QStringLiteral("$glt!");

// A gauge on the command characteristic: records every write and answers "$glt!" a little
// later through the value handler, as the session's reply polling would.
class ScriptedGauge : public CommandTransport, public zenu::testing::CountingLink {
public:
    QStringList writes;
    int clockAnswers = INT_MAX;  // how many "$glt!" it answers before falling silent
    bool writable = true;
    std::function<void(int reads)> onClockRead;

    bool writeCommand(const QString& command) override {
        writes << command;
        if (!writable) return false;
        if (command == kReadClock) {
            const int reads = static_cast<int>(writes.count(kReadClock));
            if (onClockRead) onClockRead(reads);
            if (reads <= clockAnswers) {
                const QString reply = QStringLiteral("$glt?2026-01-02/03:04:%1!").arg(reads, 2, 10, QLatin1Char('0'));
                QTimer::singleShot(20, [reply] { HandleGaugeValue(GaugeChannel::Command, reply); });
            }
        }
        return true;
    }
    CommandTransport* commandTransport() override { return this; }
};

class ClockDialog : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ensureFolder(AppDataPath);  // for the trace log
        resetHandshakeState();
        LanguageIndex = kLanguageEnglish;
        dialog.clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(16, 20, 5)); };
        dialog.pause = [this](int ms) {
            pauses << ms;
            platform::waitFor(ms == 100 ? 100ms : 5ms);  // the loop's own pace; the rest shortened
        };
    }
    void TearDown() override { LanguageIndex = kLanguageGerman; }
    // Waits (bounded) until cond holds; false when it never did.
    static bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = 5s) {
        return platform::waitUntil(cond, limit) == platform::WaitResult::Done;
    }
    int clockReads() const { return static_cast<int>(gauge.writes.count(kReadClock)); }

    zenu::testing::TempHome home;
    ScriptedGauge gauge;
    FrmTime dialog{gauge, eventLoopWait()};
    QList<int> pauses;
};

}  // namespace

TEST_F(ClockDialog, SetClockWritesTheComputersTimeAndSwitchesReadingsOnAgain) {
    gauge.clockAnswers = 2;  // the click ends the wait for the third reply
    gauge.onClockRead = [this](int reads) {
        if (reads == 3) QTimer::singleShot(0, dialog.cmdAkt, &QPushButton::click);
    };
    dialog.show();
    ASSERT_TRUE(waitFor([this] { return !dialog.isVisible(); }));
    // Built in German, shown after the switch to English.
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Zenu Connect V1.28"));
    EXPECT_EQ(dialog.cmdAkt->text(), QStringLiteral("update"));

    EXPECT_EQ(gauge.unsubscribes, 1);
    EXPECT_EQ(gauge.writes, (QStringList{kReadClock, kReadClock, kReadClock,
                                         QStringLiteral("$slt?2026-12-06/16:20:05!\r\n")}));
    EXPECT_EQ(dialog.txtDateTime->text(), QStringLiteral("2026-12-06/16:20:05"));
    EXPECT_EQ(dialog.lblDatelog->text(), QStringLiteral("Date/Time set done"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(gauge.subscribes, 1);
    EXPECT_FALSE(dialog.clockRunning());
    ASSERT_GE(pauses.size(), 3);
    EXPECT_EQ(pauses.mid(pauses.size() - 3), (QList<int>{200, 200, 1000}));
}

TEST_F(ClockDialog, EscapeEndsTheLoopButNotTheDialogAndClosingSwitchesReadingsOn) {
    gauge.clockAnswers = 1;  // Escape, not a reply or the time limit, ends the second wait
    gauge.onClockRead = [this](int reads) {
        if (reads == 2) QTimer::singleShot(0, [this] { QTest::keyClick(dialog.txtDateTime, Qt::Key_Escape); });
    };
    dialog.show();
    QElapsedTimer elapsed;
    elapsed.start();
    ASSERT_TRUE(waitFor([this] { return clockReads() >= 1 && !dialog.clockRunning(); }));
    EXPECT_LT(elapsed.elapsed(), 2000);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.txtDateTime->text(), QStringLiteral("2026-01-02/03:04:01"));
    EXPECT_TRUE(dialog.lblDatelog->text().isEmpty());
    platform::waitFor(300ms);
    EXPECT_EQ(clockReads(), 2);  // the loop really stopped
    EXPECT_EQ(gauge.subscribes, 0);

    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(gauge.subscribes, 1);
    EXPECT_TRUE(pauses.contains(800));
}

TEST_F(ClockDialog, SilentGaugeEndsTheLoopWithAMessageAndAFailedSetIsNotReportedAsDone) {
    gauge.clockAnswers = 2;
    dialog.setReplyTimeout(300);
    QElapsedTimer elapsed;
    elapsed.start();
    dialog.show();
    ASSERT_TRUE(waitFor([this] { return clockReads() >= 1 && !dialog.clockRunning(); }, 3s));
    EXPECT_LT(elapsed.elapsed(), 2000);
    EXPECT_EQ(clockReads(), 3);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.txtDateTime->text(), QStringLiteral("2026-01-02/03:04:02"));
    EXPECT_EQ(dialog.lblDatelog->text(), QStringLiteral("No answer from the device, the clock is no longer read"));
    EXPECT_TRUE(zenu::testing::readBytes(home.file(QStringLiteral("TransferLog.txt"))).contains("keine Antwort auf $glt!"));

    gauge.writable = false;
    dialog.cmdAkt->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.lblDatelog->text(), QStringLiteral("Date/Time could not be set"));
    EXPECT_EQ(dialog.txtDateTime->text(), QStringLiteral("2026-01-02/03:04:02"));
    EXPECT_EQ(gauge.subscribes, 0);
    dialog.reject();
    EXPECT_EQ(gauge.subscribes, 1);
}

namespace {

struct InfoCase {
    const char* what;
    int language;
    const char* profile;
    const char* name;
    const char* deviceType;
    const char* version1;
    const char* chip;
    // expected
    const char* lblGeraet;
    const char* txtGeraet;
    const char* txtGeraeteSoft;
    const char* lblSondentyp;
    const char* txtSondentyp;
    const char* txtSondenversion;
    const char* txtFlashbaustein;
};

}  // namespace

TEST(InfoWindow, ShowsWhatTheGaugeReportedForBothFamilies) {
    zenu::testing::TempHome home;
    const InfoCase cases[] = {
        {"family 5", 1, "5LE2+-2", ".Flux 12", "3", "1", "5440",
         "Device/SNR", ".Flux 12 / 4711", "2.04", "Probetype/SNR", "F2 / 777", "1.3", "5440(new)"},
        {"family 5 German", 0, "5LE2+-2", "QX 470", "", "", "1234",
         "Gerät/SNR", "QX 470 / 4711", "2.04", "Sondentyp/SNR", "F2 / 777", "1.3", "1234(alt)"},
        {"family 4 dual", 1, "4L-0--1", ".KV-4 x", "3", "1", "1234",
         "Device/SNR", "VELTOR DUAL / 4711", "2.04/B7", "Probetype", "3", "", "1234(old)"},
        {"family 4 single", 1, "4L-0--1", ".KV-4 x", "1", "", "",
         "Device/SNR", "VELTOR Razod / 4711", "2.04", "Probetype", "1", "", ""},
        {"family 4 other type", 0, "4L-0--1", ".KV-4 x", "2", "1", "",
         "Gerät/SNR", "KV-4 x", "2.04/B7", "Sondentyp", "2", "", ""},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.what);
        LanguageIndex = c.language;
        DeviceProfile = QLatin1String(c.profile);
        DeviceName = QLatin1String(c.name);
        SerialNumber = QStringLiteral("4711");
        probeType = QStringLiteral("F2");
        clearDeviceInformation();
        DeviceInfo.deviceType = QLatin1String(c.deviceType);
        DeviceInfo.version1 = QLatin1String(c.version1);
        DeviceInfo.version2 = QStringLiteral("B7");
        DeviceInfo.deviceRevision = QStringLiteral("2.04");
        DeviceInfo.macAddress = QStringLiteral("00:11:22:33:44:55");
        DeviceInfo.probeRevision = QStringLiteral("1.3");
        DeviceInfo.probeSerial = QStringLiteral("777");
        DeviceInfo.memoryChip = QLatin1String(c.chip);

        FrmInfo info;
        info.Form_Activate();
        info.Form_Activate();  // each activation starts from the plain labels
        EXPECT_EQ(info.windowTitle(), QStringLiteral("Info"));
        EXPECT_EQ(info.lblGeraet->text(), QString::fromUtf8(c.lblGeraet));
        EXPECT_EQ(info.txtGeraet->text(), QLatin1String(c.txtGeraet));
        EXPECT_EQ(info.txtGeraet->accessibleName(), QString::fromUtf8(c.lblGeraet));
        EXPECT_EQ(info.lblGeraetSoft->text(), c.language ? QStringLiteral("Device Softwareversion")
                                                         : QStringLiteral("Geräte Software Version"));
        EXPECT_EQ(info.txtGeraeteSoft->text(), QLatin1String(c.txtGeraeteSoft));
        EXPECT_EQ(info.txtPCSoft->text(), QStringLiteral("V1.28"));
        EXPECT_EQ(info.txtMacAdr->text(), QStringLiteral("00:11:22:33:44:55"));
        EXPECT_EQ(info.lblSondentyp->text(), QLatin1String(c.lblSondentyp));
        EXPECT_EQ(info.txtSondentyp->text(), QLatin1String(c.txtSondentyp));
        EXPECT_EQ(info.lblSondenversion->text(), c.language ? QStringLiteral("Probe version")
                                                            : QStringLiteral("Sondenversion"));
        EXPECT_EQ(info.txtSondenversion->text(), QLatin1String(c.txtSondenversion));
        EXPECT_EQ(info.txtFlashbaustein->text(), QLatin1String(c.txtFlashbaustein));
        // The name keeps its "." for identification and reconnection.
        EXPECT_EQ(DeviceName, QLatin1String(c.name));
    }
    LanguageIndex = kLanguageGerman;
    resetGaugeIdentity();
    clearDeviceInformation();
}
