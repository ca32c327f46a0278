#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace com {

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;
using REFGUID = const GUID&;

bool operator==(const GUID& a, const GUID& b);
bool operator<(const GUID& a, const GUID& b);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
std::string GuidToString(const GUID& guid);
// Accepts the 36-character form with or without braces, any case. Leaves `out` untouched on failure.
bool GuidFromString(std::string_view text, GUID& out);

extern const GUID GUID_NULL;
extern const GUID IID_NULL;

} // namespace com

using namespace com;
