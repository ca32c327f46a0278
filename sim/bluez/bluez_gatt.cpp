// GATT objects: discovery on connection, reads, writes and notification sessions, with
// BlueZ's checks and error replies.
#include "sim/bluez/bluez_server.h"
#include "sim/sim_stack.h"

namespace zenu::sim::bluez {

using namespace bluetooth;

// What one discovery found, gathered on the server thread.
struct GattSnapshot {
    struct Service {
        Guid uuid;
        bool primary = true;
        std::vector<uint16_t> includes;
    };
    struct Char {
        uint16_t service = 0;
        std::shared_ptr<GattCharacteristic> object;
    };
    struct Desc {
        uint16_t characteristic = 0;
        std::shared_ptr<GattDescriptor> object;
    };
    std::map<uint16_t, Service> services;
    std::map<uint16_t, Char> characteristics;
    std::map<uint16_t, Desc> descriptors;
    int outstanding = 0;
};

namespace {

QStringList flagsOf(uint32_t p) {
    using namespace properties;
    static const std::pair<uint32_t, const char*> names[] = {
        {kBroadcast, "broadcast"},
        {kRead, "read"},
        {kWriteWithoutResponse, "write-without-response"},
        {kWrite, "write"},
        {kNotify, "notify"},
        {kIndicate, "indicate"},
        {kAuthenticatedSignedWrites, "authenticated-signed-writes"},
        {kExtendedProperties, "extended-properties"},
        {kReliableWrites, "reliable-write"},
        {kWritableAuxiliaries, "writable-auxiliaries"},
    };
    QStringList out;
    for (const auto& [bit, name] : names)
        if (p & bit) out << name;
    return out;
}

QByteArray bytes(const Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); }

struct Options {
    uint16_t offset = 0;
    QString type;
};

// BlueZ's option keys; a known key with the wrong type is an error, unknown keys are ignored.
std::optional<Options> readOptions(const QVariant& arg) {
    auto dict = readDict(arg);
    if (!dict) return std::nullopt;
    Options o;
    static const QMap<QString, QString> types = {{"offset", "q"}, {"type", "s"}, {"mtu", "q"},
                                                  {"device", "o"}, {"link", "s"}, {"prepare-authorize", "b"}};
    for (auto it = dict->begin(); it != dict->end(); ++it) {
        const QString key = it.key().toLower();
        if (!types.contains(key)) continue;
        if (it.value().signature != types.value(key)) return std::nullopt;
        if (key == "offset") o.offset = uint16_t(it.value().value.toUInt());
        if (key == "type") o.type = it.value().value.toString();
    }
    return o;
}

constexpr uint8_t kUnlikely = 0x0E;

}  // namespace

