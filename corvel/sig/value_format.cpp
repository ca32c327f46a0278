#include "corvel/sig/value_format.h"

namespace corvel {

namespace {
const char* const kNames[] = {
    "vfUndefined", "vfBoolean", "vf2Bit",    "vfNibble",  "vfUInt8",   "vfUInt12",  "vfUInt16",
    "vfUInt24",    "vfUInt32",  "vfUInt48",  "vfUInt64",  "vfUInt128", "vfSInt8",   "vfSInt12",
    "vfSInt16",    "vfSInt24",  "vfSInt32",  "vfSInt48",  "vfSInt64",  "vfSInt128", "vfFloat32",
    "vfFloat64",   "vfSFloat",  "vfFloat",   "vfDUInt16", "vfUtf8Str", "vfUtf16Str", "vfStruct",
};
} // namespace

const char* valueFormatName(int value)
{
    if (value < 0 || value > vfStruct)
        return "";
    return kNames[value];
}

ValueFormats valueFormatFromType(uint8_t formatType)
{
    if (formatType >= 1 && formatType <= vfStruct)
        return static_cast<ValueFormats>(formatType);
    return vfUndefined;
}

std::optional<PresentationFormat> parsePresentationFormat(std::span<const uint8_t> b)
{
    if (b.size() < 7)
        return std::nullopt;
    PresentationFormat f;
    f.formatType = b[0];
    f.exponent = static_cast<int8_t>(b[1]);
    f.unit = static_cast<uint16_t>(b[3] << 8 | b[2]);
    f.nameSpace = b[4];
    f.description = static_cast<uint16_t>(b[6] << 8 | b[5]);
    return f;
}

} // namespace corvel
