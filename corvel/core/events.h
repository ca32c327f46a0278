#pragma once
// The core's notifications, one per event of the control. Strings are byte
// strings in the control's code page; values keep their exact length.
#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

struct AdvertisementArgs {
    std::string serverId;
    std::string name;
    int16_t rssi = 0;
    int16_t txPower = 0;
    std::string serviceUuids;
    std::string servicesWithData;
    std::string solicitedServiceUuids;
    int16_t manufacturerCompanyId = -1;
    std::string manufacturerData;   // raw bytes
    bool isConnectable = false;
    bool isScanResponse = false;
};

enum class GattType : int16_t { Service = 0, Characteristic = 1, Descriptor = 2 };

class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void onAdvertisement(const AdvertisementArgs& a) = 0;
    virtual void onConnected(int16_t statusCode, std::string_view description) = 0;
    virtual void onDisconnected(int16_t statusCode, std::string_view description) = 0;
    virtual void onDiscovered(GattType type, std::string_view serviceId, std::string_view characteristicId,
                              std::string_view descriptorId, std::string_view uuid,
                              std::string_view description) = 0;
    virtual void onError(int16_t errorCode, std::string_view description) = 0;
    virtual void onLog(int16_t level, std::string_view message, std::string_view logType) = 0;
    // The handler may change pin and accept; both are read back.
    virtual void onPairingRequest(std::string_view serverId, int16_t pairingKind, std::string& pin,
                                  bool& accept) = 0;
    virtual void onServerUpdate(std::string_view name, std::string_view changedServices) = 0;
    virtual void onStartScan(std::string_view serviceUuids) = 0;
    virtual void onStopScan(int16_t errorCode, std::string_view errorDescription) = 0;
    virtual void onSubscribed(std::string_view serviceId, std::string_view characteristicId, std::string_view uuid,
                              std::string_view description) = 0;
    virtual void onUnsubscribed(std::string_view serviceId, std::string_view characteristicId,
                                std::string_view uuid, std::string_view description) = 0;
    virtual void onValue(std::string_view serviceId, std::string_view characteristicId,
                         std::string_view descriptorId, std::string_view uuid, std::string_view description,
                         std::string_view value) = 0;
    virtual void onWriteResponse(std::string_view serviceId, std::string_view characteristicId,
                                 std::string_view descriptorId, std::string_view uuid,
                                 std::string_view description) = 0;
};

// Log areas (the LogType argument).
namespace logtype {
inline constexpr const char* kConnection = "Connection";
inline constexpr const char* kDiscovery = "Discovery";
inline constexpr const char* kRead = "Read";
inline constexpr const char* kWrite = "Write";
inline constexpr const char* kSubscriptions = "Subscriptions";
inline constexpr const char* kScanning = "Scanning";
inline constexpr const char* kVerbose = "Verbose";
inline constexpr const char* kDebug = "Debug";
} // namespace logtype

} // namespace corvel
