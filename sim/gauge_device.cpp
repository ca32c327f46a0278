#include "sim/gauge_device.h"

#include <QTimeZone>
#include <deque>

#include "sim/gauge_gatt.h"
#include "sim/gauge_protocol.h"

namespace zenu::sim {

namespace {

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

uint16_t handleOf(GattDatabase& db, const Guid& uuid) {
    for (const auto& s : db.services())
        for (const auto& c : s.characteristics)
            if (c.uuid == uuid) return c.handle;
    return 0;
}

// The host's wall-clock time, labelled UTC like every gauge time.
QDateTime wallClockNow() {
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), QTime(local.time().hour(), local.time().minute(), local.time().second()),
                     QTimeZone::utc());
}

class GaugeBehaviour : public DeviceBehaviour {
public:
    GaugeBehaviour(const GaugeDef& gauge, GattDatabase& db)
        : protocol_(gauge, gauge.clock.isValid() ? gauge.clock : wallClockNow()),
          command_(handleOf(db, gauge_uuids::kCommand)),
          storageInformation_(handleOf(db, gauge_uuids::kStorageInformation)),
          storageData_(handleOf(db, gauge_uuids::kStorageData)),
          measurement_(handleOf(db, gauge_uuids::kMeasurement)) {}

    std::optional<uint8_t> onWrite(DeviceContext& ctx, uint16_t handle, const Bytes& value, bool) override {
        const std::string text(value.begin(), value.end());
        if (handle == command_) {
            // A new command ends whatever the last one left to read.
            const uint64_t generation = ++commandGeneration_;
            pieces_.clear();
            GaugeReply reply = protocol_.command(text, ctx.elapsedMs());
            if (reply.dropLink) {
                ctx.goOffline(reply.offlineMs);
            } else if (reply.answered && reply.delayMs <= 0) {
                pieces_.assign(reply.pieces.begin(), reply.pieces.end());
            } else if (reply.answered) {
                ctx.after(reply.delayMs, [this, generation, pieces = reply.pieces](DeviceContext&) {
                    if (generation == commandGeneration_) pieces_.assign(pieces.begin(), pieces.end());
                });
            }
        } else if (handle == storageInformation_) {
            protocol_.storageInfoWritten(text);
        }
        return std::nullopt;
    }

    std::optional<Bytes> onRead(DeviceContext& ctx, uint16_t handle) override {
        if (handle == command_) {
            if (pieces_.empty()) return Bytes{};
            Bytes piece = bytesOf(pieces_.front());
            pieces_.pop_front();
            return piece;
        }
        if (handle == storageInformation_) return bytesOf(protocol_.directory());
        if (handle == storageData_) return bytesOf(protocol_.nextStorageBlock(ctx.elapsedMs()));
        if (handle == measurement_) return bytesOf(protocol_.lastLiveNotification());
        return std::nullopt;
    }

    void onClientConfig(DeviceContext& ctx, uint16_t handle, uint16_t value) override {
        if (handle != measurement_) return;
        const uint64_t generation = ++liveGeneration_;
        if (value != 0) scheduleLive(ctx, generation, protocol_.def().live.startDelayMs);
    }

    void onLink(DeviceContext& ctx, bool open) override {
        const uint64_t generation = ++liveGeneration_;
        if (!open) {
            pieces_.clear();
            return;
        }
        // A bonded client keeps its subscription across a dropped link.
        if (ctx.clientConfig(measurement_) != 0) scheduleLive(ctx, generation, protocol_.def().live.startDelayMs);
    }

private:
    void scheduleLive(DeviceContext& ctx, uint64_t generation, int delayMs) {
        ctx.after(delayMs, [this, generation](DeviceContext& later) {
            if (generation != liveGeneration_ || later.clientConfig(measurement_) == 0) return;
            const std::string text = protocol_.nextLiveNotification(later.elapsedMs());
            if (text.empty()) return;
            later.sendValue(measurement_, bytesOf(text));
            scheduleLive(later, generation, std::max(10, protocol_.def().live.intervalMs));
        });
    }

    GaugeProtocol protocol_;
    const uint16_t command_, storageInformation_, storageData_, measurement_;
    std::deque<std::string> pieces_;
    uint64_t commandGeneration_ = 0;
    uint64_t liveGeneration_ = 0;
};

}  // namespace

std::unique_ptr<DeviceBehaviour> makeGaugeBehaviour(const GaugeDef& gauge, GattDatabase& db) {
    return std::make_unique<GaugeBehaviour>(gauge, db);
}

}  // namespace zenu::sim
