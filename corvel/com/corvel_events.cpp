// The core's notifications as automation calls on every advised sink, with
// every argument passed by reference. The control owns and frees the strings.
#include <array>

#include "corvel/com/corvel_control.h"
#include "corvel/com/corvel_ids.h"
#include "corvel/com/text_convert.h"
#include "corvel/core/codepage.h"

namespace corvel {

using namespace com;

namespace {

// Argument storage of one event; arguments are added in their natural order
// and handed over reversed, as automation wants them.
class EventArgs {
public:
    // Values (device data and names) cross in the code page, the control's own texts in
    // its text page (see textCodePage).
    explicit EventArgs(int codePage) : valuePage_(codePage), textPage_(textCodePage(codePage)) {}
    ~EventArgs()
    {
        // A handler may have replaced a string; free whatever is there now.
        for (size_t i = 0; i < strings_; ++i)
            SysFreeString(bstr_[i]);
    }
    EventArgs(const EventArgs&) = delete;
    EventArgs& operator=(const EventArgs&) = delete;

    BSTR* text(std::string_view bytes) { return string(textPage_, bytes); }
    BSTR* value(std::string_view bytes) { return string(valuePage_, bytes); }
    int16_t* i2(int16_t v)
    {
        short_[shorts_] = v;
        VARIANT& var = next();
        var.vt = VT_BYREF | VT_I2;
        var.piVal = &short_[shorts_];
        return &short_[shorts_++];
    }
    VARIANT_BOOL* boolean(bool v)
    {
        bool_[bools_] = v ? VARIANT_TRUE : VARIANT_FALSE;
        VARIANT& var = next();
        var.vt = VT_BYREF | VT_BOOL;
        var.pboolVal = &bool_[bools_];
        return &bool_[bools_++];
    }
    DISPPARAMS params()
    {
        for (size_t i = 0; i < count_; ++i)
            reversed_[i] = natural_[count_ - 1 - i];
        return DISPPARAMS{reversed_.data(), nullptr, static_cast<uint32_t>(count_), 0};
    }

private:
    static constexpr size_t kMax = 12;
    VARIANT& next()
    {
        VARIANT& v = natural_[count_++];
        VariantInit(&v);
        return v;
    }

    BSTR* string(int page, std::string_view bytes);

    int valuePage_;
    int textPage_;
    std::array<VARIANT, kMax> natural_{};
    std::array<VARIANT, kMax> reversed_{};
    size_t count_ = 0;
    std::array<BSTR, kMax> bstr_{};
    size_t strings_ = 0;
    std::array<int16_t, kMax> short_{};
    size_t shorts_ = 0;
    std::array<VARIANT_BOOL, kMax> bool_{};
    size_t bools_ = 0;
};

BSTR* EventArgs::string(int page, std::string_view bytes)
{
    bstr_[strings_] = bstrFromBytes(page, bytes);
    VARIANT& var = next();
    var.vt = VT_BYREF | VT_BSTR;
    var.pbstrVal = &bstr_[strings_];
    return &bstr_[strings_++];
}

// Restores a held byte range when the event's handlers are done, also when
// one of them throws.
class HeldBytes {
public:
    HeldBytes(std::optional<std::string>& slot, std::string_view bytes) : slot_(slot), saved_(std::move(slot))
    {
        slot_ = std::string(bytes);
    }
    ~HeldBytes() { slot_ = std::move(saved_); }
    HeldBytes(const HeldBytes&) = delete;
    HeldBytes& operator=(const HeldBytes&) = delete;

private:
    std::optional<std::string>& slot_;
    std::optional<std::string> saved_;
};

// Device data (names, values, PINs) among an event's arguments: it crosses in the code page.
struct DeviceData {
    std::string_view bytes;
};

void add(EventArgs& a, std::string_view text) { a.text(text); }
void add(EventArgs& a, DeviceData data) { a.value(data.bytes); }
void add(EventArgs& a, int16_t number) { a.i2(number); }
void add(EventArgs& a, bool flag) { a.boolean(flag); }

} // namespace

void CorvelControl::fire(DISPID dispid, VARIANT* args, uint32_t count)
{
    DISPPARAMS dp{args, nullptr, count, 0};
    hold();   // a handler may release the host's last reference
    eventPoint_->fire(dispid, &dp);
    unhold();
}

template <typename... Args>
void CorvelControl::fireEvent(DISPID dispid, const Args&... args)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs list(core_.codePage());
    (add(list, args), ...);
    DISPPARAMS p = list.params();
    fire(dispid, p.rgvarg, p.cArgs);
}

