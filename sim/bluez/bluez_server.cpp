#include "sim/bluez/bluez_server.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QMetaObject>
#include <QTimer>

#include "sim/bluez/introspection.h"
#include "sim/sim_stack.h"

namespace zenu::sim::bluez {

using namespace bluetooth;

namespace {
// Work is queued with this held and takes it before it runs: Qt's queue orders the two
// already, but ThreadSanitizer cannot see inside Qt (and the work's captures must not be
// read before it is taken, hence one for all posters).
std::mutex& handOverMutex() {
    static std::mutex m;
    return m;
}
}  // namespace

void Poster::post(std::function<void()> work) {
    std::lock_guard lock(m_);
    if (!target_) return;
    std::lock_guard queued(handOverMutex());
    QMetaObject::invokeMethod(target_, [work = std::move(work)] {
        { std::lock_guard handedOver(handOverMutex()); }
        work();
    }, Qt::QueuedConnection);
}

void Poster::close() {
    std::lock_guard lock(m_);
    target_ = nullptr;
}

namespace {

QDBusMessage unknownMethod(const QDBusMessage& m) {
    return m.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod",
                              QString("Method \"%1\" with signature \"%2\" on interface \"%3\" doesn't exist\n")
                                  .arg(m.member(), m.signature(), m.interface()));
}

const QStringList kCapabilities = {"", "DisplayOnly", "DisplayYesNo", "KeyboardOnly", "NoInputNoOutput",
                                   "KeyboardDisplay"};

}  // namespace

BluezServer::BluezServer(std::shared_ptr<SimStack> stack, QDBusConnection bus)
    : stack_(std::move(stack)), bus_(bus), poster_(std::make_shared<Poster>(this)), tree_(bus) {
    registerTypes();
}

BluezServer::~BluezServer() { stop(); }

bool BluezServer::start(std::string* error) {
    auto adapter = stack_->getDefaultAdapterAsync();
    if (!adapter->wait(std::chrono::seconds(5)) || adapter->status() != AsyncStatus::Completed) {
        *error = "the simulated stack did not answer";
        return false;
    }
    const auto info = adapter->getResults();
    adapterPresent_ = info.has_value();
    lowEnergy_ = info && info->lowEnergySupported;
    powered_ = stack_->radioOn();
    if (!bus_.registerVirtualObject("/", this, QDBusConnection::SubPath)) {
        *error = "the objects cannot be registered on the bus";
        return false;
    }
    registered_ = true;
    senders_ = new QDBusServiceWatcher(this);
    senders_->setConnection(bus_);
    senders_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(senders_, &QDBusServiceWatcher::serviceUnregistered, this, &BluezServer::senderGone);

    tree_.add("/org/bluez", {{kAgentManagerIface, {}}});
    if (adapterPresent_) {
        QVariantMap a;
        const QString address = QString::fromStdString(formatAddress(info->bluetoothAddress));
        a["Address"] = address;
        a["AddressType"] = QString("public");
        a["Name"] = QString("zenu-bluez-sim");
        a["Alias"] = QString("zenu-bluez-sim");
        a["Class"] = uint(0);
        a["Powered"] = powered_;
        a["PowerState"] = QString(powered_ ? "on" : "off");
        a["Discoverable"] = false;
        a["DiscoverableTimeout"] = uint(180);
        a["Pairable"] = true;
        a["PairableTimeout"] = uint(0);
        a["Discovering"] = false;
        a["UUIDs"] = QStringList{uuidText(Guid::sig(0x1800)), uuidText(Guid::sig(0x1801)),
                                 uuidText(Guid::sig(0x180A))};
        a["Modalias"] = QString("usb:v1D6Bp0246d0542");
        a["Roles"] = lowEnergy_ ? QStringList{"central", "peripheral"} : QStringList{};
        tree_.add(kAdapterPath, {{kAdapterIface, a}});
        watcher_ = stack_->createAdvertisementWatcher();
        watcher_->setScanningMode(ScanningMode::Active);
        watcherTokens_.push_back(watcher_->received.add([this](const AdvertisementReceivedArgs& args) {
            post([this, args] { advertisement(args); });
        }));
        watcherTokens_.push_back(watcher_->stopped.add([this](BluetoothErrorCode e) {
            post([this, e] { watcherStopped(e); });
        }));
        // Bonded devices are known from the start, as bluetoothd loads them from its storage.
        for (uint64_t address : stack_->addresses()) {
            if (!stack_->paired(address)) continue;
            AddressType type = AddressType::Public;
            QString name;
            auto op = stack_->fromBluetoothAddressAsync(address);
            if (op->wait(std::chrono::seconds(2)) && op->status() == AsyncStatus::Completed)
                if (auto device = op->getResults()) {
                    type = device->addressType();
                    name = QString::fromStdString(device->name());
                    device->close();
                }
            DeviceEntry& d = ensureDevice(address, type);
            d.paired = true;
            d.name = name;
            exportDevice(d);
        }
        // The radio can be switched by the scenario or by whoever drives the stack.
        radioTimer_ = new QTimer(this);
        radioTimer_->setInterval(20);
        connect(radioTimer_, &QTimer::timeout, this, &BluezServer::pollRadio);
        radioTimer_->start();
    }
    auto reply = bus_.interface()->registerService(kService, QDBusConnectionInterface::DontQueueService,
                                                   QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        *error = reply.isValid() ? "org.bluez has an owner on this bus already"
                                 : "org.bluez cannot be owned: " + reply.error().message().toStdString();
        return false;
    }
    return true;
}

