#pragma once
// File-based registry of the "classes root": keys are backslash-separated paths
// ("CLSID\\{...}\\InprocServer32") compared without regard to ASCII case; each key
// holds named string values ("" is the default value) and subkeys. The tree lives in
// one text file, rewritten atomically (temporary file, then rename) under a lock.
#include "platform/com/hresult.h"

#include <string>
#include <string_view>
#include <vector>

namespace com {

class Registry {
public:
    // $CORVEL_REGISTRY if set, else $XDG_DATA_HOME/corvel/registry, else ~/.local/share/corvel/registry.
    static std::string location();
    // The tree's file inside location().
    static std::string filePath();
};

// Creates the key (and its parents) and sets one value. valueName "" is the default value.
HRESULT RegSetKeyValue(std::string_view path, std::string_view valueName, std::string_view value);
// Creates the key (and its parents) without values; S_OK if it exists already.
HRESULT RegCreateKey(std::string_view path);
// S_OK when found; REGDB_E_KEYMISSING (out cleared) when the key or value does not exist;
// REGDB_E_READREGDB when the file cannot be read.
HRESULT RegGetValue(std::string_view path, std::string_view valueName, std::string& out);
bool RegKeyExists(std::string_view path);
// Deletes the key with all its subkeys; S_FALSE when it did not exist.
HRESULT RegDeleteTree(std::string_view path);
// Deletes one value; S_FALSE when it did not exist.
HRESULT RegDeleteValue(std::string_view path, std::string_view valueName);
// Names of the direct subkeys, in stored order.
HRESULT RegEnumKeys(std::string_view path, std::vector<std::string>& names);

inline constexpr HRESULT REGDB_E_KEYMISSING = static_cast<HRESULT>(0x80040152u);

} // namespace com

using namespace com;
