#include "corvel/com/corvel_ids.h"

namespace corvel {

using namespace com;

const CLSID CLSID_Corvel = {0x86800400, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};
const IID IID_ICorvel = {0x86800401, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};
const IID DIID__ICorvelEvents = {0x86800402, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};
const GUID LIBID_CORVELLib = {0x86800403, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};

namespace {

constexpr MemberInfo P(DISPID id, const char* n, VARTYPE t, bool indexed, bool writable)
{
    return {id, n, MemberKind::Property, t, indexed, writable, 0, {}};
}
constexpr MemberInfo M(DISPID id, const char* n, VARTYPE result, uint8_t count, VARTYPE a0 = VT_EMPTY,
                       VARTYPE a1 = VT_EMPTY, VARTYPE a2 = VT_EMPTY, VARTYPE a3 = VT_EMPTY)
{
    return {id, n, MemberKind::Method, result, false, false, count, {a0, a1, a2, a3}};
}

const MemberInfo kMembers[] = {
    P(DISPID_ActiveScanning, "ActiveScanning", VT_BOOL, false, true),
    P(DISPID_Characteristic, "Characteristic", VT_BSTR, false, true),
    P(DISPID_CharacteristicCount, "CharacteristicCount", VT_I2, false, true),
    P(DISPID_CharacteristicCanSubscribe, "CharacteristicCanSubscribe", VT_BOOL, true, false),
    P(DISPID_CharacteristicDescription, "CharacteristicDescription", VT_BSTR, true, false),
    P(DISPID_CharacteristicFlags, "CharacteristicFlags", VT_I2, true, false),
    P(DISPID_CharacteristicId, "CharacteristicId", VT_BSTR, true, false),
    P(DISPID_CharacteristicUserDescription, "CharacteristicUserDescription", VT_BSTR, true, true),
    P(DISPID_CharacteristicUuid, "CharacteristicUuid", VT_BSTR, true, false),
    P(DISPID_CharacteristicValueExponent, "CharacteristicValueExponent", VT_I2, true, false),
    P(DISPID_CharacteristicValueFormat, "CharacteristicValueFormat", VT_I4, true, false),
    P(DISPID_CharacteristicValueFormatCount, "CharacteristicValueFormatCount", VT_I2, true, false),
    P(DISPID_CharacteristicValueFormatIndex, "CharacteristicValueFormatIndex", VT_I2, true, true),
    P(DISPID_CharacteristicValueUnit, "CharacteristicValueUnit", VT_BSTR, true, false),
    P(DISPID_DescriptorCount, "DescriptorCount", VT_I2, false, false),
    P(DISPID_DescriptorDescription, "DescriptorDescription", VT_BSTR, true, false),
    P(DISPID_DescriptorId, "DescriptorId", VT_BSTR, true, false),
    P(DISPID_DescriptorUuid, "DescriptorUuid", VT_BSTR, true, false),
    P(DISPID_Scanning, "Scanning", VT_BOOL, false, false),
    P(DISPID_ServerId, "ServerId", VT_BSTR, false, false),
    P(DISPID_ServerName, "ServerName", VT_BSTR, false, false),
    P(DISPID_Service, "Service", VT_BSTR, false, true),
    P(DISPID_ServiceCount, "ServiceCount", VT_I2, false, false),
    P(DISPID_ServiceDescription, "ServiceDescription", VT_BSTR, true, false),
    P(DISPID_ServiceId, "ServiceId", VT_BSTR, true, false),
    P(DISPID_ServiceIncludedSvcIds, "ServiceIncludedSvcIds", VT_BSTR, true, false),
    P(DISPID_ServiceParentSvcIds, "ServiceParentSvcIds", VT_BSTR, true, false),
    P(DISPID_ServiceUuid, "ServiceUuid", VT_BSTR, true, false),
    P(DISPID_Timeout, "Timeout", VT_I2, false, true),
    P(DISPID_AdvertisementManufacturerDataB, "AdvertisementManufacturerDataB", VT_VARIANT, false, false),
    P(DISPID_ValueValueB, "ValueValueB", VT_VARIANT, false, false),
    M(DISPID_CheckCharacteristicSubscribed, "CheckCharacteristicSubscribed", VT_BOOL, 1, VT_I2),
    M(DISPID_Config, "Config", VT_BSTR, 1, VT_BSTR),
    M(DISPID_Connect, "Connect", VT_EMPTY, 1, VT_BSTR),
    M(DISPID_Disconnect, "Disconnect", VT_EMPTY, 0),
    M(DISPID_Discover, "Discover", VT_EMPTY, 4, VT_BSTR, VT_BSTR, VT_BOOL, VT_BSTR),
    M(DISPID_DiscoverCharacteristics, "DiscoverCharacteristics", VT_EMPTY, 2, VT_BSTR, VT_BSTR),
    M(DISPID_DiscoverDescriptors, "DiscoverDescriptors", VT_EMPTY, 2, VT_BSTR, VT_BSTR),
    M(DISPID_DiscoverServices, "DiscoverServices", VT_EMPTY, 2, VT_BSTR, VT_BSTR),
    M(DISPID_DoEvents, "DoEvents", VT_EMPTY, 0),
    M(DISPID_PostValue, "PostValue", VT_EMPTY, 3, VT_BSTR, VT_BSTR, VT_BSTR),
    M(DISPID_QueryCharacteristicCachedVal, "QueryCharacteristicCachedVal", VT_BSTR, 1, VT_I2),
    M(DISPID_QueryDescriptorCachedVal, "QueryDescriptorCachedVal", VT_BSTR, 1, VT_I2),
    M(DISPID_ReadValue, "ReadValue", VT_BSTR, 3, VT_BSTR, VT_BSTR, VT_BSTR),
    M(DISPID_Select, "Select", VT_EMPTY, 2, VT_BSTR, VT_BSTR),
    M(DISPID_StartScanning, "StartScanning", VT_EMPTY, 1, VT_BSTR),
    M(DISPID_StopScanning, "StopScanning", VT_EMPTY, 0),
    M(DISPID_Subscribe, "Subscribe", VT_EMPTY, 2, VT_BSTR, VT_BSTR),
    M(DISPID_Unsubscribe, "Unsubscribe", VT_EMPTY, 2, VT_BSTR, VT_BSTR),
    M(DISPID_WriteValue, "WriteValue", VT_EMPTY, 4, VT_BSTR, VT_BSTR, VT_BSTR, VT_BSTR),
    M(DISPID_AboutBox, "AboutBox", VT_EMPTY, 0),
    M(DISPID_OnStartPage, "OnStartPage", VT_EMPTY, 1, VT_UNKNOWN),
    M(DISPID_OnEndPage, "OnEndPage", VT_EMPTY, 0),
};

const EventInfo kEvents[] = {
    {EVENT_Advertisement, "Advertisement"}, {EVENT_Connected, "Connected"},
    {EVENT_Disconnected, "Disconnected"},   {EVENT_Discovered, "Discovered"},
    {EVENT_Error, "Error"},                 {EVENT_Log, "Log"},
    {EVENT_PairingRequest, "PairingRequest"}, {EVENT_ServerUpdate, "ServerUpdate"},
    {EVENT_StartScan, "StartScan"},         {EVENT_StopScan, "StopScan"},
    {EVENT_Subscribed, "Subscribed"},       {EVENT_Unsubscribed, "Unsubscribed"},
    {EVENT_Value, "Value"},                 {EVENT_WriteResponse, "WriteResponse"},
};

} // namespace

std::span<const MemberInfo> corvelMembers() { return kMembers; }

const MemberInfo* findMember(DISPID dispid)
{
    for (const MemberInfo& m : kMembers)
        if (m.dispid == dispid)
            return &m;
    return nullptr;
}

std::span<const EventInfo> corvelEvents() { return kEvents; }

uint32_t helpContextFor(DISPID dispid)
{
    if (dispid == DISPID_AdvertisementManufacturerDataB)
        return 34000;
    if (dispid == DISPID_ValueValueB)
        return 34001;
    if (dispid >= 1 && dispid <= 31)
        return 24000 + static_cast<uint32_t>(dispid);
    if (dispid >= 502 && dispid <= 520)
        return 44000 + static_cast<uint32_t>(dispid - 501);
    return 0;
}

HRESULT hresultForError(int code)
{
    if (code == 200)
        return MakeCtlError(7);
    const int64_t n = code <= 10000 ? int64_t{code} + 20001 : int64_t{code} + 15001;
    return static_cast<HRESULT>(0x800A0000u | (static_cast<uint32_t>(n) & 0xFFFFu));
}

} // namespace corvel