void BluezServer::stop() {
    poster_->close();
    if (watcher_) {
        for (EventToken t : watcherTokens_) {
            watcher_->received.remove(t);
            watcher_->stopped.remove(t);
        }
        watcherTokens_.clear();
        watcher_->stop();
    }
    for (auto& [address, d] : devices_) dropLinkState(d);
    if (registered_) {
        bus_.unregisterObject("/", QDBusConnection::UnregisterTree);
        bus_.interface()->unregisterService(kService);
        registered_ = false;
    }
}

QString BluezServer::introspect(const QString& path) const {
    QString xml;
    if (const InterfaceMap* ifaces = tree_.interfaces(path)) {
        QStringList names = ifaces->keys();
        names << kPropsIface;
        if (path == "/") names << kObjectManagerIface;
        for (const QString& iface : names) {
            xml += "<interface name=\"" + iface + "\">\n" + interfaceMembers(iface) + "\n";
            const QVariantMap props = ifaces->value(iface);
            for (auto it = props.begin(); it != props.end(); ++it)
                xml += "<property name=\"" + it.key() + "\" type=\"" + propertySignature(it.value()) +
                       "\" access=\"read\"/>\n";
            xml += "</interface>\n";
        }
    } else if (path == "/") {
        xml += "<interface name=\"org.freedesktop.DBus.ObjectManager\">\n" + interfaceMembers(kObjectManagerIface) +
               "\n</interface>\n";
    }
    for (const QString& child : tree_.children(path)) xml += "<node name=\"" + child + "\"/>\n";
    return xml;
}

