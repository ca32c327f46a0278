// Device1: devices from advertisements, connecting, pairing with an agent.
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

#include "sim/bluez/bluez_server.h"
#include "sim/sim_stack.h"

namespace zenu::sim::bluez {

using namespace bluetooth;

namespace {

const char* kConnectFailed = "le-connection-abort-by-local";

struct ParsedAdvertisement {
    std::optional<QString> name;
    bool completeName = false;
    QStringList uuids;
    QMap<quint16, QByteArray> manufacturerData;
    QMap<QString, QByteArray> serviceData;
    std::optional<int16_t> txPower;
};

ParsedAdvertisement parse(const Advertisement& a) {
    ParsedAdvertisement p;
    for (const auto& g : a.serviceUuids) p.uuids.append(uuidText(g));
    for (const auto& md : a.manufacturerData)
        p.manufacturerData.insert(md.companyId, QByteArray(reinterpret_cast<const char*>(md.data.data()),
                                                           qsizetype(md.data.size())));
    for (const auto& s : a.dataSections) {
        const auto* bytes = s.data.data();
        const std::size_t n = s.data.size();
        if (s.type == section_types::kCompleteName || s.type == section_types::kShortenedName) {
            p.name = QString::fromUtf8(reinterpret_cast<const char*>(bytes), qsizetype(n));
            p.completeName = s.type == section_types::kCompleteName;
        } else if (s.type == section_types::kTxPowerLevel && n == 1) {
            p.txPower = int8_t(bytes[0]);
        } else if (s.type == section_types::kServiceData16 || s.type == section_types::kServiceData32 ||
                   s.type == section_types::kServiceData128) {
            const std::size_t w = s.type == section_types::kServiceData16 ? 2 : s.type == section_types::kServiceData32 ? 4 : 16;
            if (n < w) continue;
            if (auto g = Guid::fromLittleEndian(bytes, w))
                p.serviceData.insert(uuidText(*g), QByteArray(reinterpret_cast<const char*>(bytes + w), qsizetype(n - w)));
        }
    }
    return p;
}

ManufacturerMap manufacturerMap(const QMap<quint16, QByteArray>& in) {
    ManufacturerMap out;
    for (auto it = in.begin(); it != in.end(); ++it) out.insert(it.key(), QDBusVariant(it.value()));
    return out;
}

QVariantMap serviceDataMap(const QMap<QString, QByteArray>& in) {
    QVariantMap out;
    for (auto it = in.begin(); it != in.end(); ++it) out.insert(it.key(), it.value());
    return out;
}

uint32_t kindsFor(const QString& capability) {
    using namespace pairing_kinds;
    if (capability == "DisplayOnly") return kConfirmOnly | kDisplayPin;
    if (capability == "DisplayYesNo") return kConfirmOnly | kDisplayPin | kConfirmPinMatch;
    if (capability == "KeyboardOnly") return kConfirmOnly | kProvidePin;
    if (capability == "KeyboardDisplay") return kConfirmOnly | kDisplayPin | kConfirmPinMatch | kProvidePin;
    return kConfirmOnly;  // NoInputNoOutput, or no agent at all
}

}  // namespace

DeviceEntry* BluezServer::deviceByPath(const QString& path) {
    const QString prefix = QString(kAdapterPath) + "/dev_";
    if (!path.startsWith(prefix)) return nullptr;
    const QString node = path.mid(int(qstrlen(kAdapterPath)) + 1).section('/', 0, 0);
    auto address = parseAddress(node.mid(4).replace('_', ':').toStdString());
    if (!address) return nullptr;
    auto it = devices_.find(*address);
    return it == devices_.end() ? nullptr : &it->second;
}

DeviceEntry& BluezServer::ensureDevice(uint64_t address, AddressType type) {
    auto [it, isNew] = devices_.try_emplace(address);
    DeviceEntry& d = it->second;
    if (isNew) {
        d.address = address;
        d.addressType = type;
        d.path = QString(kAdapterPath) + '/' + deviceNode(address);
    }
    return d;
}

QString BluezServer::alias(const DeviceEntry& d) const {
    return d.name.isEmpty() ? QString::fromStdString(formatAddress(d.address)).replace(':', '-') : d.name;
}

void BluezServer::exportDevice(DeviceEntry& d) {
    QVariantMap p;
    p["Address"] = QString::fromStdString(formatAddress(d.address));
    p["AddressType"] = QString(d.addressType == AddressType::Random ? "random" : "public");
    if (!d.name.isEmpty()) p["Name"] = d.name;
    p["Alias"] = alias(d);
    p["Paired"] = d.paired;
    p["Bonded"] = d.paired;
    p["Trusted"] = false;
    p["Blocked"] = false;
    p["LegacyPairing"] = false;
    if (d.rssi) p["RSSI"] = QVariant::fromValue<short>(*d.rssi);
    if (d.txPower) p["TxPower"] = QVariant::fromValue<short>(*d.txPower);
    p["Connected"] = d.link == DeviceEntry::Link::Up;
    p["UUIDs"] = d.uuids;
    p["Adapter"] = QVariant::fromValue(QDBusObjectPath(kAdapterPath));
    if (!d.manufacturerData.isEmpty()) p["ManufacturerData"] = QVariant::fromValue(manufacturerMap(d.manufacturerData));
    if (!d.serviceData.isEmpty()) p["ServiceData"] = serviceDataMap(d.serviceData);
    p["ServicesResolved"] = false;
    tree_.add(d.path, {{kDeviceIface, p}});
}

bool BluezServer::passesFilters(const AdvertisementReceivedArgs& a, const QStringList& uuids,
                                std::optional<int16_t> txPower) const {
    for (const auto& session : sessions_) {
        if (!session) return true;
        const DiscoveryFilter& f = *session;
        if (f.transport == "bredr") continue;
        if (!f.uuids.isEmpty() && std::none_of(uuids.begin(), uuids.end(), [&](const QString& u) {
                return f.uuids.contains(u);
            }))
            continue;
        if (f.rssi && a.rawSignalStrengthInDBm < *f.rssi) continue;
        if (f.pathloss && (!txPower || *txPower - a.rawSignalStrengthInDBm > *f.pathloss)) continue;
        if (!f.pattern.isEmpty()) {
            const QString address = QString::fromStdString(formatAddress(a.bluetoothAddress));
            const QString name = QString::fromStdString(a.advertisement.localName);
            if (!address.startsWith(f.pattern, Qt::CaseInsensitive) && !name.startsWith(f.pattern)) continue;
        }
        return true;
    }
    return false;
}

// The controller reports an advertisement together with its scan response (one report of
// both payloads); an advertisement without one is reported on its own.
void BluezServer::advertisement(const AdvertisementReceivedArgs& a) {
    if (!scanning_ || sessions_.isEmpty() || !lowEnergy_ || !powered_) return;
    const uint64_t address = a.bluetoothAddress;
    if (a.advertisementType != AdvertisementType::ScanResponse) {
        if (auto earlier = pendingReports_.find(address); earlier != pendingReports_.end()) report(earlier->second);
        pendingReports_[address] = a;
        QTimer::singleShot(0, this, [this, address] {
            auto it = pendingReports_.find(address);
            if (it == pendingReports_.end()) return;
            const AdvertisementReceivedArgs args = it->second;
            pendingReports_.erase(it);
            report(args);
        });
        return;
    }
    auto it = pendingReports_.find(address);
    if (it == pendingReports_.end()) return report(a);
    AdvertisementReceivedArgs merged = it->second;
    pendingReports_.erase(it);
    auto& sections = merged.advertisement.dataSections;
    sections.insert(sections.end(), a.advertisement.dataSections.begin(), a.advertisement.dataSections.end());
    auto& uuids = merged.advertisement.serviceUuids;
    uuids.insert(uuids.end(), a.advertisement.serviceUuids.begin(), a.advertisement.serviceUuids.end());
    auto& md = merged.advertisement.manufacturerData;
    md.insert(md.end(), a.advertisement.manufacturerData.begin(), a.advertisement.manufacturerData.end());
    if (!a.advertisement.localName.empty()) merged.advertisement.localName = a.advertisement.localName;
    report(merged);
}

void BluezServer::report(const AdvertisementReceivedArgs& a) {
    if (!scanning_ || sessions_.isEmpty() || !powered_) return;
    const ParsedAdvertisement p = parse(a.advertisement);
    if (!passesFilters(a, p.uuids, p.txPower)) return;
    bool filtered = false, duplicates = false;
    for (const auto& s : sessions_)
        if (s) {
            filtered = true;
            duplicates = duplicates || s->duplicateData;
        }
    DeviceEntry& d = ensureDevice(a.bluetoothAddress, a.addressType);
    const bool known = tree_.has(d.path);
    const QString oldName = d.name;
    if (p.name && (p.completeName || d.name.isEmpty())) d.name = *p.name;
    const QStringList oldUuids = d.uuids;
    for (const QString& u : p.uuids)
        if (!d.uuids.contains(u)) d.uuids.append(u);
    const auto oldMd = d.manufacturerData;
    for (auto it = p.manufacturerData.begin(); it != p.manufacturerData.end(); ++it) d.manufacturerData[it.key()] = it.value();
    const auto oldSd = d.serviceData;
    for (auto it = p.serviceData.begin(); it != p.serviceData.end(); ++it) d.serviceData[it.key()] = it.value();
    if (!known) {
        d.rssi = a.rawSignalStrengthInDBm;
        d.txPower = p.txPower;
        exportDevice(d);
        return;
    }
    if (d.name != oldName) {
        tree_.set(d.path, kDeviceIface, "Name", d.name);
        tree_.set(d.path, kDeviceIface, "Alias", alias(d));
    }
    // BlueZ reports RSSI changes of 8 dBm or more, every advertisement while a filter is set.
    const int16_t rssi = a.rawSignalStrengthInDBm;
    if (!d.rssi || filtered || std::abs(*d.rssi - rssi) >= 8) {
        d.rssi = rssi;
        tree_.set(d.path, kDeviceIface, "RSSI", QVariant::fromValue<short>(rssi), true);
    }
    if (p.txPower && p.txPower != d.txPower) {
        d.txPower = p.txPower;
        tree_.set(d.path, kDeviceIface, "TxPower", QVariant::fromValue<short>(*p.txPower));
    }
    if (d.uuids != oldUuids) tree_.set(d.path, kDeviceIface, "UUIDs", d.uuids);
    if (d.manufacturerData != oldMd || (duplicates && !p.manufacturerData.isEmpty()))
        tree_.set(d.path, kDeviceIface, "ManufacturerData", QVariant::fromValue(manufacturerMap(d.manufacturerData)), true);
    if (d.serviceData != oldSd || (duplicates && !p.serviceData.isEmpty()))
        tree_.set(d.path, kDeviceIface, "ServiceData", serviceDataMap(d.serviceData), true);
}

void BluezServer::deviceCall(DeviceEntry& d, const QDBusMessage& m) {
    const QString member = m.member(), sig = m.signature();
    if (member == "Connect" && sig.isEmpty()) {
        if (!powered_) return send(notReady(m));
        if (d.link == DeviceEntry::Link::Up) return send(m.createReply());
        if (d.link == DeviceEntry::Link::Connecting) return send(inProgress(m));
        d.connectCalls.append(m);
        connectDevice(d, nullptr);
    } else if (member == "Disconnect" && sig.isEmpty()) {
        disconnectDevice(d, m);
    } else if (member == "Pair" && sig.isEmpty()) {
        pair(d, m);
    } else if (member == "CancelPairing" && sig.isEmpty()) {
        cancelPairing(d, m);
    } else if ((member == "ConnectProfile" || member == "DisconnectProfile") && sig == "s") {
        send(invalidArgs(m));
    } else {
        send(m.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod",
                                QString("Method \"%1\" with signature \"%2\" on interface \"%3\" doesn't exist\n")
                                    .arg(member, sig, m.interface())));
    }
}

