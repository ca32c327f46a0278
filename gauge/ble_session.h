#pragma once
// The Bluetooth LE session with one gauge, free of widgets: it owns the BLE client control
// (created by its ProgID, like any host), the link flags, the ids of the gauge's services and
// characteristics, and the command handshake (write, then poll the command characteristic for
// the reply). The connection dialog, the main window and zenu-cli drive gauges through it;
// windows follow it through its signals.
//
// Everything runs on the thread that created the session. The control fires its events inside
// its own calls and from the thread's event loop, so handlers here run nested inside waits.
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>

#include "gauge/command_transport.h"
#include "gauge/corvel_client.h"
#include "gauge/gauge_link.h"

namespace zenu {

// The UUIDs the program looks for, as the control reports them (upper case, with hyphens).
namespace gatt_uuids {
inline constexpr const char* kCommandService = "722383EA-0662-466F-B41F-0FD548267C10";
inline constexpr const char* kProbeCommandService = "AAF1D96D-594C-4C53-B1C6-144A1DFDE6D8";
inline constexpr const char* kCommandCharacteristic = "000028CA-0000-1000-8000-00805F9B34FB";
inline constexpr const char* kDataService = "3DCF8700-54E8-4FBC-A822-25EC413CA19B";
inline constexpr const char* kStorageInfo = "3DCF8701-54E8-4FBC-A822-25EC413CA19B";
inline constexpr const char* kStorageData = "3DCF8702-54E8-4FBC-A822-25EC413CA19B";
inline constexpr const char* kMeasurement = "3DCF8703-54E8-4FBC-A822-25EC413CA19B";
}  // namespace gatt_uuids

// The control's ids of the discovered objects; all calls after discovery use these.
struct GaugeGattIds {
    QString commandService;  // the command service, or the probe command service when present
    QString probeService;
    QString dataService;
    QString commandCharacteristic;
    QString storageInfo;
    QString storageData;
    QString measurement;
    bool commandSide() const { return !commandService.isEmpty() && !commandCharacteristic.isEmpty(); }
    bool dataSide() const;
};

class BleSession : public QObject, public CommandTransport, public GaugeLink, private CorvelEvents {
    Q_OBJECT
public:
    // How long the reply of a command is polled: 5 ticks of 200 ms, 20 for the memory list.
    static constexpr std::chrono::milliseconds kPollTick{200};
    static constexpr int kTickLimit = 5;
    static constexpr int kListTickLimit = 20;
    // Discovery waits 5 ticks of 800 ms for both sides.
    static constexpr std::chrono::milliseconds kDiscoveryWait{4000};
    // A gauge that never completes discovery is reconnected at most this often in a row.
    static constexpr int kMaxAutoReconnects = 3;

    explicit BleSession(QObject* parent = nullptr);
    ~BleSession() override;

    // Creates the control and configures it (log level, automatic discovery). False with the
    // reason in *error when the control cannot be created.
    bool open(QString* error = nullptr);
    bool isOpen() const;

    // ---- Link state
    bool Connected = false;
    bool WentOffline = false;
    bool Subscribed = false;
    bool CommandSideFound = false;
    bool DataSideFound = false;
    bool disconnectedFlag = true;
    const GaugeGattIds& ids() const { return ids_; }

    // ---- Scanning. Advertisements of gauges not yet listed give deviceListed; every advertiser
    // is also reported once by advertisementSeen (zenu-cli scan --all).
    bool startScan();
    void stopScan();
    bool scanning() const { return scanning_; }
    const QStringList& deviceList() const { return deviceList_; }
    void clearDeviceList() { deviceList_.clear(); }

    // ---- Connection
    // Connects to DeviceAddress (set from a list entry, or the earlier gauge). Discovery, the
    // automatic reconnection and the link flags follow from the control's events; returns when
    // the control's Connect has returned. False when Connect could not even be called.
    bool connectDevice();
    // Chooses a device-list entry: DeviceAddress and DeviceName from it.
    static void chooseEntry(const QString& entry);
    // Waits (bounded) until Connected is set or the attempt has ended in failure.
    bool waitConnected(std::chrono::milliseconds timeout);
    void BLEDisconnect();
    void Reconnect();
    // The user pressed the reconnect button or connected anew: automatic reconnection may run
    // its attempts again.
    void resetReconnectAttempts() { autoReconnects_ = 0; }