bool BluezServer::handleMessage(const QDBusMessage& m, const QDBusConnection&) {
    if (m.type() != QDBusMessage::MethodCallMessage) return false;
    const QString iface = m.interface(), path = m.path(), member = m.member();
    if (iface == "org.freedesktop.DBus.Peer") return false;  // Qt's
    // Qt would introspect only the registered root; every object answers for itself.
    if (iface == "org.freedesktop.DBus.Introspectable" && member == "Introspect" && m.signature().isEmpty()) {
        send(m.createReply(QString(
            "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
            "\"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>\n"
            "<interface name=\"org.freedesktop.DBus.Introspectable\">\n"
            "<method name=\"Introspect\"><arg name=\"xml\" type=\"s\" direction=\"out\"/></method>\n"
            "</interface>\n" + introspect(path) + "</node>\n")));
        return true;
    }
    if (iface == kPropsIface) {
        propertiesCall(m);
        return true;
    }
    if (path == "/" && (iface.isEmpty() || iface == kObjectManagerIface) && member == "GetManagedObjects" &&
        m.signature().isEmpty()) {
        send(m.createReply(QVariant::fromValue(tree_.managedObjects())));
        return true;
    }
    auto has = [&](const char* i) { return tree_.hasInterface(path, i) && (iface.isEmpty() || iface == i); };
    if (has(kAgentManagerIface)) agentManagerCall(m);
    else if (has(kAdapterIface)) adapterCall(m);
    else if (DeviceEntry* d = deviceByPath(path)) {
        const QString rest = path.mid(d->path.size());
        if (rest.isEmpty() && has(kDeviceIface)) {
            deviceCall(*d, m);
        } else {
            bool handled = false;
            for (auto& [h, c] : d->characteristics)
                if (c.path == path && has(kCharIface)) {
                    characteristicCall(*d, c, m);
                    handled = true;
                    break;
                }
            if (!handled)
                for (auto& [h, desc] : d->descriptors)
                    if (desc.path == path && has(kDescIface)) {
                        descriptorCall(*d, desc, m);
                        handled = true;
                        break;
                    }
            if (!handled) send(unknownMethod(m));
        }
    } else {
        send(unknownMethod(m));
    }
    return true;
}

void BluezServer::propertiesCall(const QDBusMessage& m) {
    const QVariantList args = m.arguments();
    const QString path = m.path();
    auto noInterface = [&](const QString& i) {
        send(m.createErrorReply("org.freedesktop.DBus.Error.UnknownInterface", "No such interface '" + i + "'"));
    };
    if (m.member() == "GetAll" && m.signature() == "s") {
        const QString i = args[0].toString();
        const QVariantMap* props = tree_.properties(path, i);
        if (!props) return noInterface(i);
        send(m.createReply(QVariant::fromValue(*props)));
    } else if (m.member() == "Get" && m.signature() == "ss") {
        const QString i = args[0].toString(), name = args[1].toString();
        if (!tree_.properties(path, i)) return noInterface(i);
        auto v = tree_.get(path, i, name);
        if (!v)
            return send(m.createErrorReply("org.freedesktop.DBus.Error.InvalidArgs", "No such property '" + name + "'"));
        send(m.createReply(QVariant::fromValue(QDBusVariant(*v))));
    } else if (m.member() == "Set" && m.signature() == "ssv") {
        const QString i = args[0].toString(), name = args[1].toString();
        if (!tree_.properties(path, i)) return noInterface(i);
        if (!tree_.get(path, i, name))
            return send(m.createErrorReply("org.freedesktop.DBus.Error.InvalidArgs", "No such property '" + name + "'"));
        const QVariant value = args[2].value<QDBusVariant>().variant();
        if (!setProperty(m, path, i, name, value))
            send(m.createErrorReply("org.freedesktop.DBus.Error.PropertyReadOnly",
                                    "Property '" + name + "' is not writable"));
    } else {
        send(unknownMethod(m));
    }
}

