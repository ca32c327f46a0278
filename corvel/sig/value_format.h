#pragma once
// Characteristic presentation formats and the ValueFormats enumeration of the interface.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace corvel {

enum ValueFormats : int16_t {
    vfUndefined = 0,
    vfBoolean = 1,
    vf2Bit = 2,
    vfNibble = 3,
    vfUInt8 = 4,
    vfUInt12 = 5,
    vfUInt16 = 6,
    vfUInt24 = 7,
    vfUInt32 = 8,
    vfUInt48 = 9,
    vfUInt64 = 10,
    vfUInt128 = 11,
    vfSInt8 = 12,
    vfSInt12 = 13,
    vfSInt16 = 14,
    vfSInt24 = 15,
    vfSInt32 = 16,
    vfSInt48 = 17,
    vfSInt64 = 18,
    vfSInt128 = 19,
    vfFloat32 = 20,
    vfFloat64 = 21,
    vfSFloat = 22,
    vfFloat = 23,
    vfDUInt16 = 24,
    vfUtf8Str = 25,
    vfUtf16Str = 26,
    vfStruct = 27,
};

// Name of an enumeration value ("vfUInt8"), "" outside 0..27.
const char* valueFormatName(int value);

// One Characteristic Presentation Format entry.
struct PresentationFormat {
    uint8_t formatType = 0;
    int8_t exponent = 0;
    uint16_t unit = 0;
    uint8_t nameSpace = 0;
    uint16_t description = 0;
};

// The enumeration value of a format type: itself for 1..27, else vfUndefined.
ValueFormats valueFormatFromType(uint8_t formatType);

// Decodes the 7-byte descriptor value (little endian); nullopt when shorter.
std::optional<PresentationFormat> parsePresentationFormat(std::span<const uint8_t> bytes);

} // namespace corvel