void CorvelControl::onAdvertisement(const AdvertisementArgs& a)
{
    HeldBytes held(currentManufacturerData_, a.manufacturerData);
    fireEvent(EVENT_Advertisement, std::string_view(a.serverId), DeviceData{a.name}, a.rssi, a.txPower,
              std::string_view(a.serviceUuids), std::string_view(a.servicesWithData),
              std::string_view(a.solicitedServiceUuids), a.manufacturerCompanyId, DeviceData{a.manufacturerData},
              a.isConnectable, a.isScanResponse);
}

void CorvelControl::onConnected(int16_t statusCode, std::string_view description)
{
    fireEvent(EVENT_Connected, statusCode, description);
}

void CorvelControl::onDisconnected(int16_t statusCode, std::string_view description)
{
    fireEvent(EVENT_Disconnected, statusCode, description);
}

void CorvelControl::onDiscovered(GattType type, std::string_view serviceId, std::string_view characteristicId,
                                 std::string_view descriptorId, std::string_view uuid, std::string_view description)
{
    fireEvent(EVENT_Discovered, static_cast<int16_t>(type), serviceId, characteristicId, descriptorId, uuid,
              description);
}

void CorvelControl::onError(int16_t errorCode, std::string_view description)
{
    fireEvent(EVENT_Error, errorCode, description);
}

void CorvelControl::onLog(int16_t level, std::string_view message, std::string_view logType)
{
    fireEvent(EVENT_Log, level, message, logType);
}

void CorvelControl::onPairingRequest(std::string_view serverId, int16_t pairingKind, std::string& pin, bool& accept)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    // The handlers answer through the by-reference Pin and Accept.
    EventArgs args(core_.codePage());
    args.text(serverId);
    args.i2(pairingKind);
    BSTR* pinArg = args.value(pin);
    VARIANT_BOOL* acceptArg = args.boolean(accept);
    DISPPARAMS p = args.params();
    fire(EVENT_PairingRequest, p.rgvarg, p.cArgs);
    pin = valueFromBstr(*pinArg);
    accept = *acceptArg != VARIANT_FALSE;
}

void CorvelControl::onServerUpdate(std::string_view name, std::string_view changedServices)
{
    fireEvent(EVENT_ServerUpdate, DeviceData{name}, changedServices);
}

void CorvelControl::onStartScan(std::string_view serviceUuids) { fireEvent(EVENT_StartScan, serviceUuids); }

void CorvelControl::onStopScan(int16_t errorCode, std::string_view errorDescription)
{
    fireEvent(EVENT_StopScan, errorCode, errorDescription);
}

void CorvelControl::onSubscribed(std::string_view serviceId, std::string_view characteristicId,
                                 std::string_view uuid, std::string_view description)
{
    fireEvent(EVENT_Subscribed, serviceId, characteristicId, uuid, description);
}

void CorvelControl::onUnsubscribed(std::string_view serviceId, std::string_view characteristicId,
                                   std::string_view uuid, std::string_view description)
{
    fireEvent(EVENT_Unsubscribed, serviceId, characteristicId, uuid, description);
}

void CorvelControl::onValue(std::string_view serviceId, std::string_view characteristicId,
                            std::string_view descriptorId, std::string_view uuid, std::string_view description,
                            std::string_view value)
{
    HeldBytes held(currentValue_, value);
    fireEvent(EVENT_Value, serviceId, characteristicId, descriptorId, uuid, description, DeviceData{value});
}

void CorvelControl::onWriteResponse(std::string_view serviceId, std::string_view characteristicId,
                                    std::string_view descriptorId, std::string_view uuid,
                                    std::string_view description)
{
    fireEvent(EVENT_WriteResponse, serviceId, characteristicId, descriptorId, uuid, description);
}

} // namespace corvel
