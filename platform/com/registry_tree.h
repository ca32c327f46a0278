#pragma once
// In-memory form of the registry file and its text format (see docs/automation.md):
//   [CLSID\{...}\InprocServer32]
//   @="/usr/lib/libcorvelctl.so"
//   "ThreadingModel"="Apartment"
// Every key has its own header line; "@" is the default value; strings escape \\ \" \r \n \t.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace com {

struct RegistryNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::unique_ptr<RegistryNode>> children;

    RegistryNode* child(std::string_view childName) const;   // case-insensitive
    RegistryNode* addChild(std::string_view childName);       // existing or new
    const std::string* value(std::string_view valueName) const;
    void setValue(std::string_view valueName, std::string_view value);
    bool removeValue(std::string_view valueName);
    bool removeChild(std::string_view childName);
};

// Splits "A\\B\\C" into its keys; empty segments are dropped. False for names with line breaks
// or brackets that the file could not hold.
bool SplitRegistryPath(std::string_view path, std::vector<std::string>& keys);
bool RegistryNamesEqual(std::string_view a, std::string_view b);

// Parses the file text into `root`. False (with the 1-based line in *badLine) on malformed text.
bool ParseRegistryText(std::string_view text, RegistryNode& root, int* badLine);
std::string FormatRegistryText(const RegistryNode& root);

} // namespace com
