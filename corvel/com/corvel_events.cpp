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

} // namespace

void CorvelControl::fire(DISPID dispid, VARIANT* args, uint32_t count)
{
    DISPPARAMS dp{args, nullptr, count, 0};
    hold();   // a handler may release the host's last reference
    eventPoint_->fire(dispid, &dp);
    unhold();
}

#define CORVEL_FIRE(dispid, a)                          \
    do {                                                \
        DISPPARAMS p = (a).params();                    \
        fire((dispid), p.rgvarg, p.cArgs);              \
    } while (0)

void CorvelControl::onAdvertisement(const AdvertisementArgs& a)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.text(a.serverId);
    args.value(a.name);
    args.i2(a.rssi);
    args.i2(a.txPower);
    args.text(a.serviceUuids);
    args.text(a.servicesWithData);
    args.text(a.solicitedServiceUuids);
    args.i2(a.manufacturerCompanyId);
    args.value(a.manufacturerData);
    args.boolean(a.isConnectable);
    args.boolean(a.isScanResponse);
    HeldBytes held(currentManufacturerData_, a.manufacturerData);
    CORVEL_FIRE(EVENT_Advertisement, args);
}

void CorvelControl::onConnected(int16_t statusCode, std::string_view description)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.i2(statusCode);
    args.text(description);
    CORVEL_FIRE(EVENT_Connected, args);
}

void CorvelControl::onDisconnected(int16_t statusCode, std::string_view description)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.i2(statusCode);
    args.text(description);
    CORVEL_FIRE(EVENT_Disconnected, args);
}

void CorvelControl::onDiscovered(GattType type, std::string_view serviceId, std::string_view characteristicId,
                                 std::string_view descriptorId, std::string_view uuid, std::string_view description)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.i2(static_cast<int16_t>(type));
    args.text(serviceId);
    args.text(characteristicId);
    args.text(descriptorId);
    args.text(uuid);
    args.text(description);
    CORVEL_FIRE(EVENT_Discovered, args);
}

void CorvelControl::onError(int16_t errorCode, std::string_view description)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.i2(errorCode);
    args.text(description);
    CORVEL_FIRE(EVENT_Error, args);
}

void CorvelControl::onLog(int16_t level, std::string_view message, std::string_view logType)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.i2(level);
    args.text(message);
    args.text(logType);
    CORVEL_FIRE(EVENT_Log, args);
}

void CorvelControl::onPairingRequest(std::string_view serverId, int16_t pairingKind, std::string& pin, bool& accept)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.text(serverId);
    args.i2(pairingKind);
    BSTR* pinArg = args.value(pin);
    VARIANT_BOOL* acceptArg = args.boolean(accept);
    CORVEL_FIRE(EVENT_PairingRequest, args);
    // The handlers' answer.
    pin = valueFromBstr(*pinArg);
    accept = *acceptArg != VARIANT_FALSE;
}

void CorvelControl::onServerUpdate(std::string_view name, std::string_view changedServices)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.value(name);
    args.text(changedServices);
    CORVEL_FIRE(EVENT_ServerUpdate, args);
}

void CorvelControl::onStartScan(std::string_view serviceUuids)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.text(serviceUuids);
    CORVEL_FIRE(EVENT_StartScan, args);
}

void CorvelControl::onStopScan(int16_t errorCode, std::string_view errorDescription)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.i2(errorCode);
    args.text(errorDescription);
    CORVEL_FIRE(EVENT_StopScan, args);
}

void CorvelControl::onSubscribed(std::string_view serviceId, std::string_view characteristicId,
                                 std::string_view uuid, std::string_view description)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.text(serviceId);
    args.text(characteristicId);
    args.text(uuid);
    args.text(description);
    CORVEL_FIRE(EVENT_Subscribed, args);
}

void CorvelControl::onUnsubscribed(std::string_view serviceId, std::string_view characteristicId,
                                   std::string_view uuid, std::string_view description)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.text(serviceId);
    args.text(characteristicId);
    args.text(uuid);
    args.text(description);
    CORVEL_FIRE(EVENT_Unsubscribed, args);
}

void CorvelControl::onValue(std::string_view serviceId, std::string_view characteristicId,
                            std::string_view descriptorId, std::string_view uuid, std::string_view description,
                            std::string_view value)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.text(serviceId);
    args.text(characteristicId);
    args.text(descriptorId);
    args.text(uuid);
    args.text(description);
    args.value(value);
    HeldBytes held(currentValue_, value);
    CORVEL_FIRE(EVENT_Value, args);
}

void CorvelControl::onWriteResponse(std::string_view serviceId, std::string_view characteristicId,
                                    std::string_view descriptorId, std::string_view uuid,
                                    std::string_view description)
{
    if (eventPoint_->sinkCount() == 0)
        return;
    EventArgs args(core_.codePage());
    args.text(serviceId);
    args.text(characteristicId);
    args.text(descriptorId);
    args.text(uuid);
    args.text(description);
    CORVEL_FIRE(EVENT_WriteResponse, args);
}

} // namespace corvel