void BluezServer::connectDevice(DeviceEntry& d, std::function<void(bool)> then) {
    if (then) d.afterConnect.push_back(std::move(then));
    if (d.link != DeviceEntry::Link::Down) return;
    d.link = DeviceEntry::Link::Connecting;
    const uint64_t address = d.address, gen = ++d.generation;
    auto op = stack_->fromBluetoothAddressAsync(address);
    auto poster = poster_;
    op->setCompleted([this, poster, address, gen](AsyncOperation<std::shared_ptr<Device>>& o, AsyncStatus s) {
        std::shared_ptr<Device> device = s == AsyncStatus::Completed ? o.getResults() : nullptr;
        poster->post([this, address, gen, device] {
            auto it = devices_.find(address);
            if (it == devices_.end() || it->second.generation != gen) {
                if (device) device->close();
                return;
            }
            DeviceEntry& d = it->second;
            if (!device) return connectFailed(address, gen);
            d.object = device;
            auto p = poster_;
            const EventToken t1 = device->connectionStatusChanged.add([this, p, address, gen](ConnectionStatus c) {
                p->post([this, address, gen, c] {
                    if (c == ConnectionStatus::Connected) linkUp(address, gen);
                    else linkLost(address, gen);
                });
            });
            const EventToken t2 = device->nameChanged.add([this, p, address](const std::string& name) {
                p->post([this, address, name = QString::fromStdString(name)] {
                    auto i = devices_.find(address);
                    if (i == devices_.end() || !tree_.has(i->second.path)) return;
                    i->second.name = name;
                    tree_.set(i->second.path, kDeviceIface, "Name", name);
                    tree_.set(i->second.path, kDeviceIface, "Alias", alias(i->second));
                });
            });
            const EventToken t3 = device->gattServicesChanged.add([this, p, address, gen](const std::string&) {
                p->post([this, address, gen] { discoverGatt(address, gen); });
            });
            const EventToken t4 = device->pairing().pairingRequested.add(
                [this, p, address, gen](const std::shared_ptr<PairingRequest>& r) {
                    auto deferral = r->getDeferral();
                    p->post([this, address, gen, r, deferral] { pairingRequested(address, gen, r, deferral); });
                });
            Device* raw = device.get();
            d.unsubscribe = {[raw, t1] { raw->connectionStatusChanged.remove(t1); },
                             [raw, t2] { raw->nameChanged.remove(t2); },
                             [raw, t3] { raw->gattServicesChanged.remove(t3); },
                             [raw, t4] { raw->pairing().pairingRequested.remove(t4); }};
            // The first request opens the link (the stack has no connect of its own).
            auto services = device->getGattServicesAsync(CacheMode::Uncached);
            services->setCompleted([this, p, address, gen](AsyncOperation<GattServicesResult>& o, AsyncStatus st) {
                const bool ok = st == AsyncStatus::Completed && o.getResults().status != CommunicationStatus::Unreachable;
                if (!ok) p->post([this, address, gen] { connectFailed(address, gen); });
            });
        });
    });
}

