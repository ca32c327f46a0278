#pragma once
// Bluetooth SIG names of well-known services, characteristics and descriptors.
#include <cstdint>
#include <span>
#include <string>

#include "corvel/sig/uuid.h"

namespace corvel {

enum class SigKind { Service, Characteristic, Descriptor };

struct SigEntry {
    uint16_t value;
    const char* name;
};

// The table of one kind, in lookup order (the first equal entry wins).
std::span<const SigEntry> sigTable(SigKind kind);

// The SIG name of a UUID, or "" when the table of that kind has none.
std::string sigName(SigKind kind, const Uuid& uuid);

} // namespace corvel