void BluezServer::discoverGatt(uint64_t address, uint64_t gen) {
    auto it = devices_.find(address);
    if (it == devices_.end() || it->second.generation != gen || !it->second.object) return;
    auto snap = std::make_shared<GattSnapshot>();
    auto p = poster_;
    // Every step is posted back here; the last one to end exports the result.
    auto finishOne = [this, address, gen, snap] {
        if (--snap->outstanding > 0) return;
        auto i = devices_.find(address);
        if (i != devices_.end() && i->second.generation == gen && i->second.link == DeviceEntry::Link::Up)
            exportGatt(i->second, *snap);
    };
    auto addService = std::make_shared<std::function<void(const std::shared_ptr<GattService>&, bool)>>();
    std::weak_ptr<std::function<void(const std::shared_ptr<GattService>&, bool)>> weakAdd = addService;
    *addService = [this, p, snap, finishOne, weakAdd](const std::shared_ptr<GattService>& s, bool primary) {
        const uint16_t sh = s->attributeHandle();
        if (snap->services.count(sh)) return;
        snap->services[sh] = GattSnapshot::Service{s->uuid(), primary, {}};
        auto add = weakAdd.lock();
        snap->outstanding += 2;
        s->getIncludedServicesAsync(CacheMode::Uncached)
            ->setCompleted([p, snap, sh, finishOne, add](AsyncOperation<GattServicesResult>& o, AsyncStatus st) {
                auto r = st == AsyncStatus::Completed ? o.getResults() : GattServicesResult{};
                p->post([snap, sh, finishOne, add, r] {
                    for (const auto& inc : r.services) {
                        snap->services[sh].includes.push_back(inc->attributeHandle());
                        if (add) (*add)(inc, false);
                    }
                    finishOne();
                });
            });
        s->getCharacteristicsAsync(CacheMode::Uncached)
            ->setCompleted([p, snap, sh, finishOne](AsyncOperation<GattCharacteristicsResult>& o, AsyncStatus st) {
                auto r = st == AsyncStatus::Completed ? o.getResults() : GattCharacteristicsResult{};
                p->post([p, snap, sh, finishOne, r] {
                    for (const auto& c : r.characteristics) {
                        const uint16_t ch = c->attributeHandle();
                        snap->characteristics[ch] = GattSnapshot::Char{sh, c};
                        ++snap->outstanding;
                        c->getDescriptorsAsync(CacheMode::Uncached)
                            ->setCompleted([p, snap, ch, finishOne](AsyncOperation<GattDescriptorsResult>& od,
                                                                     AsyncStatus sd) {
                                auto rd = sd == AsyncStatus::Completed ? od.getResults() : GattDescriptorsResult{};
                                p->post([snap, ch, finishOne, rd] {
                                    for (const auto& d : rd.descriptors)
                                        snap->descriptors[d->attributeHandle()] = GattSnapshot::Desc{ch, d};
                                    finishOne();
                                });
                            });
                    }
                    finishOne();
                });
            });
    };
    snap->outstanding = 1;
    it->second.object->getGattServicesAsync(CacheMode::Uncached)
        ->setCompleted([p, finishOne, addService](AsyncOperation<GattServicesResult>& o, AsyncStatus st) {
            auto r = st == AsyncStatus::Completed ? o.getResults() : GattServicesResult{};
            p->post([finishOne, addService, r] {
                for (const auto& s : r.services) (*addService)(s, true);
                finishOne();
            });
        });
}