void BluezServer::linkUp(uint64_t address, uint64_t gen) {
    auto it = devices_.find(address);
    if (it == devices_.end() || it->second.generation != gen || it->second.link != DeviceEntry::Link::Connecting) return;
    DeviceEntry& d = it->second;
    d.link = DeviceEntry::Link::Up;
    if (!tree_.has(d.path)) exportDevice(d);
    tree_.set(d.path, kDeviceIface, "Connected", true);
    for (const auto& call : std::exchange(d.connectCalls, {})) send(call.createReply());
    for (auto& then : std::exchange(d.afterConnect, {})) then(true);
    discoverGatt(address, gen);
}

void BluezServer::connectFailed(uint64_t address, uint64_t gen) {
    auto it = devices_.find(address);
    if (it == devices_.end() || it->second.generation != gen || it->second.link != DeviceEntry::Link::Connecting) return;
    linkDown(it->second, kConnectFailed);
}

void BluezServer::linkLost(uint64_t address, uint64_t gen) {
    auto it = devices_.find(address);
    if (it == devices_.end() || it->second.generation != gen || it->second.link == DeviceEntry::Link::Down) return;
    linkDown(it->second, kConnectFailed);
}

void BluezServer::linkDown(DeviceEntry& d, const QString& connectError, const QDBusMessage* reply) {
    const bool wasUp = d.link == DeviceEntry::Link::Up;
    d.link = DeviceEntry::Link::Down;
    dropLinkState(d, reply);
    if (d.pairCall) {
        send(error(*d.pairCall, "AuthenticationCanceled", "Authentication Canceled"));
        d.pairCall.reset();
        d.request.reset();
        d.deferral.reset();
        d.agentMethod.clear();
    }
    if (wasUp) {
        tree_.set(d.path, kDeviceIface, "ServicesResolved", false);
        tree_.set(d.path, kDeviceIface, "Connected", false);
    }
    for (const auto& call : std::exchange(d.connectCalls, {})) send(failed(call, connectError));
    for (auto& then : std::exchange(d.afterConnect, {})) then(false);
}

