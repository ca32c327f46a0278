// The Config channel: one string-keyed entry point for every setting.
#include <atomic>

#include "corvel/core/codepage.h"
#include "corvel/core/config_text.h"
#include "corvel/core/control_core.h"
#include "corvel/sig/errors.h"

namespace corvel {

namespace {

std::atomic<bool> gZeroMemory{false};

enum class Kind { Bool, Int, Text };

struct Plain {
    const char* name;
    Kind kind;
    bool Settings::*b = nullptr;
    int32_t Settings::*i = nullptr;
    std::string Settings::*t = nullptr;
};

constexpr Plain B(const char* n, bool Settings::*m) { return {n, Kind::Bool, m, nullptr, nullptr}; }
constexpr Plain I(const char* n, int32_t Settings::*m) { return {n, Kind::Int, nullptr, m, nullptr}; }
constexpr Plain T(const char* n, std::string Settings::*m) { return {n, Kind::Text, nullptr, nullptr, m}; }

// Settings that are plain stored values, Bluetooth ones first (lookup order).
const Plain kPlain[] = {
    B("AutoDiscoverCharacteristics", &Settings::autoDiscoverCharacteristics),
    B("AutoDiscoverDescriptors", &Settings::autoDiscoverDescriptors),
    B("AutoDiscoverIncludedServices", &Settings::autoDiscoverIncludedServices),
    B("IncludeRediscovered", &Settings::includeRediscovered),
    B("PreferIndications", &Settings::preferIndications),
    B("QueryAdditionalDeviceInfo", &Settings::queryAdditionalDeviceInfo),
    I("ScanStartedTimeout", &Settings::scanStartedTimeout),
    I("PairingMode", &Settings::pairingMode),
    I("LogLevel", &Settings::logLevel),
    B("TimeoutInMilliseconds", &Settings::timeoutInMilliseconds),
    B("AbsoluteTimeout", &Settings::absoluteTimeout),
    I("SelectWaitMillis", &Settings::selectWaitMillis),
    B("IgnoreExternalEvents", &Settings::ignoreExternalEvents),
    B("IgnoreOtherWindowEvents", &Settings::ignoreOtherWindowEvents),
    T("LogDebugFile", &Settings::logDebugFile),
    I("LogDebugOption", &Settings::logDebugOption),
    I("CharsetMode", &Settings::charsetMode),
    B("UseInternalCryptoAPI", &Settings::useInternalCryptoApi),
    B("UseFIPSCompliantAPI", &Settings::useFipsCompliantApi),
    B("Allow3DESInFIPS", &Settings::allow3DesInFips),
    I("QOSDSCPValue", &Settings::qosDscpValue),
    T("SSLProvider", &Settings::sslProvider),
    I("SSLCipherStrength", &Settings::sslCipherStrength),
    B("UseDefaultCredentials", &Settings::useDefaultCredentials),
    B("ReuseSSLSession", &Settings::reuseSslSession),
    I("ExtendedProtection", &Settings::extendedProtection),
    I("SSLSecurityFlags", &Settings::sslSecurityFlags),
    B("SSLIncludeCertChain", &Settings::sslIncludeCertChain),
    I("SSLEnabledProtocols", &Settings::sslEnabledProtocols),
    B("SSLEnableRenegotiation", &Settings::sslEnableRenegotiation),
    I("UseIPv6", &Settings::useIpv6),
    I("UseIPv6Int", &Settings::useIpv6Int),
    B("UseGetAddrInfo", &Settings::useGetAddrInfo),
    T("KerberosSPN", &Settings::kerberosSpn),
    B("UseSystemSSPI", &Settings::useSystemSspi),
    T("RecordToFile", &Settings::recordToFile),
    B("RecordToString", &Settings::recordToString),
    B("UseInternalSecurityAPI", &Settings::useInternalSecurityApi),
};

const char* const kQosTrafficTypes[] = {"BestEffort", "Background", "ExcellentEffort", "AudioVideo", "Voice", "Control"};

const char* const kAdvertisementOnly[] = {"ManufacturerCompanyId", "ManufacturerData", "ManufacturerDataCount",
                                          "ServiceData", "AdvertisementRawData"};

const char* canonical(std::string_view name, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (equalsNoCase(name, n))
            return n;
    return nullptr;
}

using R = Result<std::string>;

} // namespace

bool processZeroMemory() { return gZeroMemory.load(); }
void setProcessZeroMemory(bool value) { gZeroMemory.store(value); }

// Friend of ControlCore: the settings that need more than a stored value.
class ConfigTable {
public:
    static R apply(ControlCore& core, const ConfigRequest& req);

private:
    static R unknown(ControlCore& core) { return R::fail(core.fail(kErrUnknownSetting, text::kUnknownSetting)); }
    static R advertisementOnly(ControlCore& core, const char* name, const ConfigRequest& req);
};

R ConfigTable::advertisementOnly(ControlCore& core, const char* name, const ConfigRequest& req)
{
    const bool isServiceData = std::string_view(name) == "ServiceData";
    // ServiceData is only a "set"; the others are only queries.
    if (isServiceData != req.value.has_value())
        return unknown(core);
    const AdvertisementContext* adv = core.currentAdvertisement();
    if (!adv)
        return R::fail(core.fail(kErrNotAllowed, std::string("The ") + name +
                                                     " setting is only usable within the Advertisement event handler."));
    const std::string_view n(name);
    if (n == "ManufacturerDataCount")
        return R::of(std::to_string(adv->manufacturerData.size()));
    if (n == "AdvertisementRawData")
        return R::of(hexText(buildAdvertisingReport(*adv)));
    if (isServiceData) {
        Result<Uuid> uuid = parseUuid(*req.value);
        if (!uuid.ok())
            return R::fail(core.fail(uuid.status));
        for (const ServiceData& sd : adv->serviceData)
            if (sd.uuid == uuid.value)
                return R::of(std::string(sd.data.begin(), sd.data.end()));
        return R::fail(core.fail(kErrBadArgument,
                                 "No service data in advertisement for UUID " + formatUuid(uuid.value) + "."));
    }
    // ManufacturerCompanyId[i] / ManufacturerData[i]
    const int32_t i = configInt(req.index.value_or("0"));
    if (i < 0 || static_cast<size_t>(i) >= adv->manufacturerData.size())
        return R::fail(core.fail(kErrBadArgument, "Index '{0}' is invalid for {1}."));
    const ManufacturerEntry& m = adv->manufacturerData[static_cast<size_t>(i)];
    if (n == "ManufacturerCompanyId")
        return R::of(std::to_string(m.companyId));
    std::string bytes(m.data.begin(), m.data.end());
    if (const size_t zero = bytes.find('\0'); zero != std::string::npos)
        bytes.resize(zero);
    return R::of(bytes);
}

R ConfigTable::apply(ControlCore& core, const ConfigRequest& req)
{
    Settings& s = core.settings_;
    const std::string_view name = req.name;
    const bool set = req.value.has_value();
    const std::string value = req.value.value_or("");

    // Bluetooth settings with behaviour.
    if (canonical(name, {"GattObjTreeInfo"}))
        return set ? unknown(core) : R::of(core.tree_.dump());
    if (canonical(name, {"MaxPduSize"})) {
        if (set)
            return unknown(core);
        if (core.selectedService_.empty())
            return R::of("");
        const std::optional<int> pdu = core.link_->maxPduSize(core.selectedService_);
        return R::of(pdu ? std::to_string(*pdu) : std::string());
    }
    for (const char* n : kAdvertisementOnly)
        if (equalsNoCase(name, n))
            return advertisementOnly(core, n, req);

    // Stored values.
    for (const Plain& p : kPlain) {
        if (!equalsNoCase(name, p.name))
            continue;
        switch (p.kind) {
        case Kind::Bool:
            if (!set)
                return R::of(boolText(s.*(p.b)));
            s.*(p.b) = configBool(value);
            return R::of("");
        case Kind::Int:
            if (!set)
                return R::of(std::to_string(s.*(p.i)));
            s.*(p.i) = configInt(value);
            return R::of("");
        case Kind::Text:
            if (!set)
                return R::of(s.*(p.t));
            s.*(p.t) = value;
            return R::of("");
        }
    }

    // General settings with behaviour.
    if (canonical(name, {"CodePage"})) {
        if (!set)
            return R::of(std::to_string(s.codePage));
        const int32_t cp = configInt(value);
        if (!isSupportedCodePage(cp))
            return R::fail(core.fail(kErrBadArgument, "Code page " + std::to_string(cp) + " is not supported."));
        s.codePage = cp;
        return R::of("");
    }
    if (canonical(name, {"UseWindowsMessages"})) {
        if (!set)
            return R::of(boolText(s.useWindowsMessages));
        // Only a socket connection of the shared core would lock it; the
        // Bluetooth paths never start one.
        constexpr bool socketConnectionInProgress = false;
        if (socketConnectionInProgress)
            return R::fail(core.fail(kErrSettingLocked, text::kUseWindowsMessagesLocked));
        s.useWindowsMessages = configBool(value);
        return R::of("");
    }
    if (canonical(name, {"UseIOCP"})) {
        if (!set)
            return R::of(boolText(s.useIocp));
        s.useIocp = configBool(value);
        s.useWindowsMessages = !s.useIocp;
        return R::of("");
    }
    if (canonical(name, {"ZeroMemory"})) {
        if (!set)
            return R::of(boolText(processZeroMemory()));
        setProcessZeroMemory(configBool(value));
        return R::of("");
    }
    if (canonical(name, {"LastError"}))
        return R::of(set ? std::string() : core.lastErrorText_);
    if (canonical(name, {"WinsockStatus"}))
        return R::of(set ? "" : "0");
    if (canonical(name, {"WinsockVersion"}))
        return R::of(set ? "" : "2.2");
    if (canonical(name, {"QOSTrafficType"})) {
        if (!set)
            return R::of(std::to_string(s.qosTrafficType));
        for (int i = 0; i < 6; ++i)
            if (equalsNoCase(value, kQosTrafficTypes[i])) {
                s.qosTrafficType = i;
                return R::of("");
            }
        s.qosTrafficType = configInt(value);
        return R::of("");
    }
    return unknown(core);
}

Result<std::string> ControlCore::config(std::string_view request)
{
    const bool holding = settings_.ignoreExternalEvents;
    Result<std::string> r = ConfigTable::apply(*this, parseConfigRequest(request));
    if (holding && !settings_.ignoreExternalEvents)
        hostLoop_.releaseHeld();
    return r;
}

bool ControlCore::configAnswersDeviceData(std::string_view request)
{
    const ConfigRequest req = parseConfigRequest(request);
    return equalsNoCase(req.name, "ManufacturerData") || equalsNoCase(req.name, "ServiceData");
}

} // namespace corvel
