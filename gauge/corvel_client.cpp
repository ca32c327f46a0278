#include "gauge/corvel_client.h"

#include <vector>

#include "platform/com/activation.h"
#include "platform/com/bstr.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"
#include "platform/com/hresult.h"
#include "platform/com/host_site.h"
#include "platform/com/variant.h"

namespace zenu {
namespace {

// _ICorvelEvents: the outgoing interface and the dispatch numbers of its events, as published
// with the control.
const IID kEventsIid = {0x86800402, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};
enum : DISPID {
    kAdvertisement = 1,
    kConnected = 2,
    kDisconnected = 3,
    kDiscovered = 4,
    kError = 5,
    kStartScan = 9,
    kSubscribed = 11,
    kUnsubscribed = 12,
    kValue = 13,
    kWriteResponse = 14,
};

QString fromBstr(BSTR s) {
    if (!s) return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(s), static_cast<qsizetype>(SysStringLen(s)));
}

// Event arguments arrive by reference, last to first; an argument that is missing or of
// another kind reads as empty.
QString stringArg(const DISPPARAMS* p, uint32_t position) {
    Variant v;
    return SUCCEEDED(GetArg(p, position, VT_BSTR, &v, nullptr)) ? fromBstr(v.bstrVal) : QString();
}

int intArg(const DISPPARAMS* p, uint32_t position) {
    Variant v;
    return SUCCEEDED(GetArg(p, position, VT_I4, &v, nullptr)) ? v.lVal : 0;
}

CorvelCall failure(HRESULT hr, QString description) {
    CorvelCall r;
    r.ok = false;
    r.number = hr;
    r.description = description.isEmpty() ? QString::fromStdString(HResultText(hr)) : std::move(description);
    return r;
}

}  // namespace

struct CorvelClient::Arg {
    Variant v;
    Arg(const QString& s) : v(Variant::fromU16(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                                                    static_cast<size_t>(s.size()))))
    {}
    Arg(const char16_t* s) : v(Variant::fromU16(s)) {}
    Arg(bool b) : v(Variant::fromBool(b)) {}
    Arg(int i) : v(Variant::fromI4(i)) {}
};

CorvelClient::CorvelClient(CorvelEvents& events) : events_(events) {}

CorvelClient::~CorvelClient() { release(); }

CorvelCall CorvelClient::create() {
    release();
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(kProgId, &clsid);
    if (FAILED(hr)) return failure(hr, QStringLiteral("Invalid class string \"AstrelBLE.Corvel\""));
    SetErrorInfo(0, nullptr);
    IDispatch* disp = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&disp));
    if (FAILED(hr) || !disp) return failure(SUCCEEDED(hr) ? E_NOINTERFACE : hr, QString::fromStdString(TakeErrorDescription()));
    control_ = disp;
    site_ = new HostSite();
    // The site first, so the control knows it runs at run time before anything else.
    GiveSite(control_, site_);
    sink_ = new EventSink(kEventsIid, [this](DISPID id, DISPPARAMS* p) { onEvent(id, p); });
    hr = AdviseSink(control_, kEventsIid, sink_, &point_, &cookie_);
    if (FAILED(hr)) {
        release();
        return failure(hr, QStringLiteral("The control offers no events"));
    }
    return {};
}

void CorvelClient::release() {
    if (point_) {
        point_->Unadvise(cookie_);
        point_->Release();
        point_ = nullptr;
        cookie_ = 0;
    }
    if (control_) {
        GiveSite(control_, nullptr);
        control_->Release();
        control_ = nullptr;
    }
    if (sink_) {
        sink_->Release();
        sink_ = nullptr;
    }
    if (site_) {
        site_->Release();
        site_ = nullptr;
    }
    dispids_.clear();
}

