#pragma once
// Shared helpers of the gauge-protocol tests: a clean protocol state per test, a scripted
// gauge that answers commands like a real one, and a main window that records what it is told.
#include <gtest/gtest.h>

#include <QList>
#include <QLocale>
#include <QMap>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <ostream>
#include <utility>

#include "gauge/command_transport.h"
#include "gauge/connection_host.h"
#include "gauge/value_handler.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zenu::testing {

void useGaugeLocale(const QLocale& locale);

// Handshake state, gauge identity, tables and live handler back to a freshly started
// program; English.
class GaugeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Answers each command with the values scripted for it; the values arrive while the sender
// waits, as the BLE session's polling delivers them.
class ScriptedGauge : public CommandTransport {
public:
    using Reply = std::pair<GaugeChannel, QString>;

    // Replies to a command (several values: several reads).
    void answer(const QString& command, QList<Reply> replies) { script_[command] = std::move(replies); }
    void answer(const QString& command, const QString& reply) { answer(command, {{GaugeChannel::Command, reply}}); }
    // Something that arrives with the next wait whatever was sent (a live reading).
    void interject(GaugeChannel channel, const QString& value) { pending_.push_back({channel, value}); }
    // Writes of this command fail.
    void failWrite(const QString& command) { failing_ << command; }

    bool writeCommand(const QString& command) override;
    // Delivers what is pending, then reports done(); records the time limits asked for.
    WaitFunction wait();

    QStringList writes;
    QList<int> timeouts;

private:
    QMap<QString, QList<Reply>> script_;
    std::deque<Reply> pending_;
    QStringList failing_;
};

// The main window as the connection initialisation sees it.
class RecordingHost : public ConnectionHost {
public:
    void showWaitMessage(const QString& text) override { calls << QStringLiteral("wait:") + text; }
    void placeReadingField(const ReadingFieldLayout& layout) override {
        fields << layout;
        calls << QStringLiteral("placeReadingField");
    }
    void showDeviceFrame(const DeviceFrame& f) override {
        frame = f;
        calls << QStringLiteral("showDeviceFrame");
    }
    void showDeviceName(const QString& name) override { calls << QStringLiteral("name:") + name; }
    void showDevicePicture(const DevicePicture& p) override {
        picture = p;
        calls << QStringLiteral("picture:") + p.file;
    }
    void applyBranding(const QString& variant) override { calls << QStringLiteral("branding:") + variant; }
    void applyProfile(const ProfileEffects& e) override {
        effects = e;
        calls << QStringLiteral("applyProfile");
    }
    void prepareReadingView() override { calls << QStringLiteral("prepareReadingView"); }
    void readingTablesCleared() override { calls << QStringLiteral("readingTablesCleared"); }
    void clearClipboard() override { calls << QStringLiteral("clearClipboard"); }
    void loadSettings(const QString& action) override { calls << QStringLiteral("settings:") + action; }
    void startKeyboardEventTarget() override { calls << QStringLiteral("startKeyboardEventTarget"); }
    void showCommandFrames() override { calls << QStringLiteral("showCommandFrames"); }
    void showBattery(const BatterySymbol& symbol) override {
        battery = symbol;
        calls << QStringLiteral("showBattery");
    }
    void initialisationFailed(const QString& message) override { calls << QStringLiteral("failed:") + message; }

    QStringList calls;
    QList<ReadingFieldLayout> fields;
    DeviceFrame frame;
    DevicePicture picture;
    ProfileEffects effects;
    BatterySymbol battery;
};

}  // namespace zenu::testing