void BluezServer::disconnectDevice(DeviceEntry& d, const QDBusMessage& m) {
    if (d.link == DeviceEntry::Link::Down) return send(error(m, "NotConnected", "Not Connected"));
    // BlueZ answers once the link is down, before it signals the properties (Bleak, for one,
    // relies on that order).
    const QDBusMessage reply = m.createReply();
    linkDown(d, kConnectFailed, &reply);
}

// ---- pairing

void BluezServer::pair(DeviceEntry& d, const QDBusMessage& m) {
    if (!powered_) return send(notReady(m));
    if (d.pairCall) return send(inProgress(m));
    if (d.paired) return send(error(m, "AlreadyExists", "Already Exists"));
    d.pairCall = m;
    d.pairCanceled = false;
    d.pairAgent = agentFor(m.service());
    if (d.link == DeviceEntry::Link::Up) return startPairing(d);
    const uint64_t address = d.address;
    connectDevice(d, [this, address](bool ok) {
        auto it = devices_.find(address);
        if (it == devices_.end() || !it->second.pairCall) return;
        DeviceEntry& dev = it->second;
        if (ok) return startPairing(dev);
        send(error(*dev.pairCall, "ConnectionAttemptFailed", "Page Timeout"));
        dev.pairCall.reset();
    });
}

