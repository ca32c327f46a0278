#pragma once
// Identity of the control: class, interfaces, ProgIDs and the members of
// ICorvel and _ICorvelEvents with their dispatch identifiers.
#include <cstdint>
#include <span>

#include "platform/com/guid.h"
#include "platform/com/variant.h"

namespace corvel {

extern const com::CLSID CLSID_Corvel;        // {86800400-F789-11CE-86F8-0020AFD8C6DB}
extern const com::IID IID_ICorvel;           // {86800401-F789-11CE-86F8-0020AFD8C6DB}
extern const com::IID DIID__ICorvelEvents;   // {86800402-F789-11CE-86F8-0020AFD8C6DB}
extern const com::GUID LIBID_CORVELLib;      // {86800403-F789-11CE-86F8-0020AFD8C6DB}

inline constexpr const char* kProgIdVersionIndependent = "AstrelBLE.Corvel";
inline constexpr const char* kProgIdCurrent = "AstrelBLE.Corvel.1";
inline constexpr const char* kProgIdAlias = "AstrelBLE24.Corvel";
inline constexpr const char16_t* kErrorSource = u"AstrelBLE.Corvel.1";

enum DispId : com::DISPID {
    DISPID_ActiveScanning = 1,
    DISPID_Characteristic = 2,
    DISPID_CharacteristicCount = 3,
    DISPID_CharacteristicCanSubscribe = 4,
    DISPID_CharacteristicDescription = 5,
    DISPID_CharacteristicFlags = 6,
    DISPID_CharacteristicId = 7,
    DISPID_CharacteristicUserDescription = 8,
    DISPID_CharacteristicUuid = 9,
    DISPID_CharacteristicValueExponent = 10,
    DISPID_CharacteristicValueFormat = 11,
    DISPID_CharacteristicValueFormatCount = 12,
    DISPID_CharacteristicValueFormatIndex = 13,
    DISPID_CharacteristicValueUnit = 14,
    DISPID_DescriptorCount = 15,
    DISPID_DescriptorDescription = 16,
    DISPID_DescriptorId = 17,
    DISPID_DescriptorUuid = 18,
    DISPID_Scanning = 19,
    DISPID_ServerId = 20,
    DISPID_ServerName = 21,
    DISPID_Service = 22,
    DISPID_ServiceCount = 23,
    DISPID_ServiceDescription = 24,
    DISPID_ServiceId = 25,
    DISPID_ServiceIncludedSvcIds = 26,
    DISPID_ServiceParentSvcIds = 27,
    DISPID_ServiceUuid = 28,
    DISPID_Timeout = 29,
    DISPID_AdvertisementManufacturerDataB = 30,
    DISPID_ValueValueB = 31,
    DISPID_CheckCharacteristicSubscribed = 502,
    DISPID_Config = 503,
    DISPID_Connect = 504,
    DISPID_Disconnect = 505,
    DISPID_Discover = 506,
    DISPID_DiscoverCharacteristics = 507,
    DISPID_DiscoverDescriptors = 508,
    DISPID_DiscoverServices = 509,
    DISPID_DoEvents = 510,
    DISPID_PostValue = 511,
    DISPID_QueryCharacteristicCachedVal = 512,
    DISPID_QueryDescriptorCachedVal = 513,
    DISPID_ReadValue = 514,
    DISPID_Select = 515,
    DISPID_StartScanning = 516,
    DISPID_StopScanning = 517,
    DISPID_Subscribe = 518,
    DISPID_Unsubscribe = 519,
    DISPID_WriteValue = 520,
    DISPID_AboutBox = -552,
    DISPID_OnStartPage = 1610743892,
    DISPID_OnEndPage = 1610743893,
};

enum EventId : com::DISPID {
    EVENT_Advertisement = 1,
    EVENT_Connected = 2,
    EVENT_Disconnected = 3,
    EVENT_Discovered = 4,
    EVENT_Error = 5,
    EVENT_Log = 6,
    EVENT_PairingRequest = 7,
    EVENT_ServerUpdate = 8,
    EVENT_StartScan = 9,
    EVENT_StopScan = 10,
    EVENT_Subscribed = 11,
    EVENT_Unsubscribed = 12,
    EVENT_Value = 13,
    EVENT_WriteResponse = 14,
};

enum class MemberKind : uint8_t { Property, Method };

// One member of ICorvel: how it is called and what it takes.
struct MemberInfo {
    com::DISPID dispid;
    const char* name;
    MemberKind kind;
    com::VARTYPE type;          // property type or method result (VT_EMPTY: none)
    bool indexed;               // property with an index argument (VT_I4)
    bool writable;              // property: put accessor works
    uint8_t argCount;           // method arguments
    com::VARTYPE args[4];       // method argument types, in order
};

std::span<const MemberInfo> corvelMembers();
const MemberInfo* findMember(com::DISPID dispid);

struct EventInfo {
    com::DISPID dispid;
    const char* name;
};
std::span<const EventInfo> corvelEvents();

// Help context of a failing member: 24000 + DISPID for properties (34000 and
// 34001 for the two byte-array properties), 44000 + (DISPID - 501) for methods.
uint32_t helpContextFor(com::DISPID dispid);

// The automation error of an internal error code: 0x800A0007 for 200 (out of memory),
// else 0x800A0000 combined with code + 20001 (code <= 10000) or code + 15001.
com::HRESULT hresultForError(int code);

} // namespace corvel
