#include "gauge/ble_session.h"

#include <QDateTime>

#include "texts/texts.h"
#include "data/gauge_identity.h"
#include "gauge/device_list.h"
#include "gauge/handshake_state.h"
#include "gauge/value_handler.h"
#include "platform/event_wait.h"
#include "platform/localefmt.h"
#include "platform/translog.h"

namespace zenu {
namespace {

using Clock = std::chrono::steady_clock;

// Each operation of the control is bounded by this; the control's own default is a minute.
constexpr int kControlTimeoutMs = 10000;
// The pauses the gauge needs between disconnecting and connecting again.
constexpr std::chrono::milliseconds kSettle{500};

QString q(const char* text) { return QString::fromLatin1(text); }

}  // namespace

bool GaugeGattIds::dataSide() const {
    if (dataService.isEmpty() || measurement.isEmpty()) return false;
    return !probeService.isEmpty() || (!storageInfo.isEmpty() && !storageData.isEmpty());
}

BleSession::BleSession(QObject* parent) : QObject(parent), wait_(eventLoopWait()) {}

BleSession::~BleSession() {
    // The control stops scanning and disconnects as it goes; its last events find nobody.
    if (control_) control_->release();
}

bool BleSession::open(QString* error) {
    if (isOpen()) return true;
    control_ = std::make_unique<CorvelClient>(static_cast<CorvelEvents&>(*this));
    const CorvelCall created = control_->create();
    if (!created) {
        WriteLog(QStringLiteral("Corvel: ") + created.description);
        if (error) *error = created.description;
        control_.reset();
        return false;
    }
    control_->config(QStringLiteral("LogLevel=0"));
    control_->config(QStringLiteral("AutoDiscoverCharacteristics = true"));
    control_->config(QStringLiteral("AutoDiscoverDescriptors = true"));
    control_->setTimeoutMs(kControlTimeoutMs);
    return true;
}

bool BleSession::isOpen() const { return control_ && control_->created(); }

void BleSession::logFailure(const QString& what, const CorvelCall& call) {
    WriteLog(what + QLatin1Char(' ') + QString::number(call.number) + QLatin1Char(' ') + call.description);
}

bool BleSession::checked(const QString& what, const CorvelCall& call) {
    if (!call) logFailure(what, call);
    return call.ok;
}

bool BleSession::request(const QString& command, GaugeReply awaited) {
    return sendAndWait(*this, waitFunction(), command, awaited, replyTimeoutMs());
}

// ---------------------------------------------------------------- scanning

bool BleSession::startScan() {
    WriteLog(QStringLiteral("Ble SCAN ") + platform::formatDateTime(QDateTime::currentDateTime()));
    deviceList_.clear();
    seenEverything_.clear();
    WriteLog(QStringLiteral("Bluetooth SCAN1"));
    CorvelCall r = isOpen() ? control_->setActiveScanning(true) : CorvelCall{false, 0, M(107), {}};
    if (r) r = control_->startScanning(QString());
    if (!r) {
        logFailure(QStringLiteral("Fehler Sub Measure"), r);
        // The control's own words say what is missing (no adapter, radio off).
        emit scanFailed(M(75) + QLatin1Char('\n') + r.description);
        return false;
    }
    scanning_ = true;
    return true;
}

void BleSession::stopScan() {
    scanning_ = false;
    if (isOpen()) control_->stopScanning();
}

void BleSession::onStartScan() {
    WriteLog(QStringLiteral("StartScan"));
    scanning_ = true;
    emit scanStarted();
    emit statusText(QStringLiteral("Scanning ..."));
}

void BleSession::onAdvertisement(const QString& serverId, const QString& name, int rssi) {
    if (!seenEverything_.contains(serverId)) {
        seenEverything_.append(serverId);
        emit advertisementSeen(serverId, name, rssi);
    }
    if (listHasDevice(deviceList_, serverId) || !isListedGauge(name)) return;
    const QString entry = deviceListEntry(serverId, name, rssi);
    deviceList_.append(entry);
    emit deviceListed(entry, serverId, name, rssi);
}

// ---------------------------------------------------------------- connection

void BleSession::chooseEntry(const QString& entry) {
    DeviceAddress = entryAddress(entry);
    DeviceName = entryName(entry);
}

bool BleSession::connectDevice() {
    if (!isOpen() || DeviceAddress.isEmpty()) return false;
    connectFailed_ = false;
    emit statusText(M(77) + DeviceAddress);
    // A failed Connect has fired its Connected event with the failure already.
    checked(QStringLiteral("Connect"), control_->connect(DeviceAddress));
    return true;
}

bool BleSession::waitConnected(std::chrono::milliseconds timeout) {
    wait_([this] { return Connected || connectFailed_; }, static_cast<int>(timeout.count()));
    return Connected;
}

void BleSession::onConnected(int status, const QString& description) {
    emit statusText(M(13));
    ids_ = {};
    CommandSideFound = false;
    DataSideFound = false;
    const bool linked = description == QLatin1String("OK") && status == 0;
    if (linked) DiscoverAll();
    disconnectedFlag = false;

    if (!(CommandSideFound && DataSideFound)) {
        WriteLog(QStringLiteral("Connected %1 %2, Dienste nicht gefunden").arg(status).arg(description));
        emit statusText(M(78));
        if (!WentOffline && autoReconnects_ < kMaxAutoReconnects) {
            ++autoReconnects_;
            Reconnect();
        } else {
            failedAttempt();
        }
        return;
    }
    autoReconnects_ = 0;
    emit statusText(C(53) + DeviceAddress);
    Connected = true;
    // Handlers of linkUp still see whether the gauge had gone offline.
    emit linkUp();
    WentOffline = false;
}

void BleSession::failedAttempt() {
    // Reconnect may have linked meanwhile (nested events): only a session without link failed.
    if (Connected) return;
    connectFailed_ = true;
    emit reconnectOffered(M(100) + DeviceName);
}

bool BleSession::DiscoverAll() {
    const QString services = discoversAllServices(DeviceName)
                                 ? QString()
                                 : q(gatt_uuids::kCommandService) + QLatin1Char(',') + q(gatt_uuids::kDataService);
    // Discovered events arrive inside the call, so both sides are known when it returns.
    checked(QStringLiteral("Discover"), control_->discover(services, QString(), true, QString()));
    return CommandSideFound && DataSideFound;
}

void BleSession::onDiscovered(int kind, const QString& serviceId, const QString& characteristicId,
                              const QString& uuid) {
    WriteLog(QStringLiteral("Discovered %1 ServiceID: %2 CharID: %3 UUID: %4")
                 .arg(kind)
                 .arg(serviceId, characteristicId, uuid));
    if (kind == 1) {
        if (uuid == q(gatt_uuids::kCommandCharacteristic)) {
            ids_.commandCharacteristic = characteristicId;
            WriteLog(QStringLiteral("CharZenu found"));
        } else if (uuid == q(gatt_uuids::kStorageInfo)) {
            ids_.storageInfo = characteristicId;
        } else if (uuid == q(gatt_uuids::kStorageData)) {
            ids_.storageData = characteristicId;
        } else if (uuid == q(gatt_uuids::kMeasurement)) {
            ids_.measurement = characteristicId;
            WriteLog(QStringLiteral("CharMeasure found"));
        }
    } else if (kind == 0) {
        if (uuid == q(gatt_uuids::kCommandService)) {
            // A probe command service, once found, stays the command service.
            if (ids_.probeService.isEmpty()) ids_.commandService = serviceId;
            WriteLog(QStringLiteral("ServiceMI found"));
        } else if (uuid == q(gatt_uuids::kDataService)) {
            ids_.dataService = serviceId;
            WriteLog(QStringLiteral("ServiceVQ found"));
        } else if (uuid == q(gatt_uuids::kProbeCommandService)) {
            ids_.probeService = serviceId;
            ids_.commandService = serviceId;
            WriteLog(QStringLiteral("ServiceSondeMI found"));
        }
    }
    CommandSideFound = ids_.commandSide();
    DataSideFound = ids_.dataSide();
}

void BleSession::BLEDisconnect() {
    if (isOpen()) {
        control_->disconnect();
        control_->disconnect();
    }
    platform::waitFor(kSettle);
    deviceList_.clear();
    emit disconnectedByUser();
}

void BleSession::Reconnect() {
    WriteLog(QStringLiteral("REconnect"));
    emit reconnecting();
    if (DeviceAddress.isEmpty() || !isOpen()) {
        failedAttempt();
        return;
    }
    control_->disconnect();
    WriteLog(QStringLiteral("REconnect1"));
    platform::waitFor(kSettle);
    connectFailed_ = false;
    checked(QStringLiteral("REconnect"), control_->connect(DeviceAddress));
    platform::waitFor(kSettle);
    WriteLog(QStringLiteral("REconnect2"));
}

void BleSession::onDisconnected(int status, const QString& description) {
    const bool offline = description == QLatin1String("Offline") && status == 0;
    if (offline) WentOffline = true;
    disconnectedFlag = true;
    CommandSideFound = false;
    DataSideFound = false;
    Connected = false;
    Subscribed = false;
    emit statusText(QStringLiteral("Disconnected %1%2").arg(status).arg(description));
    emit linkDown(offline, status, description);
    emit reconnectOffered(M(100) + DeviceName);
}

void BleSession::onError(int code, const QString& description) {
    WriteLog(QStringLiteral("Corvel Error %1 %2").arg(code).arg(description));
    emit controlError(code, description);
    BLEDisconnect();
}

// ---------------------------------------------------------------- commands and replies

bool BleSession::writeCommand(const QString& command) {
    if (!ready(ids_.commandCharacteristic)) return false;
    CommandBuffer = command;
    return checked(QStringLiteral("WriteZenu"),
                   control_->writeValue(ids_.commandService, ids_.commandCharacteristic, QString(), command));
}

void BleSession::onWriteResponse(const QString&, const QString& characteristicId) {
    if (characteristicId == ids_.storageInfo && !characteristicId.isEmpty()) {
        // Nothing answers on the command characteristic after a memory selection.
        AnswerState = kAnswerReceived;
        return;
    }
    if (characteristicId != ids_.commandCharacteristic || CommandBuffer.startsWith(QLatin1String("$sl"))) return;
    pollReply();
}

// The gauge answers on the command characteristic itself: it is read until a reply comes or the
// poll time has passed. Only a value read from that characteristic ends the poll: a live
// reading arriving meanwhile changes AnswerState too.
void BleSession::pollReply() {
    const int ticks = tickLimit_;
    tickLimit_ = kTickLimit;
    AnswerState = kAnswerAwaited;
    commandReplyRead_ = false;
    const QString service = ids_.commandService;
    const QString characteristic = ids_.commandCharacteristic;
    auto deadline = Clock::now() + kPollTick * ticks;
    while (!commandReplyRead_ && Clock::now() < deadline && Connected) {
        if (!checked(QStringLiteral("ReadValue"), control_->readValue(service, characteristic))) return;
    }
    if (CommandBuffer.startsWith(QLatin1String("$ls")) && !ResponseText.contains(QLatin1Char('!'))) {
        AccumulateMode = true;
        deadline = Clock::now() + kPollTick * kTickLimit;
        while (AccumulateMode && Clock::now() < deadline && Connected) {
            if (!control_->readValue(service, characteristic)) break;
        }
        // A reply that never ends must not leave its sender waiting for more pieces.
        AccumulateMode = false;
    }
}

void BleSession::onValue(const QString&, const QString& characteristicId, const QString& value) {
    GaugeChannel channel = GaugeChannel::Other;
    if (characteristicId.isEmpty()) {
        channel = GaugeChannel::Other;
    } else if (characteristicId == ids_.commandCharacteristic) {
        channel = GaugeChannel::Command;
        if (!value.isEmpty()) commandReplyRead_ = true;
    } else if (characteristicId == ids_.measurement) {
        channel = GaugeChannel::Measurement;
    } else if (characteristicId == ids_.storageInfo) {
        channel = GaugeChannel::StorageInfo;
    } else if (characteristicId == ids_.storageData) {
        channel = GaugeChannel::StorageData;
    }
    HandleGaugeValue(channel, value);
}

bool BleSession::WriteStorageInfo(const QString& text) {
    if (!ready(ids_.storageInfo)) return false;
    CommandBuffer = text;
    return checked(QStringLiteral("WriteStorageInfo"),
                   control_->writeValue(ids_.dataService, ids_.storageInfo, QString(), text));
}

bool BleSession::ReadStorageInfo() {
    return ready(ids_.storageInfo) &&
           checked(QStringLiteral("ReadStorageInfo"), control_->readValue(ids_.dataService, ids_.storageInfo));
}

bool BleSession::ReadStorageData() {
    return ready(ids_.storageData) &&
           checked(QStringLiteral("ReadStorageData"), control_->readValue(ids_.dataService, ids_.storageData));
}

bool BleSession::SondenFreigabe() { return WriteStorageInfo(QStringLiteral("-")); }

// ---------------------------------------------------------------- subscriptions

bool BleSession::SubMeasure() {
    return ready(ids_.measurement) &&
           checked(QStringLiteral("Fehler Sub Measure"), control_->subscribe(ids_.dataService, ids_.measurement));
}

bool BleSession::UnsubMeasure() {
    if (!ready(ids_.measurement)) return false;
    if (checked(QStringLiteral("Fehler UNSub Measure"), control_->unsubscribe(ids_.dataService, ids_.measurement)))
        return true;
    Connected = false;
    Subscribed = false;
    return false;
}

void BleSession::onSubscribed(const QString& characteristicId) {
    if (characteristicId != ids_.measurement) return;
    Subscribed = true;
    AnswerState = kAnswerReceived;
}

void BleSession::onUnsubscribed(const QString& characteristicId) {
    if (characteristicId != ids_.measurement) return;
    Subscribed = false;
    AnswerState = kAnswerReceived;
}

WaitFunction BleSession::waitFunction() const {
    return [this](const std::function<bool()>& done, int timeoutMs) {
        const bool linked = Connected;
        wait_([&] { return done() || (linked && !Connected); }, timeoutMs);
        return done();
    };
}

bool BleSession::waitForFlag(const bool& flag, bool wanted) {
    return waitFunction()([&flag, wanted] { return flag == wanted; }, replyTimeoutMs());
}

bool BleSession::subscribeReadings() {
    AnswerState = kAnswerAwaited;
    if (!SubMeasure()) return false;
    if (waitForFlag(Subscribed, true)) return true;
    WriteLog(QStringLiteral("Keine Bestätigung des Abonnements"));
    return false;
}

bool BleSession::unsubscribeReadings() {
    AnswerState = kAnswerAwaited;
    if (!UnsubMeasure()) return false;
    if (waitForFlag(Subscribed, false)) return true;
    WriteLog(QStringLiteral("Keine Bestätigung der Abmeldung"));
    return false;
}

}  // namespace zenu