void BluezServer::startPairing(DeviceEntry& d) {
    const uint32_t kinds = kindsFor(d.pairAgent ? d.pairAgent->capability : QString("NoInputNoOutput"));
    const uint64_t address = d.address, gen = d.generation;
    auto op = d.object->pairing().pairAsync(kinds);
    auto p = poster_;
    op->setCompleted([this, p, address, gen](AsyncOperation<PairingResult>& o, AsyncStatus s) {
        std::optional<PairingStatus> status;
        if (s == AsyncStatus::Completed) status = o.getResults().status;
        p->post([this, address, gen, status] { pairingDone(address, gen, status); });
    });
}

void BluezServer::pairingRequested(uint64_t address, uint64_t gen, std::shared_ptr<PairingRequest> r,
                                   std::shared_ptr<PairingRequest::Deferral> deferral) {
    auto it = devices_.find(address);
    if (it == devices_.end() || it->second.generation != gen || !it->second.pairCall || it->second.pairCanceled) {
        deferral->complete();  // refused
        return;
    }
    DeviceEntry& d = it->second;
    d.request = r;
    d.deferral = deferral;
    const QString path = d.path;
    const uint pin = QString::fromStdString(r->pin()).toUInt();
    const QDBusObjectPath device(path);
    auto accept = [this, address](std::function<void(PairingRequest&, const QDBusMessage&)> how) {
        return [this, address, how](const QDBusMessage& reply) {
            auto i = devices_.find(address);
            if (i == devices_.end() || !i->second.request) return;
            DeviceEntry& dev = i->second;
            dev.agentMethod.clear();
            if (reply.type() == QDBusMessage::ErrorMessage) {
                if (reply.errorName() == "org.bluez.Error.Canceled") dev.pairCanceled = true;
            } else {
                how(*dev.request, reply);
            }
            dev.deferral->complete();
        };
    };
    switch (r->pairingKind()) {
    case pairing_kinds::kConfirmOnly:
        // Just Works: only an agent that can answer is asked.
        if (!d.pairAgent || d.pairAgent->capability == "NoInputNoOutput") {
            r->accept();
            deferral->complete();
            return;
        }
        askAgent(d, "RequestAuthorization", {QVariant::fromValue(device)},
                 accept([](PairingRequest& q, const QDBusMessage&) { q.accept(); }));
        break;
    case pairing_kinds::kConfirmPinMatch:
        askAgent(d, "RequestConfirmation", {QVariant::fromValue(device), pin},
                 accept([](PairingRequest& q, const QDBusMessage&) { q.accept(); }));
        break;
    case pairing_kinds::kProvidePin:
        askAgent(d, "RequestPasskey", {QVariant::fromValue(device)},
                 accept([](PairingRequest& q, const QDBusMessage& reply) {
                     if (reply.signature() == "u") q.accept(QString::number(reply.arguments().value(0).toUInt()).toStdString());
                 }));
        break;
    case pairing_kinds::kDisplayPin:
        askAgent(d, "DisplayPasskey", {QVariant::fromValue(device), pin, QVariant::fromValue<ushort>(0)},
                 accept([](PairingRequest& q, const QDBusMessage&) { q.accept(); }));
        break;
    default: deferral->complete(); break;
    }
}

