#pragma once
// The Bluetooth layer's values as the control's core holds them.
#include <string>
#include <vector>

#include "corvel/sig/uuid.h"
#include "corvel/sig/value_format.h"
#include "platform/bluetooth/bluetooth_types.h"
#include "platform/bluetooth/guid.h"

namespace corvel {

inline Uuid toUuid(const zenu::bluetooth::Guid& g) { return Uuid{g.data1, g.data2, g.data3, g.data4}; }
inline zenu::bluetooth::Guid toGuid(const Uuid& u) { return zenu::bluetooth::Guid{u.data1, u.data2, u.data3, u.data4}; }

inline std::vector<zenu::bluetooth::Guid> toGuids(const std::vector<Uuid>& uuids)
{
    std::vector<zenu::bluetooth::Guid> out;
    out.reserve(uuids.size());
    for (const Uuid& u : uuids)
        out.push_back(toGuid(u));
    return out;
}

inline PresentationFormat toFormat(const zenu::bluetooth::PresentationFormat& f)
{
    return PresentationFormat{f.formatType, f.exponent, f.unit, f.nameSpace, f.description};
}

inline std::string toText(const zenu::bluetooth::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
inline zenu::bluetooth::Bytes toBytes(const std::string& text) { return zenu::bluetooth::Bytes(text.begin(), text.end()); }

} // namespace corvel