bool BluezServer::setProperty(const QDBusMessage& m, const QString& path, const QString& iface, const QString& name,
                              const QVariant& value) {
    const QString sig = signatureOf(value);
    auto typed = [&](const char* want) {
        if (sig == want) return true;
        send(m.createErrorReply("org.freedesktop.DBus.Error.InvalidArgs", "Invalid arguments in method call"));
        return false;
    };
    if (iface == kAdapterIface && name == "Powered") {
        if (!typed("b")) return true;
        stack_->setRadio(value.toBool());
        // The property follows once the stack has switched (see pollRadio).
        QTimer::singleShot(40, this, [this, m] { send(m.createReply()); });
        return true;
    }
    if ((iface == kAdapterIface && (name == "Alias" || name == "Discoverable" || name == "Pairable")) ||
        (iface == kDeviceIface && (name == "Alias" || name == "Trusted" || name == "Blocked"))) {
        if (!typed(name == "Alias" ? "s" : "b")) return true;
        QVariant v = value;
        // An empty alias goes back to the name.
        if (iface == kDeviceIface && name == "Alias" && value.toString().isEmpty())
            if (DeviceEntry* d = deviceByPath(path)) v = alias(*d);
        tree_.set(path, iface, name, v);
        send(m.createReply());
        return true;
    }
    return false;
}

// ---- adapter

void BluezServer::adapterCall(const QDBusMessage& m) {
    const QString member = m.member(), sig = m.signature();
    if (member == "StartDiscovery" && sig.isEmpty()) startDiscovery(m);
    else if (member == "StopDiscovery" && sig.isEmpty()) stopDiscovery(m);
    else if (member == "SetDiscoveryFilter" && sig == "a{sv}") setDiscoveryFilter(m);
    else if (member == "RemoveDevice" && sig == "o") removeDevice(m);
    else if (member == "GetDiscoveryFilters" && sig.isEmpty())
        send(m.createReply(QStringList{"UUIDs", "RSSI", "Pathloss", "Transport", "DuplicateData", "Discoverable",
                                       "Pattern"}));
    else send(unknownMethod(m));
}

void BluezServer::setDiscoveryFilter(const QDBusMessage& m) {
    if (!powered_) return send(notReady(m));
    auto dict = readDict(m.arguments().value(0));
    if (!dict) return send(invalidArgs(m));
    DiscoveryFilter f;
    bool pathlossSet = false, rssiSet = false;
    for (auto it = dict->begin(); it != dict->end(); ++it) {
        const QString& key = it.key();
        const DictValue& v = it.value();
        if (key == "UUIDs") {
            if (v.signature != "as") return send(invalidArgs(m));
            for (const QString& u : v.value.toStringList()) {
                auto g = Guid::parse(u.toStdString());
                if (!g) return send(invalidArgs(m));
                f.uuids.append(uuidText(*g));
            }
        } else if (key == "RSSI") {
            if (v.signature != "n") return send(invalidArgs(m));
            const int r = v.value.toInt();
            if (r < -127 || r > 20) return send(invalidArgs(m));
            f.rssi = int16_t(r);
            rssiSet = true;
        } else if (key == "Pathloss") {
            if (v.signature != "q") return send(invalidArgs(m));
            const uint p = v.value.toUInt();
            if (p > 137) return send(invalidArgs(m));
            f.pathloss = uint16_t(p);
            pathlossSet = true;
        } else if (key == "Transport") {
            if (v.signature != "s") return send(invalidArgs(m));
            const QString t = v.value.toString();
            if (t != "auto" && t != "bredr" && t != "le") return send(invalidArgs(m));
            // BlueZ's documented answer for a transport the controller lacks.
            if (t == "le" && !lowEnergy_) return send(failed(m, "Operation failed"));
            f.transport = t;
        } else if (key == "DuplicateData") {
            if (v.signature != "b") return send(invalidArgs(m));
            f.duplicateData = v.value.toBool();
        } else if (key == "Discoverable") {
            if (v.signature != "b") return send(invalidArgs(m));
            f.discoverable = v.value.toBool();
        } else if (key == "Pattern") {
            if (v.signature != "s") return send(invalidArgs(m));
            f.pattern = v.value.toString();
        } else {
            return send(invalidArgs(m));
        }
    }
    // RSSI and Pathloss exclude each other.
    if (rssiSet && pathlossSet) return send(invalidArgs(m));
    const QString sender = m.service();
    const bool clear = dict->isEmpty();
    if (sessions_.contains(sender)) {
        sessions_[sender] = clear ? std::nullopt : std::optional<DiscoveryFilter>(f);
    } else if (clear) {
        presetFilters_.remove(sender);
    } else {
        presetFilters_[sender] = f;
        watchSender(sender);
    }
    send(m.createReply());
}

