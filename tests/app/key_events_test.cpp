// Keyboard events: the keys of a reading, the dialog and its OK rules, and readings typed
// into a real window under Xvfb. The target is a helper program with one text field (the
// "notepad-receiver" link to it runs the collect mode); what arrives there is what a user
// would see typed.
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QDeadlineTimer>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <csignal>
#include <sys/prctl.h>

#include "app/dialogs/frm_tastatur.h"
#include "app/frm_ble.h"
#include "gauge/ble_session.h"
#include "gauge/handshake_state.h"
#include "platform/event_wait.h"
#include "platform/target_process.h"
#include "reports/key_sender.h"
#include "window_support.h"
#include "../support/file_bytes.h"

namespace zenu::testing {
namespace {

using namespace std::chrono_literals;

// One Xvfb for the whole file, on a display number it picks itself (-displayfd); it ends with
// the test process, even a killed one.
class XvfbEnvironment : public ::testing::Environment {
public:
    static inline QString skipReason = QStringLiteral("Xvfb did not run");

    void SetUp() override {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty()) {
            skipReason = QStringLiteral("Xvfb is not installed (Debian package xvfb)");
            return;
        }
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                 QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                 QStringLiteral("tcp")});
        QByteArray number;
        const QDeadlineTimer deadline(10000);
        while (!number.contains('\n') && !deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
            number += process_.readAllStandardOutput();
        }
        if (!number.contains('\n')) {
            skipReason = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(process_.readAllStandardError());
            return;
        }
        qputenv("DISPLAY", ":" + number.trimmed());
        skipReason.clear();
    }
    void TearDown() override {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(3000);
    }

private:
    QProcess process_;
};
::testing::Environment* const xvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    return platform::waitUntil(done, timeout, 20ms) == platform::WaitResult::Done;
}

QString fileText(const QString& path) { return QString::fromUtf8(readBytes(path)); }