void BluezServer::exportGatt(DeviceEntry& d, const GattSnapshot& snap) {
    auto servicePath = [&](uint16_t h) { return d.path + QString::asprintf("/service%04x", h); };
    auto charPath = [&](uint16_t h) {
        return servicePath(snap.characteristics.at(h).service) + QString::asprintf("/char%04x", h);
    };
    // Objects that are gone or changed leave first.
    for (auto it = d.services.begin(); it != d.services.end();) {
        auto s = snap.services.find(it->first);
        if (s == snap.services.end() ||
            tree_.get(it->second, kServiceIface, "UUID").value_or(QVariant()).toString() != uuidText(s->second.uuid)) {
            tree_.remove(it->second);
            it = d.services.erase(it);
        } else {
            ++it;
        }
    }
    auto descPath = [&](uint16_t h) {
        return charPath(snap.descriptors.at(h).characteristic) + QString::asprintf("/desc%04x", h);
    };
    for (auto it = d.characteristics.begin(); it != d.characteristics.end();) {
        if (!snap.characteristics.count(it->first) || charPath(it->first) != it->second.path || !tree_.has(it->second.path)) {
            if (it->second.object && it->second.valueToken) it->second.object->valueChanged.remove(it->second.valueToken);
            tree_.remove(it->second.path);
            it = d.characteristics.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = d.descriptors.begin(); it != d.descriptors.end();) {
        if (!snap.descriptors.count(it->first) || descPath(it->first) != it->second.path || !tree_.has(it->second.path)) {
            tree_.remove(it->second.path);
            it = d.descriptors.erase(it);
        } else {
            ++it;
        }
    }

    for (const auto& [h, s] : snap.services) {
        const QString path = servicePath(h);
        if (tree_.has(path)) continue;
        QList<QDBusObjectPath> includes;
        for (uint16_t inc : s.includes) includes << QDBusObjectPath(servicePath(inc));
        tree_.add(path, {{kServiceIface,
                          {{"UUID", uuidText(s.uuid)},
                           {"Device", QVariant::fromValue(QDBusObjectPath(d.path))},
                           {"Primary", s.primary},
                           {"Includes", QVariant::fromValue(includes)}}}});
        d.services[h] = path;
    }
    const uint64_t address = d.address, gen = d.generation;
    for (const auto& [h, sc] : snap.characteristics) {
        Characteristic& c = d.characteristics[h];
        c.handle = h;
        c.path = charPath(h);
        if (c.object && c.valueToken) c.object->valueChanged.remove(c.valueToken);
        c.valueToken = 0;
        c.object = sc.object;
        c.generation = gen;
        c.properties = sc.object->characteristicProperties();
        if (c.properties & (properties::kNotify | properties::kIndicate)) {
            auto p = poster_;
            c.valueToken = sc.object->valueChanged.add([this, p, address, gen, h](const ValueChangedArgs& a) {
                p->post([this, address, gen, h, value = a.value] { notified(address, gen, h, value); });
            });
        }
        if (tree_.has(c.path)) continue;
        QVariantMap props{{"UUID", uuidText(sc.object->uuid())},
                          {"Service", QVariant::fromValue(QDBusObjectPath(servicePath(sc.service)))},
                          {"Flags", flagsOf(c.properties)},
                          {"MTU", QVariant::fromValue<ushort>(kMtu)}};
        if (c.properties & (properties::kNotify | properties::kIndicate)) props["Notifying"] = false;
        tree_.add(c.path, {{kCharIface, props}});
    }
    for (const auto& [h, sd] : snap.descriptors) {
        Descriptor& desc = d.descriptors[h];
        desc.handle = h;
        desc.uuid = sd.object->uuid();
        desc.path = descPath(h);
        desc.object = sd.object;
        desc.generation = gen;
        if (tree_.has(desc.path)) continue;
        tree_.add(desc.path, {{kDescIface,
                               {{"UUID", uuidText(desc.uuid)},
                                {"Characteristic",
                                 QVariant::fromValue(QDBusObjectPath(d.characteristics[sd.characteristic].path))}}}});
    }
    tree_.set(d.path, kDeviceIface, "ServicesResolved", true);
}

// The link is gone: the device object is released, notification sessions end, requests on
// their way are answered by the stack (as failures). The objects themselves stay.
void BluezServer::dropLinkState(DeviceEntry& d, const QDBusMessage* reply) {
    for (auto& unsubscribe : std::exchange(d.unsubscribe, {})) unsubscribe();
    for (auto& [h, c] : d.characteristics) {
        if (c.object && c.valueToken) c.object->valueChanged.remove(c.valueToken);
        c.valueToken = 0;
    }
    if (d.object) d.object->close();
    d.object.reset();
    ++d.generation;
    if (reply) send(*reply);
    for (auto& [h, c] : d.characteristics) {
        for (const auto& call : std::exchange(c.startCalls, {})) send(failed(call, "Not connected"));
        c.subscribing = false;
        if (!c.notifySenders.isEmpty()) {
            c.notifySenders.clear();
            tree_.set(c.path, kCharIface, "Notifying", false);
        }
        c.reading = c.writing = false;
    }
    for (auto& [h, desc] : d.descriptors) desc.reading = desc.writing = false;
}

void BluezServer::characteristicCall(DeviceEntry& d, Characteristic& c, const QDBusMessage& m) {
    const QString member = m.member(), sig = m.signature();
    if (member == "ReadValue" && sig == "a{sv}") readValue(d, &c, nullptr, m);
    else if (member == "WriteValue" && sig == "aya{sv}") writeValue(d, &c, nullptr, m);
    else if (member == "StartNotify" && sig.isEmpty()) startNotify(d, c, m);
    else if (member == "StopNotify" && sig.isEmpty()) stopNotify(d, c, m.service(), &m);
    else
        send(m.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod",
                                QString("Method \"%1\" with signature \"%2\" on interface \"%3\" doesn't exist\n")
                                    .arg(member, sig, m.interface())));
}

void BluezServer::descriptorCall(DeviceEntry& d, Descriptor& desc, const QDBusMessage& m) {
    const QString member = m.member(), sig = m.signature();
    if (member == "ReadValue" && sig == "a{sv}") readValue(d, nullptr, &desc, m);
    else if (member == "WriteValue" && sig == "aya{sv}") writeValue(d, nullptr, &desc, m);
    else
        send(m.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod",
                                QString("Method \"%1\" with signature \"%2\" on interface \"%3\" doesn't exist\n")
                                    .arg(member, sig, m.interface())));
}