void BluezServer::startDiscovery(const QDBusMessage& m) {
    if (!powered_) return send(notReady(m));
    const QString sender = m.service();
    if (sessions_.contains(sender)) return send(error(m, "InProgress", "Operation already in progress"));
    sessions_[sender] = presetFilters_.contains(sender) ? std::optional(presetFilters_.take(sender)) : std::nullopt;
    watchSender(sender);
    if (tree_.get(kAdapterPath, kAdapterIface, "Discovering").value_or(false).toBool()) return send(m.createReply());
    startCalls_.append(m);
    if (!scanning_) {
        scanning_ = true;
        restartScan_ = watcher_->status() == WatcherStatus::Stopping;
        watcher_->start();
        awaitScanStart(400);
    }
}

// The stack's scan reaches Started a little later (or aborts, see watcherStopped).
void BluezServer::awaitScanStart(int triesLeft) {
    if (startCalls_.isEmpty() || !scanning_) return;
    const WatcherStatus s = watcher_->status();
    if (s == WatcherStatus::Started) {
        tree_.set(kAdapterPath, kAdapterIface, "Discovering", true);
        for (const auto& call : std::exchange(startCalls_, {})) send(call.createReply());
        return;
    }
    // A stop still under way made the stack ignore the start: start again once it is over. An
    // abort ends the wait through watcherStopped.
    if (restartScan_ && s == WatcherStatus::Stopped) {
        restartScan_ = false;
        watcher_->start();
    }
    if (triesLeft <= 0) {
        for (const auto& call : std::exchange(startCalls_, {})) {
            sessions_.remove(call.service());
            send(failed(call, "Operation failed"));
        }
        return;
    }
    QTimer::singleShot(5, this, [this, triesLeft] { awaitScanStart(triesLeft - 1); });
}

void BluezServer::watcherStopped(BluetoothErrorCode e) {
    if (e == BluetoothErrorCode::Success) return;  // our own stop
    scanning_ = false;
    for (const auto& call : std::exchange(startCalls_, {})) {
        sessions_.remove(call.service());
        if (e == BluetoothErrorCode::RadioNotAvailable) send(notReady(call));
        else if (e == BluetoothErrorCode::ResourceInUse) send(error(call, "InProgress", "Operation already in progress"));
        else send(failed(call, toString(e)));
    }
    // The controller stopped scanning under every session.
    sessions_.clear();
    endDiscovery();
}

void BluezServer::stopDiscovery(const QDBusMessage& m) {
    if (!powered_) return send(notReady(m));
    if (!sessions_.contains(m.service())) return send(failed(m, "No discovery started"));
    sessions_.remove(m.service());
    send(m.createReply());
    updateScanning();
}

void BluezServer::updateScanning() {
    if (!sessions_.isEmpty() || !scanning_) return;
    scanning_ = false;
    watcher_->stop();
    for (const auto& call : std::exchange(startCalls_, {})) send(failed(call, "Operation failed"));
    endDiscovery();
}

// Discovering goes false, and devices lose what only a running scan tells (RSSI, TxPower).
void BluezServer::endDiscovery() {
    tree_.set(kAdapterPath, kAdapterIface, "Discovering", false);
    for (auto& [address, d] : devices_) {
        d.rssi.reset();
        d.txPower.reset();
        tree_.unset(d.path, kDeviceIface, "RSSI");
        tree_.unset(d.path, kDeviceIface, "TxPower");
    }
}