CorvelCall CorvelClient::invoke(const char16_t* name, uint16_t flags, std::initializer_list<Arg> args) {
    if (!control_) return failure(E_POINTER, QStringLiteral("The Bluetooth control is not loaded"));
    const std::u16string key(name);
    auto it = dispids_.find(key);
    if (it == dispids_.end()) {
        DISPID id = DISPID_UNKNOWN;
        const OLECHAR* names[] = {name};
        const HRESULT hr = control_->GetIDsOfNames(IID_NULL, names, 1, 0x400, &id);
        if (FAILED(hr)) return failure(hr, QStringLiteral("Unknown member ") + QString::fromUtf16(name));
        it = dispids_.emplace(key, id).first;
    }
    // Automation wants the arguments last to first.
    std::vector<Variant> values(args.size());
    size_t i = args.size();
    for (const Arg& a : args) values[--i] = a.v;
    Variant result;
    EXCEPINFO ei;
    SetErrorInfo(0, nullptr);
    // A handler that runs inside this call may let go of the control (a window closing): keep
    // it alive until the call returns.
    IDispatch* control = control_;
    control->AddRef();
    HRESULT hr = InvokeMember(control, it->second, flags, values.data(), static_cast<uint32_t>(values.size()),
                              &result, &ei);
    control->Release();
    if (FAILED(hr)) {
        const QString text = QString::fromStdString(DescribeInvokeFailure(hr, &ei));
        ClearExcepInfo(&ei);
        return failure(hr, text);
    }
    ClearExcepInfo(&ei);
    CorvelCall r;
    if (result.vt == VT_BSTR) r.value = fromBstr(result.bstrVal);
    return r;
}

CorvelCall CorvelClient::config(const QString& setting) { return invoke(u"Config", DISPATCH_METHOD, {setting}); }
CorvelCall CorvelClient::setActiveScanning(bool on) {
    return invoke(u"ActiveScanning", DISPATCH_PROPERTYPUT, {on});
}
CorvelCall CorvelClient::setTimeoutMs(int ms) {
    CorvelCall r = config(QStringLiteral("TimeoutInMilliseconds=True"));
    if (!r) return r;
    return invoke(u"Timeout", DISPATCH_PROPERTYPUT, {ms});
}
CorvelCall CorvelClient::startScanning(const QString& uuids) {
    return invoke(u"StartScanning", DISPATCH_METHOD, {uuids});
}
CorvelCall CorvelClient::stopScanning() { return invoke(u"StopScanning", DISPATCH_METHOD, {}); }
CorvelCall CorvelClient::connect(const QString& serverId) { return invoke(u"Connect", DISPATCH_METHOD, {serverId}); }
CorvelCall CorvelClient::disconnect() { return invoke(u"Disconnect", DISPATCH_METHOD, {}); }
CorvelCall CorvelClient::discover(const QString& services, const QString& characteristics, bool descriptors,
                                  const QString& includingServiceId) {
    return invoke(u"Discover", DISPATCH_METHOD, {services, characteristics, descriptors, includingServiceId});
}
CorvelCall CorvelClient::readValue(const QString& s, const QString& c, const QString& d) {
    return invoke(u"ReadValue", DISPATCH_METHOD, {s, c, d});
}
CorvelCall CorvelClient::writeValue(const QString& s, const QString& c, const QString& d, const QString& v) {
    return invoke(u"WriteValue", DISPATCH_METHOD, {s, c, d, v});
}
CorvelCall CorvelClient::subscribe(const QString& s, const QString& c) {
    return invoke(u"Subscribe", DISPATCH_METHOD, {s, c});
}
CorvelCall CorvelClient::unsubscribe(const QString& s, const QString& c) {
    return invoke(u"Unsubscribe", DISPATCH_METHOD, {s, c});
}

void CorvelClient::onEvent(int32_t dispid, void* raw) {
    const auto* p = static_cast<const DISPPARAMS*>(raw);
    switch (dispid) {
    case kAdvertisement: events_.onAdvertisement(stringArg(p, 0), stringArg(p, 1), intArg(p, 2)); break;
    case kStartScan: events_.onStartScan(); break;
    case kConnected: events_.onConnected(intArg(p, 0), stringArg(p, 1)); break;
    case kDisconnected: events_.onDisconnected(intArg(p, 0), stringArg(p, 1)); break;
    case kDiscovered:
        events_.onDiscovered(intArg(p, 0), stringArg(p, 1), stringArg(p, 2), stringArg(p, 4));
        break;
    case kValue: events_.onValue(stringArg(p, 0), stringArg(p, 1), stringArg(p, 5)); break;
    case kWriteResponse: events_.onWriteResponse(stringArg(p, 0), stringArg(p, 1)); break;
    case kSubscribed: events_.onSubscribed(stringArg(p, 1)); break;
    case kUnsubscribed: events_.onUnsubscribed(stringArg(p, 1)); break;
    case kError: events_.onError(intArg(p, 0), stringArg(p, 1)); break;
    default: break;  // Log, PairingRequest, ServerUpdate, StopScan: nothing to do
    }
}

}  // namespace zenu