void BluezServer::askAgent(DeviceEntry& d, const QString& method, const QVariantList& args,
                           std::function<void(const QDBusMessage&)> answered) {
    if (!d.pairAgent) {
        answered(QDBusMessage::createError("org.bluez.Error.Rejected", "no agent"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(d.pairAgent->owner, d.pairAgent->path, kAgentIface, method);
    call.setArguments(args);
    d.agentMethod = method;
    // The stack's own pairing timeout ends an unanswered question first.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 120000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, answered](QDBusPendingCallWatcher*) {
        watcher->deleteLater();
        answered(watcher->reply());
    });
}

void BluezServer::pairingDone(uint64_t address, uint64_t gen, std::optional<PairingStatus> status) {
    auto it = devices_.find(address);
    if (it == devices_.end() || it->second.generation != gen || !it->second.pairCall) return;
    DeviceEntry& d = it->second;
    const QDBusMessage call = *d.pairCall;
    if (!d.agentMethod.isEmpty() && d.pairAgent)
        send(QDBusMessage::createMethodCall(d.pairAgent->owner, d.pairAgent->path, kAgentIface, "Cancel"));
    const bool canceled = d.pairCanceled;
    d.pairCall.reset();
    d.request.reset();
    d.deferral.reset();
    d.agentMethod.clear();
    if (canceled || !status || *status == PairingStatus::PairingCanceled)
        return send(error(call, "AuthenticationCanceled", "Authentication Canceled"));
    switch (*status) {
    case PairingStatus::Paired:
        d.paired = true;
        tree_.set(d.path, kDeviceIface, "Paired", true);
        tree_.set(d.path, kDeviceIface, "Bonded", true);
        return send(call.createReply());
    case PairingStatus::AlreadyPaired: return send(error(call, "AlreadyExists", "Already Exists"));
    case PairingStatus::AuthenticationTimeout: return send(error(call, "AuthenticationTimeout", "Authentication Timeout"));
    case PairingStatus::OperationAlreadyInProgress: return send(inProgress(call));
    case PairingStatus::ConnectionRejected:
    case PairingStatus::TooManyConnections: return send(error(call, "ConnectionAttemptFailed", "Page Timeout"));
    case PairingStatus::AuthenticationNotAllowed:
    case PairingStatus::AccessDenied: return send(error(call, "AuthenticationRejected", "Authentication Rejected"));
    default: return send(error(call, "AuthenticationFailed", "Authentication Failed"));
    }
}

void BluezServer::cancelPairing(DeviceEntry& d, const QDBusMessage& m) {
    if (!d.pairCall) {
        if (m.type() == QDBusMessage::MethodCallMessage) send(doesNotExist(m));
        return;
    }
    d.pairCanceled = true;
    if (!d.agentMethod.isEmpty() && d.pairAgent) {
        send(QDBusMessage::createMethodCall(d.pairAgent->owner, d.pairAgent->path, kAgentIface, "Cancel"));
        d.agentMethod.clear();
    }
    if (d.deferral) {
        d.deferral->complete();  // the stack ends the pairing, pairingDone replies
    } else if (!d.object || d.link != DeviceEntry::Link::Up) {
        send(error(*d.pairCall, "AuthenticationCanceled", "Authentication Canceled"));
        d.pairCall.reset();
    }
    if (m.type() == QDBusMessage::MethodCallMessage) send(m.createReply());
}

}  // namespace zenu::sim::bluez
