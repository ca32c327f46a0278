// The main window and the connection dialog against simulated gauges, through the real control
// created by its ProgID: scan, connect, memory lists and reads of both families, live readings,
// a gauge that stops answering, a link that is lost and comes back.
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <functional>

#include "app/frm_ble.h"
#include "gauge/ble_session.h"
#include "gauge/handshake_state.h"
#include "gauge/memory_download.h"
#include "platform/event_wait.h"
#include "window_support.h"
#include "../support/cut_texts.h"

namespace zenu::testing {
namespace {

using namespace std::chrono_literals;

// Fast links and gauges, so that a whole memory of 5000 readings reads in a few seconds.
const char* kScenario = R"({
  "adapter": {"present": true, "lowEnergy": true},
  "latency": {"connect": 5, "discovery": 0, "read": 0, "write": 0, "cccd": 0, "unreachable": 150},
  "devices": [
    {"address": "C4:7F:51:00:50:01", "advertising": {"rssi": -50, "intervalMs": 40},
     "gauge": {"model": "QX", "serial": "4711", "battery": 4.12,
       "files": [
         {"name": "m001", "title": "Girder", "timestamp": "2024-05-02T09:00:00",
          "generate": {"count": 25, "min": 180, "max": 260, "seed": 11}},
         {"name": "s002", "values": [12.5, 13.1, 12.9, 14.0, 11.0]},
         {"name": "t003", "intervalMs": 10, "pulseTimeMs": 2.5, "generate": {"count": 20, "min": 20, "max": 80, "seed": 3}},
         {"name": "m004", "generate": {"count": 5000, "min": 100, "max": 200, "seed": 4}}],
       "extraFiles": ["setup"],
       "live": {"intervalMs": 60, "startDelayMs": 50,
                "readings": [{"value": 101.2, "method": "FE"}, {"value": 99.8, "dual": 104.0}]}}},
    {"address": "C4:7F:51:00:40:01", "advertising": {"rssi": -60, "intervalMs": 40},
     "gauge": {"model": "VQB", "name": "VTP DUAL 88", "serial": "3388", "battery": 1.1, "replyDelayMs": 5,
       "memories": [
         {"number": 1, "count": 12, "generate": {"count": 7, "min": 60, "max": 140, "seed": 1, "methods": ["FE"]}},
         {"number": 2, "generate": {"count": 5, "min": 70, "max": 90, "seed": 2, "methods": ["FE"]}},
         {"number": 3}]}},
    {"address": "C4:7F:51:00:50:02", "advertising": {"rssi": -55, "intervalMs": 40},
     "gauge": {"model": "QX", "name": "OKTA QX 21", "serial": "4712", "replyDelayMs": 5,
       "files": [{"name": "m001", "generate": {"count": 25, "min": 180, "max": 260, "seed": 11}}],
       "faults": [{"kind": "noReply", "command": "$rd"}]}},
    {"address": "C4:7F:51:00:50:03", "advertising": {"rssi": -58, "intervalMs": 40},
     "gauge": {"model": "QX", "name": "OKTA QX 22", "serial": "4713", "replyDelayMs": 5,
       "files": [{"name": "m001", "generate": {"count": 25, "min": 180, "max": 260, "seed": 11}}],
       "faults": [{"kind": "disconnect", "afterBlocks": 8, "offlineMs": 400, "times": 1}]}},
    {"address": "C4:7F:51:00:50:04", "name": "OKTA X1", "advertising": {"rssi": -62, "intervalMs": 40},
     "gatt": {"services": [{"handle": "0x0020", "uuid": "722383EA-0662-466F-B41F-0FD548267C10",
       "characteristics": [{"handle": "0x0022", "uuid": "28CA", "properties": ["read", "write"]}]}]}},
    {"address": "D0:2E:AB:11:22:33", "name": "Thermo Beacon", "advertising": {"rssi": -80, "intervalMs": 40}}
  ]
})";

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms) {
    return platform::waitUntil(done, timeout) == platform::WaitResult::Done;
}