void BluezServer::readValue(DeviceEntry& d, Characteristic* c, Descriptor* desc, const QDBusMessage& m) {
    Attribute& a = c ? static_cast<Attribute&>(*c) : *desc;
    const bool linked = d.link == DeviceEntry::Link::Up && a.generation == d.generation &&
                        (c ? bool(c->object) : bool(desc->object));
    if (!linked) return send(failed(m, "Not connected"));
    auto options = readOptions(m.arguments().value(0));
    if (!options) return send(invalidArgs(m));
    if (a.reading) return send(inProgress(m));
    a.reading = true;
    auto op = c ? c->object->readValueAsync(CacheMode::Uncached) : desc->object->readValueAsync(CacheMode::Uncached);
    const uint64_t address = d.address, gen = d.generation;
    const uint16_t handle = c ? c->handle : desc->handle;
    const bool isChar = c != nullptr;
    const uint16_t offset = options->offset;
    auto p = poster_;
    op->setCompleted([this, p, m, address, gen, handle, isChar, offset](AsyncOperation<GattReadResult>& o, AsyncStatus s) {
        std::optional<GattReadResult> r;
        if (s == AsyncStatus::Completed) r = o.getResults();
        p->post([this, m, address, gen, handle, isChar, offset, r] {
            auto it = devices_.find(address);
            Attribute* attr = nullptr;
            if (it != devices_.end() && it->second.generation == gen) {
                if (isChar && it->second.characteristics.count(handle)) attr = &it->second.characteristics[handle];
                if (!isChar && it->second.descriptors.count(handle)) attr = &it->second.descriptors[handle];
            }
            if (attr) attr->reading = false;
            if (!r) return send(attError(m, kUnlikely));
            if (!r->ok()) return send(gattError(m, *r));
            if (offset > r->value.size()) return send(attError(m, 0x07));
            const QByteArray value = bytes(r->value);
            if (attr) tree_.set(attr->path, isChar ? kCharIface : kDescIface, "Value", value, true);
            send(m.createReply(QVariant(value.mid(offset))));
        });
    });
}

void BluezServer::writeValue(DeviceEntry& d, Characteristic* c, Descriptor* desc, const QDBusMessage& m) {
    Attribute& a = c ? static_cast<Attribute&>(*c) : *desc;
    const bool linked = d.link == DeviceEntry::Link::Up && a.generation == d.generation &&
                        (c ? bool(c->object) : bool(desc->object));
    if (!linked) return send(failed(m, "Not connected"));
    if (a.writing) return send(inProgress(m));
    const QByteArray raw = m.arguments().value(0).toByteArray();
    const Bytes value(raw.begin(), raw.end());
    auto options = readOptions(m.arguments().value(1));
    if (!options) return send(invalidArgs(m));
    // Subscriptions go through StartNotify, never through the descriptor.
    if (desc && desc->uuid == Guid::sig(0x2902)) return send(notPermitted(m, "Write not permitted"));

    enum class Kind { Request, Command } kind = Kind::Request;
    if (c) {
        using namespace properties;
        const uint32_t props = c->properties;
        const QString type = options->type.toLower();
        if ((type.isEmpty() && (props & kReliableWrites)) || type == "reliable") {
            // Prepared writes: the stand-in's devices answer them as one write when they allow them.
            if (!(props & kReliableWrites)) return send(attError(m, 0x06));
        } else if ((type.isEmpty() && (props & kWrite)) || type == "request") {
        } else if ((type.isEmpty() || type == "command") && (props & kWriteWithoutResponse) && options->offset == 0) {
            kind = Kind::Command;
        } else {
            return send(notSupported(m));
        }
    }
    if (options->offset != 0) return send(notSupported(m));
    const uint64_t address = d.address, gen = d.generation;
    if (kind == Kind::Command) {
        // Queued and answered at once: a write command has no response to wait for.
        if (value.size() > std::size_t(kMtu - 3)) return send(failed(m, "Failed to initiate write"));
        c->object->writeValueWithResultAsync(value, WriteOption::WriteWithoutResponse);
        return send(m.createReply());
    }
    a.writing = true;
    auto op = c ? c->object->writeValueWithResultAsync(value, WriteOption::WriteWithResponse)
                : desc->object->writeValueWithResultAsync(value);
    const uint16_t handle = c ? c->handle : desc->handle;
    const bool isChar = c != nullptr;
    auto p = poster_;
    op->setCompleted([this, p, m, address, gen, handle, isChar](AsyncOperation<GattWriteResult>& o, AsyncStatus s) {
        std::optional<GattWriteResult> r;
        if (s == AsyncStatus::Completed) r = o.getResults();
        p->post([this, m, address, gen, handle, isChar, r] {
            auto it = devices_.find(address);
            if (it != devices_.end() && it->second.generation == gen) {
                if (isChar && it->second.characteristics.count(handle)) it->second.characteristics[handle].writing = false;
                if (!isChar && it->second.descriptors.count(handle)) it->second.descriptors[handle].writing = false;
            }
            if (!r) return send(attError(m, kUnlikely));
            send(r->ok() ? m.createReply() : gattError(m, *r));
        });
    });
}