    // ---- Commands (CommandBuffer holds the text). writeCommand is WriteZenu.
    bool writeCommand(const QString& command) override;
    bool WriteStorageInfo(const QString& text);
    bool ReadStorageInfo();
    bool ReadStorageData();
    bool SondenFreigabe();
    bool SubMeasure();
    bool UnsubMeasure();
    // Set before "$ls!": the reply is polled for 4 s instead of 1 s.
    void setListTickLimit() { tickLimit_ = kListTickLimit; }

    // ---- GaugeLink
    bool isConnected() const override { return Connected; }
    void requestDisconnect() override { BLEDisconnect(); }
    bool isSubscribed() const override { return Subscribed; }
    bool subscribeReadings() override;
    bool unsubscribeReadings() override;
    CommandTransport* commandTransport() override { return this; }

    // The bound of each wait for a reply or a confirmation (5 s unless told otherwise).
    void setReplyTimeout(std::chrono::milliseconds t) { replyTimeout_ = t; }
    std::chrono::milliseconds replyTimeout() const { return replyTimeout_; }
    int replyTimeoutMs() const { return static_cast<int>(replyTimeout_.count()); }
    // A command and the wait, within the reply timeout, for the awaited kind of reply.
    bool request(const QString& command, GaugeReply awaited);
    // The wait for replies: it also ends as soon as the link is gone, so that nothing waits
    // out its bound for a gauge that can no longer answer.
    WaitFunction waitFunction() const override;
    // Tests and benchmarks replace the wait (the default is a nested event loop).
    void setWaitFunction(WaitFunction wait) { wait_ = std::move(wait); }

signals:
    void scanStarted();
    void scanFailed(const QString& message);
    // A gauge not listed before: its list entry, and what the entry was made of.
    void deviceListed(const QString& entry, const QString& serverId, const QString& name, int rssi);
    void advertisementSeen(const QString& serverId, const QString& name, int rssi);
    // txtLog of the connection dialog.
    void statusText(const QString& text);
    // Connection established and both sides found (the dialog hides, the main window shows
    // the link).
    void linkUp();
    // Discovery did not find both sides: the user may reconnect (caption of the button).
    void reconnectOffered(const QString& caption);
    // The link ended: offline is true when the gauge went out of range or was switched off.
    void linkDown(bool offline, int status, const QString& description);
    // BLEDisconnect was called (by the user or after a control error).
    void disconnectedByUser();
    // Reconnect hides the main window's connect button until the link is back.
    void reconnecting();
    // The control reported an error outside a call; the session disconnects after it.
    void controlError(int code, const QString& description);

private:
    // CorvelEvents
    void onAdvertisement(const QString& serverId, const QString& name, int rssi) override;
    void onStartScan() override;
    void onConnected(int status, const QString& description) override;
    void onDisconnected(int status, const QString& description) override;
    void onDiscovered(int kind, const QString& serviceId, const QString& characteristicId,
                      const QString& uuid) override;
    void onValue(const QString& serviceId, const QString& characteristicId, const QString& value) override;
    void onWriteResponse(const QString& serviceId, const QString& characteristicId) override;
    void onSubscribed(const QString& characteristicId) override;
    void onUnsubscribed(const QString& characteristicId) override;
    void onError(int code, const QString& description) override;

    bool DiscoverAll();
    void pollReply();
    void logFailure(const QString& what, const CorvelCall& call);
    // The control is there and the object has been discovered.
    bool ready(const QString& id) const { return isOpen() && !id.isEmpty(); }
    // Logs a failed call; true when it succeeded.
    bool checked(const QString& what, const CorvelCall& call);
    bool waitForFlag(const bool& flag, bool wanted);
    void failedAttempt();

    std::unique_ptr<CorvelClient> control_;
    GaugeGattIds ids_;
    QStringList deviceList_;
    QStringList seenEverything_;
    bool scanning_ = false;
    bool connectFailed_ = false;
    int autoReconnects_ = 0;
    int tickLimit_ = kTickLimit;
    std::chrono::milliseconds replyTimeout_{kReplyTimeoutMs};
    WaitFunction wait_;
    bool commandReplyRead_ = false;  // a value was read from the command characteristic
};

}  // namespace zenu