class KeyEvents11 : public WindowTest {
protected:
    void SetUp() override {
        if (!XvfbEnvironment::skipReason.isEmpty()) GTEST_SKIP() << XvfbEnvironment::skipReason.toStdString();
        WindowTest::SetUp();
        useCoatingGauge();
        KeyEvents = KeyboardEventSettings{};
        receiver = QStringLiteral(ZENU_KEY_RECEIVER);
        notepad = home.path() + QStringLiteral("/notepad-receiver");
        QFile::link(receiver, notepad);
        // A launcher that runs the program as its child, as soffice does.
        launcher = home.path() + QStringLiteral("/launcher.sh");
        writeBytes(launcher, ("#!/bin/sh\n'" + receiver + "' &\nwait\n").toUtf8());
        QFile::setPermissions(launcher, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void TearDown() override {
        // The trace log says why keys did not go.
        if (HasFailure()) ADD_FAILURE() << readBytes(home.file(QStringLiteral("TransferLog.txt"))).toStdString();
        for (const qint64 pid : started)
            for (const qint64 process : platform::processTree(pid)) ::kill(static_cast<pid_t>(process), SIGTERM);
        WindowTest::TearDown();
        KeyEvents = KeyboardEventSettings{};
    }

    // Starts the target as a connection does; what arrives goes to the returned file.
    QString startTarget(const QString& path, const QString& fields, const QString& lineEnd) {
        const QString out = home.path() + QStringLiteral("/received%1.txt").arg(started.size());
        qputenv("ZENU_KEY_RECEIVER_OUT", out.toUtf8());
        KeyEvents.KeyEventsEnabled = true;
        KeyEvents.KeyTargetPath = path;
        KeyEvents.KeyFields = fields;
        KeyEvents.KeyLineEnd = lineEnd;
        KeyEvents.KeyTargetStarted = false;
        w().startKeyboardEventTarget();
        if (KeyEvents.KeyTargetStarted) started << KeyEvents.KeyTargetTaskId;
        return out;
    }
    // The reading as the table adds it: the window hands it on to the keyboard events.
    void add(int table, const MeasurementRecord& record) {
        currentTable = table;
        putReadings({record});
        readingIndex = 1;
        w().AddReadingRow();
    }

    QString receiver, notepad, launcher;
    QList<qint64> started;
    std::unique_ptr<BleSession> session;  // after the window, which TearDown ends first
};

TEST(KeyCalls, PiecesInOrderOnePerCallOrAllInOne) {
    TempHome home;
    MeasurementRecord r = reading(12, 12.5);
    struct Row {
        const char* path;
        const char* fields;
        const char* lineEnd;
        QList<KeyCall> calls;
    };
    const QString date = QStringLiteral(" 12.03.2024"), unit = QLatin1Char(' ') + kMicrometre;
    const Row rows[] = {
        {"/usr/bin/gnumeric", "1011", "ENTER",
         {{QStringLiteral("     12")}, {QStringLiteral(" 12,5")}, {unit}, {QStringLiteral(" FE")}, {QString(), true}}},
        {"/usr/bin/gnumeric", "", "", {{QStringLiteral(" 12,5")}}},
        {"/opt/NotePad++/NOTEPAD.sh", "0100", "ENTER", {{date + QStringLiteral(" 12,5"), true}}},
        {"/usr/bin/notepadqq", "1111", "", {{QStringLiteral("     12") + date + QStringLiteral(" 12,5") + unit + QStringLiteral(" FE")}}},
    };
    for (const Row& row : rows) {
        KeyboardEventSettings s;
        s.KeyTargetPath = QLatin1String(row.path);
        s.KeyFields = QLatin1String(row.fields);
        s.KeyLineEnd = QLatin1String(row.lineEnd);
        EXPECT_EQ(readingKeyCalls(r, s), row.calls) << row.path << " " << row.fields;
    }
}

TEST_F(KeyEvents11, ReadingsArriveTypedInTheTargetWindow) {
    struct Row {
        const char* name;
        QString target;
        const char* fields;
        const char* lineEnd;
        QString unit, method;
        bool memoryReadingFirst;
        QString expected;
    };
    const Row rows[] = {
        {"number, unit, method, Enter", receiver, "1011", "ENTER", kMicrometre, QStringLiteral("FE"), false,
         QStringLiteral("     12 12,5 ") + kMicrometre + QStringLiteral(" FE\n")},
        {"value alone, no line end", launcher, "0000", "", kMicrometre, QStringLiteral("FE"), false,
         QStringLiteral(" 12,5")},
        {"key-sending characters typed as themselves", receiver, "0011", "", QStringLiteral("{Fe%}"),
         QStringLiteral("+^~("), false, QStringLiteral(" 12,5 {Fe%} +^~(")},
        {"collect mode", notepad, "1111", "ENTER", kMicrometre, QStringLiteral("FE"), false,
         QStringLiteral("     12 12.03.2024 12,5 ") + kMicrometre + QStringLiteral(" FE\n")},
        {"a memory table sends nothing", receiver, "0000", "ENTER", kMicrometre, QStringLiteral("FE"), true,
         QStringLiteral(" 12,5\n")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString out = startTarget(row.target, QLatin1String(row.fields), QLatin1String(row.lineEnd));
        ASSERT_TRUE(KeyEvents.KeyTargetStarted);
        MeasurementRecord r = reading(12, 12.5);
        r.unit = row.unit;
        r.method = row.method;
        if (row.memoryReadingFirst) add(kTableMemory, reading(7, 99));
        add(kTableOnline, r);
        waitFor([&] { return fileText(out) == row.expected; });
        EXPECT_EQ(fileText(out), row.expected);
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(KeyEvents11, AClosedTargetIsToldOnceAndNoKeysGo) {
    const QString out = startTarget(receiver, QStringLiteral("0000"), QString());
    ASSERT_TRUE(KeyEvents.KeyTargetStarted);
    const qint64 pid = KeyEvents.KeyTargetTaskId;
    add(kTableOnline, reading(1, 5));
    ASSERT_TRUE(waitFor([&] { return fileText(out) == QStringLiteral(" 5"); }));
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    ASSERT_TRUE(waitFor([&] { return !platform::processRunning(pid); }));
    add(kTableOnline, reading(2, 6));
    add(kTableOnline, reading(3, 7));
    ASSERT_TRUE(waitFor([&] { return !prompts.messages.isEmpty(); }));
    platform::waitFor(300ms);
    EXPECT_EQ(prompts.messages,
              QStringList{QStringLiteral("App ") + receiver + QStringLiteral(" wurde beendet, bitte Pgm neu starten!")});
    EXPECT_FALSE(KeyEvents.KeyTargetStarted);
    // The next connection starts it again.
    w().startKeyboardEventTarget();
    EXPECT_TRUE(KeyEvents.KeyTargetStarted);
    started << KeyEvents.KeyTargetTaskId;
}

TEST_F(KeyEvents11, DialogShowsTheSettingsAndKeepsItsOkRules) {
    const QString file = home.file(QStringLiteral("Tastatur_12345.ini"));
    writeBytes(file, "1;/usr/bin/nothing-here;1010;ENTER\r\n");
    const auto open = [&]() -> FrmTastatur& {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(w().frmTastatur(), nullptr);  // unloaded after OK or closing
        w().mnuTastaturevent_Click();
        return *w().frmTastatur();
    };
    FrmTastatur& d = open();
    EXPECT_EQ(d.frmTastatur->title(), QStringLiteral("Tastatur Events senden"));
    EXPECT_EQ(d.chkEinheit->text(), QStringLiteral("Messeinheit"));
    EXPECT_EQ(d.txtAnwendung->accessibleName(), QStringLiteral("Anwendung an die gesendet wird"));
    EXPECT_TRUE(d.chkTastatur->isChecked());
    EXPECT_EQ(d.txtAnwendung->text(), QStringLiteral("/usr/bin/nothing-here"));
    EXPECT_EQ((QList<bool>{d.chkNr->isChecked(), d.chkDatum->isChecked(), d.chkEinheit->isChecked(),
                           d.chkMaterial->isChecked()}),
              (QList<bool>{true, false, true, false}));
    EXPECT_TRUE(d.optEnter->isChecked());

    // Closing by the frame discards the changes.
    d.chkNr->setChecked(false);
    d.reject();
    EXPECT_EQ(KeyEvents.KeyFields, QStringLiteral("1010"));

    // An empty application field leaves the function off.
    FrmTastatur& empty = open();
    empty.txtAnwendung->clear();
    empty.cmdOk_Click();
    EXPECT_FALSE(KeyEvents.KeyEventsEnabled);
    EXPECT_FALSE(KeyEvents.KeyTargetStarted);
    EXPECT_EQ(readBytes(file), QByteArray("0;;1010;ENTER\r\n"));

    // The file dialog fills the field; OK starts the application.
    qputenv("ZENU_KEY_RECEIVER_OUT", (home.path() + QStringLiteral("/dialog.txt")).toUtf8());
    FrmTastatur& chosen = open();
    prompts.fileAnswers.push_back(receiver);
    chosen.txtAnwendung_Click();
    EXPECT_EQ(chosen.txtAnwendung->text(), receiver);
    chosen.chkTastatur->setChecked(true);
    chosen.optKeins->setChecked(true);
    chosen.chkMaterial->setChecked(true);
    chosen.cmdOk_Click();
    ASSERT_TRUE(KeyEvents.KeyTargetStarted);
    const qint64 first = KeyEvents.KeyTargetTaskId;
    started << first;
    EXPECT_EQ(readBytes(file), (QStringLiteral("1;") + receiver + QStringLiteral(";1011;\r\n")).toUtf8());

    // OK with the same path starts nothing more; a changed path starts the new application.
    open().cmdOk_Click();
    EXPECT_EQ(KeyEvents.KeyTargetTaskId, first);
    FrmTastatur& changed = open();
    changed.txtAnwendung->setText(notepad);
    changed.cmdOk_Click();
    ASSERT_TRUE(KeyEvents.KeyTargetStarted);
    started << KeyEvents.KeyTargetTaskId;
    EXPECT_NE(KeyEvents.KeyTargetTaskId, first);
    EXPECT_TRUE(platform::processRunning(first));
    EXPECT_TRUE(platform::processRunning(KeyEvents.KeyTargetTaskId));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(QLatin1Char('|')).toStdString();
}

// As the demo does it: the connection loads the gauge's settings and starts the target, and
// the readings taken on the (simulated) gauge appear typed in its window.
TEST_F(KeyEvents11, AConnectionStartsTheTargetAndLiveReadingsAreTyped) {
    writeBytes(home.path() + QStringLiteral("/scenario.json"), R"({
      "adapter": {"present": true, "lowEnergy": true},
      "latency": {"connect": 5, "discovery": 0, "read": 0, "write": 0, "cccd": 0},
      "devices": [{"address": "C4:7F:51:00:50:01", "advertising": {"rssi": -50, "intervalMs": 40},
        "gauge": {"model": "QX", "serial": "4711", "battery": 4.1,
          "live": {"intervalMs": 300, "startDelayMs": 200, "repeat": false,
                   "readings": [{"value": 101.2, "method": "FE"}, {"value": 99.8, "method": "NF"}]}}}]})");
    qputenv("CORVEL_BLUETOOTH", ("sim:" + home.path() + QStringLiteral("/scenario.json")).toUtf8());
    qputenv("CORVEL_REGISTRY", (home.path() + QStringLiteral("/registry")).toUtf8());
    writeBytes(home.file(QStringLiteral("Tastatur_4711.ini")), ("1;" + receiver + ";0011;ENTER\r\n").toUtf8());
    const QString out = home.path() + QStringLiteral("/live.txt");
    qputenv("ZENU_KEY_RECEIVER_OUT", out.toUtf8());
    resetHandshakeState();
    resetGaugeIdentity();
    session = std::make_unique<BleSession>();
    session->setReplyTimeout(1500ms);
    w().attachSession(session.get());
    w().runDialog = [](QDialog& dialog) {
        auto* ble = qobject_cast<FrmBle*>(&dialog);
        if (!ble) return;
        ble->cmdScan_Click();
        ASSERT_TRUE(waitFor([&] { return ble->lbdevices->count() > 0; }, 5s));
        ble->lbdevices->setCurrentRow(0);
        ble->cmdConnectB_Click();
    };
    w().cmdConnect_Click();
    ASSERT_TRUE(session->Connected);
    ASSERT_TRUE(KeyEvents.KeyTargetStarted);
    started << KeyEvents.KeyTargetTaskId;
    // Values of 100 µm and more are shown, and typed, without decimals.
    const QString expected = QStringLiteral(" 101 %1 FE\n 99,8 %1 NF\n").arg(kMicrometre);
    waitFor([&] { return fileText(out) == expected; }, 15s);
    EXPECT_EQ(fileText(out), expected);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(KeyEvents11, WithoutAnX11DisplayTheEntrySaysWhy) {
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    for (const auto& [wayland, message] : {std::pair{"", 182}, std::pair{"wayland-0", 181}}) {
        prompts.messages.clear();
        qputenv("WAYLAND_DISPLAY", wayland);
        emit w().mnuTastaturevent->hovered();
        EXPECT_EQ(w().mnuTastaturevent->toolTip(), M(message));
        w().mnuTastaturevent_Click();
        EXPECT_EQ(w().frmTastatur(), nullptr);
        EXPECT_EQ(prompts.messages, QStringList{M(message)});
    }
    // A connection with the function on says it once and starts nothing.
    prompts.messages.clear();
    KeyEvents.KeyEventsEnabled = true;
    KeyEvents.KeyTargetPath = receiver;
    w().startKeyboardEventTarget();
    w().startKeyboardEventTarget();
    EXPECT_FALSE(KeyEvents.KeyTargetStarted);
    EXPECT_EQ(prompts.messages, QStringList{M(181)});
    qputenv("DISPLAY", display);
    qunsetenv("WAYLAND_DISPLAY");
}

}  // namespace
}  // namespace zenu::testing
