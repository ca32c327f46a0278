#include "platform/bluetooth/bluez_stack.h"

#include <QTimer>

#include "platform/bluetooth/bluez_context.h"
#include "platform/bluetooth/bluez_device.h"
#include "platform/bluetooth/bluez_mapping.h"
#include "platform/bluetooth/bluez_watcher.h"

namespace zenu::bluetooth {

using namespace bluez;

namespace {

constexpr int kLookupMs = 5000;

std::shared_ptr<Device> makeDevice(const std::shared_ptr<BluezContext>& ctx, const QString& path, uint64_t address) {
    const AddressType type = ctx->core().property(path, kDeviceIface, "AddressType").toString() == QLatin1String("random")
                                 ? AddressType::Random
                                 : AddressType::Public;
    auto device = std::make_shared<BluezDevice>(ctx, path, address, type);
    device->start();
    return device;
}

}  // namespace

BluezStack::BluezStack() : ctx_(std::make_shared<BluezContext>()) {}

BluezStack::~BluezStack() { ctx_->shutdown(); }

Async<std::optional<AdapterInfo>> BluezStack::getDefaultAdapterAsync() {
    auto op = makeAsync<std::optional<AdapterInfo>>();
    auto ctx = ctx_;
    const bool posted = ctx->post([ctx, op] {
        if (const std::string problem = ctx->ready(); !problem.empty()) {
            op->fail(problem);
            return;
        }
        const QString path = ctx->core().adapterPath();
        AdapterInfo info;
        info.bluetoothAddress =
            parseAddress(ctx->core().property(path, kAdapterIface, "Address").toString().toStdString()).value_or(0);
        // Roles lists "central" for an LE adapter; a BlueZ without the property is taken as LE.
        const QVariant roles = ctx->core().property(path, kAdapterIface, "Roles");
        info.lowEnergySupported = !roles.isValid() || stringsOf(roles).contains(QStringLiteral("central"));
        op->complete(info);
    });
    if (!posted) op->fail(ctx_->unavailable());
    return op;
}

std::shared_ptr<AdvertisementWatcher> BluezStack::createAdvertisementWatcher() {
    return std::make_shared<BluezWatcher>(ctx_);
}

Async<std::shared_ptr<Device>> BluezStack::fromBluetoothAddressAsync(uint64_t address) {
    auto op = makeAsync<std::shared_ptr<Device>>();
    auto ctx = ctx_;
    const bool posted = ctx->post([ctx, op, address] {
        if (const std::string problem = ctx->ready(); !problem.empty()) {
            op->fail(problem);
            return;
        }
        const QString path = QString::fromStdString(devicePath(ctx->core().adapterPath().toStdString(), address));
        if (ctx->core().has(path, kDeviceIface)) {
            op->complete(makeDevice(ctx, path, address));
            return;
        }
        // BlueZ only has objects for devices it has seen: listen for it for a while.
        auto done = std::make_shared<bool>(false);
        auto listener = std::make_shared<int>(0);
        auto joined = std::make_shared<bool>(false);
        auto finish = [ctx, op, path, address, done, listener, joined] {
            if (*done) return;
            *done = true;
            ctx->core().unlisten(*listener);
            if (*joined) ctx->leaveDiscovery();
            op->complete(ctx->core().has(path, kDeviceIface) ? makeDevice(ctx, path, address) : nullptr);
        };
        *listener = ctx->core().listen([path, finish](const ObjectChange& c) {
            if (c.kind == ObjectChange::Added && c.path == path && c.iface == QLatin1String(kDeviceIface))
                QTimer::singleShot(0, finish);
        });
        ctx->joinDiscovery({}, true, [ctx, op, finish, done, listener, joined](const QDBusMessage& error) {
            if (error.type() == QDBusMessage::ErrorMessage) {
                if (!*done) {
                    *done = true;
                    ctx->core().unlisten(*listener);
                    op->complete(nullptr);
                }
                return;
            }
            *joined = true;
            if (*done) return ctx->leaveDiscovery();
            QTimer::singleShot(kLookupMs, &ctx->core(), finish);
        });
    });
    if (!posted) op->fail(ctx_->unavailable());
    return op;
}

}  // namespace zenu::bluetooth