QStringList comboItems(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

class GaugeLinkTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        QFile file(home.path() + QStringLiteral("/scenario.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kScenario);
        file.close();
        qputenv("CORVEL_BLUETOOTH", ("sim:" + file.fileName()).toUtf8());
        qputenv("CORVEL_REGISTRY", (home.path() + QStringLiteral("/registry")).toUtf8());
        resetHandshakeState();
        session = std::make_unique<BleSession>();
        session->setReplyTimeout(1500ms);
        w().attachSession(session.get());
        w().reconnectTimeout = 5000ms;
    }
    void TearDown() override {
        window.reset();
        session.reset();
        WindowTest::TearDown();
    }

    // The connection dialog as a user works it: scan, pick the gauge, connect.
    void connectTo(const QString& serverId) {
        listed.clear();
        w().runDialog = [this, serverId](QDialog& dialog) {
            auto* ble = qobject_cast<FrmBle*>(&dialog);
            if (!ble) return;
            ble->cmdScan_Click();
            QListWidgetItem* entry = nullptr;
            waitFor([&] {
                for (int i = 0; i < ble->lbdevices->count(); ++i)
                    if (ble->lbdevices->item(i)->text().contains(serverId)) entry = ble->lbdevices->item(i);
                return entry != nullptr && ble->lbdevices->count() >= 5;
            });
            for (int i = 0; i < ble->lbdevices->count(); ++i) listed << ble->lbdevices->item(i)->text();
            ble->show();
            QCoreApplication::processEvents();
            EXPECT_EQ(cutTexts(*ble), QStringList());  // with the gauges listed, in this system's fonts
            ble->hide();
            if (!entry) return;
            ble->lbdevices->setCurrentItem(entry);
            ble->cmdConnectB_Click();
        };
        DeviceAddress.clear();
        w().cmdConnect->setText(C(50));
        w().cmdConnect_Click();
    }
    void read(const QString& memory) {
        const int index = w().cmbSpeicher->findText(memory, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << memory.toStdString();
        w().cmbSpeicher->setCurrentIndex(index);
        w().cmdLesen_Click();
    }
    int rows(int table) const {
        int n = 0;
        while (n < kTableCapacity && !Tables.at(table, n + 1).isEmpty()) ++n;
        return n;
    }

    std::unique_ptr<BleSession> session;
    QStringList listed;
};

TEST(GaugeLinkPieces, ListRepliesEntriesAndBlockPlans) {
    TempHome home;
    EXPECT_EQ(MemoryDownload::fileListEntries(QStringLiteral("$ls?000262144 m001 s002 setup t003!")),
              (QStringList{QStringLiteral("m001").leftJustified(20), QStringLiteral("s002").leftJustified(20),
                           QStringLiteral("t003").leftJustified(20)}));
    EXPECT_TRUE(MemoryDownload::fileListEntries(QStringLiteral("$ls?0!")).isEmpty());
    // Longer names stay whole.
    EXPECT_EQ(MemoryDownload::fileListEntries(QStringLiteral("$ls?000262144 m_bridge_girder_north_03!")),
              QStringList{QStringLiteral("m_bridge_girder_north_03")});

    const QString entry = MemoryDownload::memoryEntry(QStringLiteral("3"), 12);
    EXPECT_EQ(entry, QStringLiteral("S    3  (12)"));
    QString name;
    int count = 0;
    ASSERT_TRUE(MemoryDownload::parseMemoryEntry(entry, name, count));
    EXPECT_EQ(name, QStringLiteral("3"));
    EXPECT_EQ(count, 12);

    struct Plan { int size, full, rest; };
    for (const Plan p : {Plan{70, 2, 6}, Plan{64, 2, 0}, Plan{32, 1, 0}, Plan{10, 0, 10}, Plan{0, 0, 0}}) {
        const auto plan = MemoryDownload::planBlocks(p.size);
        EXPECT_EQ(plan.fullBlocks, p.full) << p.size;
        EXPECT_EQ(plan.rest, p.rest) << p.size;
    }
}

TEST_F(GaugeLinkTest, CoatingGaugeListsReadsMemoriesAndFollowsLiveReadings) {
    connectTo(QStringLiteral("C47F51005001"));
    ASSERT_TRUE(session->Connected);
    // The list shows each gauge once and no other device.
    EXPECT_EQ(listed.filter(QStringLiteral("C47F51005001")).size(), 1);
    EXPECT_TRUE(listed.filter(QStringLiteral("Thermo")).isEmpty());
    EXPECT_EQ(w().cmdConnect->text(), C(52));
    EXPECT_EQ(w().BattIcon->accessibleDescription(), QStringLiteral("K"));
    EXPECT_EQ(comboItems(w().cmbSpeicher),
              (QStringList{QStringLiteral("m001").leftJustified(20), QStringLiteral("s002").leftJustified(20),
                           QStringLiteral("t003").leftJustified(20), QStringLiteral("m004").leftJustified(20)}));

    read(QStringLiteral("m001"));
    EXPECT_EQ(rows(kTableMemory), 25);
    EXPECT_EQ(w().MSFlex->rowCount(), 25);
    read(QStringLiteral("s002"));
    EXPECT_EQ(rows(kTableMemory), 5);
    read(QStringLiteral("m004"));
    EXPECT_EQ(rows(kTableMemory), 5000);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(w().cmdLesen->isEnabled());

    // Reading ended on the memory table with readings subscribed: the next live reading
    // switches to the online table; the dual reading gives two records.
    ASSERT_TRUE(session->Subscribed);
    ASSERT_TRUE(waitFor([&] { return rows(kTableOnline) >= 3; }));
    QStringList methods;
    for (int i = 1; i <= rows(kTableOnline); ++i) methods << Tables.at(kTableOnline, i).method;
    EXPECT_TRUE(methods.contains(QStringLiteral("DNF"))) << methods.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(currentTable, kTableOnline);
    EXPECT_TRUE(w().optOnline->isChecked());
    EXPECT_TRUE(w().txtSpeicher->text().contains(kMicrometre));
}

TEST_F(GaugeLinkTest, FamilyFourMemoriesIncludingEmptyAndShortOnes) {
    connectTo(QStringLiteral("C47F51004001"));
    ASSERT_TRUE(session->Connected);
    EXPECT_EQ(w().BattIcon->accessibleDescription(), QStringLiteral("L"));
    EXPECT_EQ(comboItems(w().cmbSpeicher), (QStringList{QStringLiteral("S    1  (12)"), QStringLiteral("S    2   (5)"),
                                                        QStringLiteral("S    3   (0)")}));
    read(QStringLiteral("S    2"));
    EXPECT_EQ(rows(kTableMemory), 5);
    EXPECT_EQ(w().optFE->text(), QStringLiteral("Speicher 2 (5)"));
    // Twelve announced, seven stored: the read ends at the end of the data.
    read(QStringLiteral("S    1"));
    EXPECT_EQ(rows(kTableMemory), 7);
    read(QStringLiteral("S    3"));
    EXPECT_EQ(w().txtSpeicher->text(), M(33));
    EXPECT_TRUE(w().cmdLesen->isEnabled());
}

TEST_F(GaugeLinkTest, FullOnlineTableOnlyShowsTheReading) {
    connectTo(QStringLiteral("C47F51005001"));
    ASSERT_TRUE(session->Connected);
    w().optOnline_Click();
    std::vector<MeasurementRecord> full;
    for (int i = 1; i <= kTableCapacity; ++i) full.push_back(reading(i, 100.0));
    putReadings(full);
    w().FillMSFlexOne();
    prompts.messages.clear();
    ASSERT_TRUE(waitFor([&] { return !prompts.messages.isEmpty(); }));
    EXPECT_EQ(prompts.messages.front(), M(53) + QStringLiteral(" 5000"));
    EXPECT_EQ(rows(kTableOnline), kTableCapacity);
    EXPECT_FALSE(w().txtSpeicher->text().trimmed().isEmpty());
}

TEST_F(GaugeLinkTest, SilentGaugeAndLostLinkKeepWhatWasRead) {
    connectTo(QStringLiteral("C47F51005002"));
    ASSERT_TRUE(session->Connected);
    read(QStringLiteral("m001"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages.takeFirst(), M(105).arg(0).arg(25));
    EXPECT_TRUE(w().cmdLesen->isEnabled());

    session->BLEDisconnect();
    connectTo(QStringLiteral("C47F51005003"));
    ASSERT_TRUE(session->Connected);
    read(QStringLiteral("m001"));
    // Eight blocks of 32 bytes: the header and six whole readings.
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages.takeFirst(), M(104).arg(6).arg(25));
    EXPECT_EQ(rows(kTableMemory), 6);
    EXPECT_FALSE(session->Connected);
    EXPECT_EQ(w().cmdConnect->text(), C(54));
    EXPECT_EQ(w().txtWait->text(), M(72));

    // The gauge comes back after 400 ms: ReConnect links again and the memory reads whole.
    for (int attempt = 0; attempt < 10 && !session->Connected; ++attempt) {
        platform::waitFor(300ms);
        ASSERT_EQ(w().cmdConnect->text(), C(54));
        w().cmdConnect_Click();
    }
    ASSERT_TRUE(session->Connected);
    read(QStringLiteral("m001"));
    EXPECT_EQ(rows(kTableMemory), 25);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(GaugeLinkTest, GaugeWithoutDataSideIsRetriedThenOffered) {
    connectTo(QStringLiteral("C47F51005004"));
    EXPECT_FALSE(session->Connected);
    EXPECT_TRUE(session->CommandSideFound);
    EXPECT_FALSE(session->DataSideFound);
    ASSERT_NE(w().frmBle(), nullptr);
    EXPECT_FALSE(w().frmBle()->cmdReconnect->isHidden());
    EXPECT_EQ(w().frmBle()->cmdReconnect->text(), M(100) + DeviceName);
    QFile log(home.file(QStringLiteral("TransferLog.txt")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(log.readAll()).count(QStringLiteral("REconnect2")),
              BleSession::kMaxAutoReconnects);
}

}  // namespace
}  // namespace zenu::testing
