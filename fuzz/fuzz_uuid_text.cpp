// UUID text as scripts and scenario files write it, read by the control (corvel) and by the
// Bluetooth layer (Guid); the input's bytes are also read as an advertisement's UUID bytes.
// What either reads must print and read back the same, and the two must agree.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "corvel/sig/uuid.h"
#include "platform/bluetooth/guid.h"

using namespace corvel;
using zenu::bluetooth::Guid;

namespace {

bool sameUuid(const Uuid& u, const Guid& g) {
    return u.data1 == g.data1 && u.data2 == g.data2 && u.data3 == g.data3 && u.data4 == g.data4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const Result<Uuid> uuid = parseUuid(text);
    if (uuid.ok()) {
        const Result<Uuid> again = parseUuid(formatUuid(uuid.value));
        if (!again.ok() || !(again.value == uuid.value)) __builtin_trap();
    }
    const Result<std::vector<Uuid>> list = parseUuidList(text);
    if (list.ok()) {
        const Result<std::vector<Uuid>> again = parseUuidList(formatUuidList(list.value));
        if (!again.ok() || again.value != list.value) __builtin_trap();
    }

    const std::optional<Guid> guid = Guid::parse(text);
    if (guid) {
        if (Guid::parse(guid->toString()) != guid) __builtin_trap();
        const auto bytes = guid->toLittleEndian();
        if (Guid::fromLittleEndian(bytes.data(), bytes.size()) != guid) __builtin_trap();
        // Text both layers accept means the same UUID to both.
        if (uuid.ok() && !sameUuid(uuid.value, *guid)) __builtin_trap();
        uint16_t v16 = 0;
        if (guid->isSig16(&v16) && Guid::sig(v16) != *guid) __builtin_trap();
        uint32_t v32 = 0;
        if (guid->isSig32(&v32) && Guid::sig(v32) != *guid) __builtin_trap();
    }

    // The same bytes as advertisement data: 2, 4 or 16 bytes, the same UUID in both layers.
    const Result<Uuid> fromBytes = uuidFromBytes(std::span<const uint8_t>(data, size));
    const std::optional<Guid> guidFromBytes = Guid::fromLittleEndian(data, size);
    if (fromBytes.ok() != guidFromBytes.has_value()) __builtin_trap();
    if (fromBytes.ok() && !sameUuid(fromBytes.value, *guidFromBytes)) __builtin_trap();
    return 0;
}
