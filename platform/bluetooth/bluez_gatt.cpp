// Services, characteristics and descriptors of a BlueZ device. BlueZ has found them all once
// ServicesResolved is true; what these objects add is the layer's shape: handles, flags,
// the user description and presentation formats, subscriptions through StartNotify, and
// notifications told apart from the echo of a read.
#include <QDBusObjectPath>

#include <algorithm>
#include <chrono>

#include "platform/bluetooth/bluez_device.h"
#include "platform/bluetooth/bluez_mapping.h"

namespace zenu::bluetooth::bluez {

namespace {

constexpr int kCallTimeoutMs = 25000;
const Guid kUserDescription = Guid::sig(0x2901);
const Guid kClientConfig = Guid::sig(0x2902);
const Guid kPresentationFormat = Guid::sig(0x2904);

template <typename R>
void completeWith(const Async<R>& op, const GattResult& result) {
    R r;
    static_cast<GattResult&>(r) = result;
    op->complete(r);
}

// Runs `body` once the link is up; a link that cannot be opened ends the operation.
template <typename R>
void linked(BluezDevice& device, const Async<R>& op, const BluezDevice::Finish& finish, std::function<void()> body) {
    device.ensureLinked([op, finish, body = std::move(body)](const GattResult& link) {
        if (link.ok()) return body();
        completeWith(op, link);
        finish();
    });
}

QVariantList readArgs() { return {QVariantMap()}; }

}  // namespace

// ---------------------------------------------------------------- service

BluezService::BluezService(std::shared_ptr<BluezDevice> device, QString path, uint16_t handle, Guid uuid)
    : device_(std::move(device)), path_(std::move(path)), handle_(handle), uuid_(uuid) {}

Async<GattServicesResult> BluezService::included(std::optional<Guid> uuid) {
    auto device = device_;
    const QString path = path_;
    return device_->queued<GattServicesResult>([device, path, uuid](const Async<GattServicesResult>& op,
                                                                    const BluezDevice::Finish& finish) {
        linked(*device, op, finish, [device, path, uuid, op, finish] {
            GattServicesResult r;
            r.services = device->servicesAt(pathsOf(device->ctx().core().property(path, kGattServiceIface, "Includes")),
                                            uuid ? &*uuid : nullptr);
            op->complete(r);
            finish();
        });
    });
}

Async<GattServicesResult> BluezService::getIncludedServicesAsync(CacheMode) { return included(std::nullopt); }
Async<GattServicesResult> BluezService::getIncludedServicesForUuidAsync(const Guid& uuid, CacheMode) {
    return included(uuid);
}

Async<GattCharacteristicsResult> BluezService::characteristics(std::optional<Guid> uuid) {
    auto device = device_;
    const QString path = path_;
    return device_->queued<GattCharacteristicsResult>([device, path, uuid](const Async<GattCharacteristicsResult>& op,
                                                                           const BluezDevice::Finish& finish) {
        linked(*device, op, finish, [device, path, uuid, op, finish] {
            GattCharacteristicsResult r;
            for (const QString& p : device->ctx().core().objectsBelow(path, kGattCharIface)) {
                if (p.count(QLatin1Char('/')) != path.count(QLatin1Char('/')) + 1) continue;
                auto c = device->characteristicAt(p);
                if (!uuid || c->uuid() == *uuid) r.characteristics.push_back(c);
            }
            std::sort(r.characteristics.begin(), r.characteristics.end(),
                      [](const auto& a, const auto& b) { return a->attributeHandle() < b->attributeHandle(); });
            op->complete(r);
            finish();
        });
    });
}

Async<GattCharacteristicsResult> BluezService::getCharacteristicsAsync(CacheMode) { return characteristics(std::nullopt); }
Async<GattCharacteristicsResult> BluezService::getCharacteristicsForUuidAsync(const Guid& uuid, CacheMode) {
    return characteristics(uuid);
}

// ---------------------------------------------------------------- characteristic

BluezCharacteristic::BluezCharacteristic(std::shared_ptr<BluezDevice> device, QString path, uint16_t handle, Guid uuid,
                                         uint32_t properties, uint16_t serviceHandle)
    : device_(std::move(device)),
      path_(std::move(path)),
      handle_(handle),
      uuid_(uuid),
      properties_(properties),
      serviceHandle_(serviceHandle) {}

std::string BluezCharacteristic::userDescription() const {
    std::lock_guard lock(m_);
    return userDescription_;
}

std::vector<PresentationFormat> BluezCharacteristic::presentationFormats() const {
    std::lock_guard lock(m_);
    return formats_;
}

void BluezCharacteristic::userDescriptionWritten(const Bytes& value) {
    std::lock_guard lock(m_);
    userDescription_.assign(value.begin(), value.end());
}

void BluezCharacteristic::readAuxiliaries(QStringList paths, std::function<void()> done) {
    // BlueZ does not read descriptor values itself: the user description and presentation
    // formats are read once their descriptors have been found.
    if (paths.isEmpty()) return done();
    const QString path = paths.takeFirst();
    auto self = shared_from_this();
    device_->ctx().core().call(path, kGattDescIface, "ReadValue", readArgs(), kCallTimeoutMs,
                               [self, path, paths, done](const QDBusMessage& r) {
                                   if (r.type() == QDBusMessage::ReplyMessage && !r.arguments().isEmpty()) {
                                       const Bytes value = toBytes(bytesOf(r.arguments().at(0)));
                                       const Guid uuid = uuidOf(self->device_->ctx(), path, kGattDescIface);
                                       std::lock_guard lock(self->m_);
                                       if (uuid == kUserDescription) {
                                           self->userDescription_.assign(value.begin(), value.end());
                                       } else if (auto f = parsePresentationFormat(value);
                                                  f && std::find(self->formats_.begin(), self->formats_.end(), *f) ==
                                                           self->formats_.end()) {
                                           self->formats_.push_back(*f);
                                       }
                                   }
                                   self->readAuxiliaries(paths, done);
                               });
}

Async<GattDescriptorsResult> BluezCharacteristic::descriptors(std::optional<Guid> uuid) {
    auto self = shared_from_this();
    return device_->queued<GattDescriptorsResult>([self, uuid](const Async<GattDescriptorsResult>& op,
                                                               const BluezDevice::Finish& finish) {
        linked(*self->device_, op, finish, [self, uuid, op, finish] {
            auto r = std::make_shared<GattDescriptorsResult>();
            QStringList auxiliaries;
            for (const QString& p : self->device_->ctx().core().objectsBelow(self->path_, kGattDescIface)) {
                auto d = self->device_->descriptorAt(p);
                if (uuid && d->uuid() != *uuid) continue;
                r->descriptors.push_back(d);
                if (d->uuid() == kUserDescription || d->uuid() == kPresentationFormat) auxiliaries << p;
            }
            std::sort(r->descriptors.begin(), r->descriptors.end(),
                      [](const auto& a, const auto& b) { return a->attributeHandle() < b->attributeHandle(); });
            self->readAuxiliaries(auxiliaries, [op, finish, r] {
                op->complete(*r);
                finish();
            });
        });
    });
}

Async<GattDescriptorsResult> BluezCharacteristic::getDescriptorsAsync(CacheMode) { return descriptors(std::nullopt); }
Async<GattDescriptorsResult> BluezCharacteristic::getDescriptorsForUuidAsync(const Guid& uuid, CacheMode) {
    return descriptors(uuid);
}

Async<GattReadResult> BluezCharacteristic::readValueAsync(CacheMode mode) {
    auto self = shared_from_this();
    return device_->queued<GattReadResult>([self, mode](const Async<GattReadResult>& op, const BluezDevice::Finish& finish) {
        // BlueZ's cache is the last value read or notified; without one the device is asked.
        const QVariant cached = self->device_->ctx().core().property(self->path_, kGattCharIface, "Value");
        if (mode == CacheMode::Cached && cached.isValid()) {
            GattReadResult r;
            r.value = toBytes(bytesOf(cached));
            op->complete(r);
            return finish();
        }
        linked(*self->device_, op, finish, [self, op, finish] {
            ++self->readsInFlight_;
            self->device_->ctx().core().call(self->path_, kGattCharIface, "ReadValue", readArgs(), kCallTimeoutMs,
                                             [self, op, finish](const QDBusMessage& reply) {
                                                 GattReadResult r;
                                                 static_cast<GattResult&>(r) = resultOf(reply);
                                                 if (r.ok() && !reply.arguments().isEmpty())
                                                     r.value = toBytes(bytesOf(reply.arguments().at(0)));
                                                 self->readEnded(r.ok() ? &r.value : nullptr);
                                                 op->complete(r);
                                                 finish();
                                             });
        });
    });
}

void BluezCharacteristic::readEnded(const Bytes* value) {
    // BlueZ announces a read value as a Value change, as it does a notification: the first
    // change with the read bytes is the read's own.
    --readsInFlight_;
    std::vector<Bytes> held = std::move(held_);
    held_.clear();
    if (value)
        if (auto echo = std::find(held.begin(), held.end(), *value); echo != held.end()) held.erase(echo);
    for (const Bytes& v : held) valueChangedByBluez(v);
}

void BluezCharacteristic::valueChangedByBluez(const Bytes& value) {
    if (readsInFlight_ > 0) {
        held_.push_back(value);
        return;
    }
    const bool notifying =
        subscribed_ || device_->ctx().core().property(path_, kGattCharIface, "Notifying").toBool();
    if (!notifying || device_->closed()) return;
    valueChanged.raise(ValueChangedArgs{value, std::chrono::system_clock::now()});
}

Async<GattWriteResult> BluezCharacteristic::writeValueWithResultAsync(const Bytes& value, WriteOption option) {
    auto self = shared_from_this();
    return device_->queued<GattWriteResult>([self, value, option](const Async<GattWriteResult>& op,
                                                                  const BluezDevice::Finish& finish) {
        linked(*self->device_, op, finish, [self, value, option, op, finish] {
            const QVariantMap options{{QStringLiteral("type"), option == WriteOption::WriteWithoutResponse
                                                                   ? QStringLiteral("command")
                                                                   : QStringLiteral("request")}};
            self->device_->ctx().core().call(self->path_, kGattCharIface, "WriteValue", {toByteArray(value), options},
                                             kCallTimeoutMs, [op, finish](const QDBusMessage& reply) {
                                                 completeWith(op, resultOf(reply));
                                                 finish();
                                             });
        });
    });
}

void BluezCharacteristic::subscribe(bool on, std::function<void(const GattResult&)> done) {
    auto self = shared_from_this();
    device_->ctx().core().call(path_, kGattCharIface, on ? "StartNotify" : "StopNotify", {}, kCallTimeoutMs,
                               [self, on, done](const QDBusMessage& reply) {
                                   GattResult r = resultOf(reply);
                                   // Stopping what is not running is no failure.
                                   if (!on && reply.errorName() == QLatin1String("org.bluez.Error.Failed") &&
                                       reply.errorMessage().contains(QLatin1String("No notify session")))
                                       r = {};
                                   if (r.ok()) self->subscribed_ = on;
                                   done(r);
                               });
}

Async<GattWriteResult> BluezCharacteristic::writeClientCharacteristicConfigurationDescriptorWithResultAsync(
    ClientConfig value) {
    // BlueZ does not let a client write the configuration descriptor: StartNotify subscribes
    // (BlueZ picks notifications when the characteristic has both kinds), StopNotify ends it.
    auto self = shared_from_this();
    return device_->queued<GattWriteResult>([self, value](const Async<GattWriteResult>& op,
                                                          const BluezDevice::Finish& finish) {
        linked(*self->device_, op, finish, [self, value, op, finish] {
            self->subscribe(value != ClientConfig::None, [op, finish](const GattResult& r) {
                completeWith(op, r);
                finish();
            });
        });
    });
}

Async<GattClientConfigResult> BluezCharacteristic::readClientCharacteristicConfigurationDescriptorAsync() {
    auto self = shared_from_this();
    return device_->queued<GattClientConfigResult>([self](const Async<GattClientConfigResult>& op,
                                                          const BluezDevice::Finish& finish) {
        linked(*self->device_, op, finish, [self, op, finish] {
            BluezCore& core = self->device_->ctx().core();
            QString cccd;
            for (const QString& p : core.objectsBelow(self->path_, kGattDescIface))
                if (uuidOf(self->device_->ctx(), p, kGattDescIface) == kClientConfig) cccd = p;
            if (cccd.isEmpty()) {
                GattClientConfigResult r;
                r.value = core.property(self->path_, kGattCharIface, "Notifying").toBool() ? ClientConfig::Notify
                                                                                            : ClientConfig::None;
                op->complete(r);
                return finish();
            }
            core.call(cccd, kGattDescIface, "ReadValue", readArgs(), kCallTimeoutMs, [op, finish](const QDBusMessage& reply) {
                GattClientConfigResult r;
                static_cast<GattResult&>(r) = resultOf(reply);
                const QByteArray v = r.ok() && !reply.arguments().isEmpty() ? bytesOf(reply.arguments().at(0)) : QByteArray();
                const uint8_t bits = v.isEmpty() ? 0 : static_cast<uint8_t>(v[0]);
                r.value = bits & 0x02 ? ClientConfig::Indicate : bits & 0x01 ? ClientConfig::Notify : ClientConfig::None;
                op->complete(r);
                finish();
            });
        });
    });
}

// ---------------------------------------------------------------- descriptor

BluezDescriptor::BluezDescriptor(std::shared_ptr<BluezDevice> device, QString path, uint16_t handle, Guid uuid)
    : device_(std::move(device)), path_(std::move(path)), handle_(handle), uuid_(uuid) {}

Async<GattReadResult> BluezDescriptor::readValueAsync(CacheMode mode) {
    auto device = device_;
    const QString path = path_;
    return device_->queued<GattReadResult>([device, path, mode](const Async<GattReadResult>& op,
                                                                const BluezDevice::Finish& finish) {
        const QVariant cached = device->ctx().core().property(path, kGattDescIface, "Value");
        if (mode == CacheMode::Cached && cached.isValid()) {
            GattReadResult r;
            r.value = toBytes(bytesOf(cached));
            op->complete(r);
            return finish();
        }
        linked(*device, op, finish, [device, path, op, finish] {
            device->ctx().core().call(path, kGattDescIface, "ReadValue", readArgs(), kCallTimeoutMs,
                                      [op, finish](const QDBusMessage& reply) {
                                          GattReadResult r;
                                          static_cast<GattResult&>(r) = resultOf(reply);
                                          if (r.ok() && !reply.arguments().isEmpty())
                                              r.value = toBytes(bytesOf(reply.arguments().at(0)));
                                          op->complete(r);
                                          finish();
                                      });
        });
    });
}

Async<GattWriteResult> BluezDescriptor::writeValueWithResultAsync(const Bytes& value) {
    auto device = device_;
    const QString path = path_;
    const bool clientConfig = uuid_ == kClientConfig;
    return device_->queued<GattWriteResult>([device, path, value, clientConfig](const Async<GattWriteResult>& op,
                                                                                const BluezDevice::Finish& finish) {
        linked(*device, op, finish, [device, path, value, clientConfig, op, finish] {
            // The configuration descriptor is BlueZ's: 00 00 and 01/02 00 become StopNotify and
            // StartNotify, other values are refused as BlueZ refuses every write there.
            if (clientConfig && value.size() == 2 && value[1] == 0 && value[0] <= 2) {
                const QString charPath = path.left(path.lastIndexOf(QLatin1Char('/')));
                auto c = device->characteristicAt(charPath);
                return c->subscribe(value[0] != 0, [op, finish](const GattResult& r) {
                    completeWith(op, r);
                    finish();
                });
            }
            const bool userDescription = device->descriptorAt(path)->uuid() == kUserDescription;
            device->ctx().core().call(path, kGattDescIface, "WriteValue", {toByteArray(value), QVariantMap()},
                                      kCallTimeoutMs, [device, path, value, userDescription, op, finish](const QDBusMessage& reply) {
                                          const GattResult r = resultOf(reply);
                                          if (r.ok() && userDescription)
                                              device->characteristicAt(path.left(path.lastIndexOf(QLatin1Char('/'))))
                                                  ->userDescriptionWritten(value);
                                          completeWith(op, r);
                                          finish();
                                      });
        });
    });
}

}  // namespace zenu::bluetooth::bluez
