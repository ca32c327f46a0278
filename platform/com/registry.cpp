#include "platform/com/registry.h"

#include "platform/com/registry_tree.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace com {

namespace {

std::string envOr(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

enum class Load { Ok, Missing, Bad };

Load loadTree(RegistryNode& root)
{
    const std::string path = Registry::filePath();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno == ENOENT ? Load::Missing : Load::Bad;
    std::string text;
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError)
        return Load::Bad;
    return ParseRegistryText(text, root, nullptr) ? Load::Ok : Load::Bad;
}

bool writeAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += size_t(w);
    }
    return true;
}

bool saveTree(const RegistryNode& root)
{
    const std::string path = Registry::filePath();
    const std::string tmp = path + ".tmp." + std::to_string(::getpid());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, FormatRegistryText(root)) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

// Read-modify-write under an exclusive lock, so two registering processes do not lose
// each other's keys. `change` returns S_OK (write), S_FALSE (nothing changed) or an error.
HRESULT modify(const std::function<HRESULT(RegistryNode&)>& change)
{
    std::error_code ec;
    std::filesystem::create_directories(Registry::location(), ec);
    const std::string lockPath = Registry::location() + "/.lock";
    const int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd < 0)
        return REGDB_E_WRITEREGDB;
    int rc;
    do {
        rc = ::flock(lockFd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    HRESULT hr;
    RegistryNode root;
    const Load load = loadTree(root);
    if (load == Load::Bad) {
        // Never overwrite a file we could not read: its keys would be lost.
        hr = REGDB_E_WRITEREGDB;
    } else {
        hr = change(root);
        if (hr == S_OK && !saveTree(root))
            hr = REGDB_E_WRITEREGDB;
    }
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    return hr;
}

RegistryNode* find(RegistryNode& root, const std::vector<std::string>& keys, RegistryNode** parent = nullptr)
{
    RegistryNode* node = &root;
    for (const auto& k : keys) {
        if (parent)
            *parent = node;
        node = node->child(k);
        if (!node)
            return nullptr;
    }
    return node;
}

bool validValueName(std::string_view name)
{
    return name.find_first_of("\r\n") == std::string_view::npos;
}

} // namespace

std::string Registry::location()
{
    std::string p = envOr("CORVEL_REGISTRY");
    if (!p.empty())
        return p;
    std::string base = envOr("XDG_DATA_HOME");
    if (base.empty()) {
        const std::string home = envOr("HOME");
        base = (home.empty() ? std::string(".") : home) + "/.local/share";
    }
    return base + "/corvel/registry";
}

std::string Registry::filePath()
{
    return location() + "/classes.reg";
}

HRESULT RegSetKeyValue(std::string_view path, std::string_view valueName, std::string_view value)
{
    std::vector<std::string> keys;
    if (!SplitRegistryPath(path, keys) || keys.empty() || !validValueName(valueName))
        return E_INVALIDARG;
    return modify([&](RegistryNode& root) {
        RegistryNode* node = &root;
        for (const auto& k : keys)
            node = node->addChild(k);
        node->setValue(valueName, value);
        return S_OK;
    });
}

HRESULT RegCreateKey(std::string_view path)
{
    std::vector<std::string> keys;
    if (!SplitRegistryPath(path, keys) || keys.empty())
        return E_INVALIDARG;
    return modify([&](RegistryNode& root) {
        if (find(root, keys))
            return S_FALSE;
        RegistryNode* node = &root;
        for (const auto& k : keys)
            node = node->addChild(k);
        return S_OK;
    });
}

HRESULT RegGetValue(std::string_view path, std::string_view valueName, std::string& out)
{
    out.clear();
    std::vector<std::string> keys;
    if (!SplitRegistryPath(path, keys) || keys.empty())
        return E_INVALIDARG;
    RegistryNode root;
    switch (loadTree(root)) {
    case Load::Missing: return REGDB_E_KEYMISSING;
    case Load::Bad: return REGDB_E_READREGDB;
    case Load::Ok: break;
    }
    const RegistryNode* node = find(root, keys);
    const std::string* v = node ? node->value(valueName) : nullptr;
    if (!v)
        return REGDB_E_KEYMISSING;
    out = *v;
    return S_OK;
}

bool RegKeyExists(std::string_view path)
{
    std::vector<std::string> keys;
    if (!SplitRegistryPath(path, keys) || keys.empty())
        return false;
    RegistryNode root;
    return loadTree(root) == Load::Ok && find(root, keys) != nullptr;
}

HRESULT RegDeleteTree(std::string_view path)
{
    std::vector<std::string> keys;
    if (!SplitRegistryPath(path, keys) || keys.empty())
        return E_INVALIDARG;
    return modify([&](RegistryNode& root) {
        RegistryNode* parent = nullptr;
        if (!find(root, keys, &parent))
            return S_FALSE;
        parent->removeChild(keys.back());
        return S_OK;
    });
}

HRESULT RegDeleteValue(std::string_view path, std::string_view valueName)
{
    std::vector<std::string> keys;
    if (!SplitRegistryPath(path, keys) || keys.empty())
        return E_INVALIDARG;
    return modify([&](RegistryNode& root) {
        RegistryNode* node = find(root, keys);
        if (!node || !node->removeValue(valueName))
            return S_FALSE;
        return S_OK;
    });
}

HRESULT RegEnumKeys(std::string_view path, std::vector<std::string>& names)
{
    names.clear();
    std::vector<std::string> keys;
    if (!SplitRegistryPath(path, keys))
        return E_INVALIDARG;
    RegistryNode root;
    switch (loadTree(root)) {
    case Load::Missing: return keys.empty() ? S_OK : REGDB_E_KEYMISSING;
    case Load::Bad: return REGDB_E_READREGDB;
    case Load::Ok: break;
    }
    const RegistryNode* node = find(root, keys);
    if (!node)
        return REGDB_E_KEYMISSING;
    for (const auto& c : node->children)
        names.push_back(c->name);
    return S_OK;
}

} // namespace com