void BluezServer::pollRadio() {
    const bool on = stack_->radioOn();
    if (on == powered_) return;
    powered_ = on;
    if (!on) {
        scanning_ = false;
        sessions_.clear();
        presetFilters_.clear();
        for (const auto& call : std::exchange(startCalls_, {})) send(notReady(call));
        watcher_->stop();
        endDiscovery();
        for (auto& [address, d] : devices_)
            if (d.link != DeviceEntry::Link::Down) linkDown(d, "le-connection-abort-by-local");
    }
    tree_.set(kAdapterPath, kAdapterIface, "Powered", on);
    tree_.set(kAdapterPath, kAdapterIface, "PowerState", QString(on ? "on" : "off"));
}

void BluezServer::removeDevice(const QDBusMessage& m) {
    const QString path = m.arguments().value(0).value<QDBusObjectPath>().path();
    DeviceEntry* d = deviceByPath(path);
    if (!d || d->path != path || !tree_.has(path)) return send(doesNotExist(m));
    if (!powered_) return send(notReady(m));
    if (d->link != DeviceEntry::Link::Down) linkDown(*d, "le-connection-abort-by-local");
    if (d->pairCall) cancelPairing(*d, QDBusMessage());
    if (d->paired) {
        // Forgetting the bond: the stack's device object unpairs it.
        auto op = stack_->fromBluetoothAddressAsync(d->address);
        if (op->wait(std::chrono::seconds(2)) && op->status() == AsyncStatus::Completed)
            if (auto device = op->getResults()) {
                auto unpair = device->pairing().unpairAsync();
                unpair->wait(std::chrono::seconds(2));
                device->close();
            }
    }
    tree_.remove(path);
    devices_.erase(d->address);
    send(m.createReply());
}

// ---- agents

void BluezServer::agentManagerCall(const QDBusMessage& m) {
    const QString member = m.member(), sig = m.signature(), sender = m.service();
    const QString path = m.arguments().value(0).value<QDBusObjectPath>().path();
    auto mine = std::find_if(agents_.begin(), agents_.end(), [&](const Agent& a) { return a.owner == sender; });
    if (member == "RegisterAgent" && sig == "os") {
        const QString cap = m.arguments().value(1).toString();
        if (!kCapabilities.contains(cap)) return send(invalidArgs(m));
        if (mine != agents_.end()) return send(error(m, "AlreadyExists", "Already Exists"));
        agents_.push_back(Agent{sender, path, cap.isEmpty() ? QString("KeyboardDisplay") : cap});
        watchSender(sender);
        send(m.createReply());
    } else if (member == "UnregisterAgent" && sig == "o") {
        if (mine == agents_.end() || mine->path != path) return send(doesNotExist(m));
        if (defaultAgent_ && defaultAgent_->owner == sender) defaultAgent_.reset();
        agents_.erase(mine);
        send(m.createReply());
    } else if (member == "RequestDefaultAgent" && sig == "o") {
        if (mine == agents_.end() || mine->path != path) return send(doesNotExist(m));
        defaultAgent_ = *mine;
        send(m.createReply());
    } else {
        send(unknownMethod(m));
    }
}

std::optional<Agent> BluezServer::agentFor(const QString& sender) const {
    for (const Agent& a : agents_)
        if (a.owner == sender) return a;
    return defaultAgent_;
}

void BluezServer::watchSender(const QString& name) {
    if (!senders_->watchedServices().contains(name)) senders_->addWatchedService(name);
}

// A client left the bus: its discovery session, filter, agent and notify sessions end.
void BluezServer::senderGone(const QString& name) {
    senders_->removeWatchedService(name);
    presetFilters_.remove(name);
    if (sessions_.remove(name)) updateScanning();
    std::erase_if(agents_, [&](const Agent& a) { return a.owner == name; });
    if (defaultAgent_ && defaultAgent_->owner == name) defaultAgent_.reset();
    for (auto& [address, d] : devices_)
        for (auto& [h, c] : d.characteristics)
            if (c.notifySenders.contains(name)) stopNotify(d, c, name, nullptr);
}

}  // namespace zenu::sim::bluez