void BluezServer::startNotify(DeviceEntry& d, Characteristic& c, const QDBusMessage& m) {
    if (!(c.properties & (properties::kNotify | properties::kIndicate))) return send(notSupported(m));
    const QString sender = m.service();
    if (c.notifySenders.contains(sender)) return send(m.createReply());
    if (std::any_of(c.startCalls.begin(), c.startCalls.end(), [&](const QDBusMessage& x) { return x.service() == sender; }))
        return send(inProgress(m));
    if (d.link != DeviceEntry::Link::Up || c.generation != d.generation || !c.object)
        return send(failed(m, "Not connected"));
    if (!c.notifySenders.isEmpty()) {
        c.notifySenders.insert(sender);
        watchSender(sender);
        return send(m.createReply());
    }
    c.startCalls.append(m);
    if (c.subscribing) return;
    c.subscribing = true;
    // Notifications when the characteristic has them, else indications: BlueZ's choice.
    const ClientConfig config = (c.properties & properties::kNotify) ? ClientConfig::Notify : ClientConfig::Indicate;
    auto op = c.object->writeClientCharacteristicConfigurationDescriptorWithResultAsync(config);
    const uint64_t address = d.address, gen = d.generation;
    const uint16_t handle = c.handle;
    auto p = poster_;
    op->setCompleted([this, p, address, gen, handle](AsyncOperation<GattWriteResult>& o, AsyncStatus s) {
        std::optional<GattWriteResult> r;
        if (s == AsyncStatus::Completed) r = o.getResults();
        p->post([this, address, gen, handle, r] {
            auto it = devices_.find(address);
            if (it == devices_.end() || it->second.generation != gen || !it->second.characteristics.count(handle)) return;
            Characteristic& ch = it->second.characteristics[handle];
            ch.subscribing = false;
            const auto calls = std::exchange(ch.startCalls, {});
            for (const auto& call : calls) {
                if (!r) {
                    send(attError(call, kUnlikely));
                } else if (!r->ok()) {
                    send(gattError(call, *r));
                } else {
                    ch.notifySenders.insert(call.service());
                    watchSender(call.service());
                    send(call.createReply());
                }
            }
            if (!ch.notifySenders.isEmpty()) tree_.set(ch.path, kCharIface, "Notifying", true);
        });
    });
}

void BluezServer::stopNotify(DeviceEntry& d, Characteristic& c, const QString& sender, const QDBusMessage* call) {
    if (!c.notifySenders.remove(sender)) {
        if (call) send(failed(*call, "No notify session started"));
        return;
    }
    if (c.notifySenders.isEmpty()) {
        tree_.set(c.path, kCharIface, "Notifying", false);
        if (d.link == DeviceEntry::Link::Up && c.generation == d.generation && c.object)
            c.object->writeClientCharacteristicConfigurationDescriptorWithResultAsync(ClientConfig::None);
    }
    if (call) send(call->createReply());
}

void BluezServer::notified(uint64_t address, uint64_t gen, uint16_t handle, const Bytes& value) {
    auto it = devices_.find(address);
    if (it == devices_.end() || it->second.generation != gen) return;
    auto c = it->second.characteristics.find(handle);
    if (c == it->second.characteristics.end() || c->second.notifySenders.isEmpty()) return;
    tree_.set(c->second.path, kCharIface, "Value", bytes(value), true);
}

}  // namespace zenu::sim::bluez
