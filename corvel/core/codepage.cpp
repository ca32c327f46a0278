#include "corvel/core/codepage.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <unordered_map>

namespace corvel {

namespace {

// Code pages whose iconv name is not "CP<number>".
struct Named {
    int codePage;
    const char* name;
};
const Named kNamed[] = {
    {0, "CP1252"},          {1, "CP437"},           {2, "MACINTOSH"},       {3, "CP1252"},
    {65001, "UTF-8"},
    {65000, "UTF-7"},       {1200, "UTF-16LE"},     {1201, "UTF-16BE"},     {12000, "UTF-32LE"},
    {12001, "UTF-32BE"},    {20127, "ASCII"},       {20866, "KOI8-R"},      {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},  {28600, "ISO-8859-10"}, {28601, "ISO-8859-11"}, {28603, "ISO-8859-13"},
    {28604, "ISO-8859-14"}, {28605, "ISO-8859-15"}, {28606, "ISO-8859-16"}, {38598, "ISO-8859-8"},
    {10000, "MACINTOSH"},   {10007, "MAC-CYRILLIC"}, {10029, "MAC-CENTRALEUROPE"}, {20932, "EUC-JP"},
    {51932, "EUC-JP"},      {51936, "EUC-CN"},      {51949, "EUC-KR"},      {50220, "ISO-2022-JP"},
    {50221, "ISO-2022-JP"}, {50222, "ISO-2022-JP"}, {50225, "ISO-2022-KR"}, {52936, "HZ"},
    {54936, "GB18030"},     {936, "CP936"},         {950, "BIG5"},          {1361, "JOHAB"},
};

const char* kUtf16 = "UTF-16LE";

// iconv descriptors are not thread-safe; every conversion opens its own pair.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

std::mutex gCacheMutex;
std::unordered_map<int, bool>& supportCache()
{
    static std::unordered_map<int, bool> cache;
    return cache;
}

std::string nameOrUtf8(int codePage)
{
    if (!isSupportedCodePage(codePage))
        return "UTF-8";
    return iconvNameForCodePage(codePage);
}

} // namespace

std::string iconvNameForCodePage(int codePage)
{
    for (const Named& n : kNamed)
        if (n.codePage == codePage)
            return n.name;
    if (codePage <= 0)
        return {};
    return "CP" + std::to_string(codePage);
}

bool isSupportedCodePage(int codePage)
{
    {
        std::lock_guard lock(gCacheMutex);
        auto it = supportCache().find(codePage);
        if (it != supportCache().end())
            return it->second;
    }
    const std::string name = iconvNameForCodePage(codePage);
    bool ok = false;
    if (!name.empty()) {
        Iconv to(name.c_str(), kUtf16);
        Iconv from(kUtf16, name.c_str());
        ok = to.ok() && from.ok();
    }
    std::lock_guard lock(gCacheMutex);
    supportCache()[codePage] = ok;
    return ok;
}

int textCodePage(int codePage)
{
    static std::mutex mutex;
    static std::unordered_map<int, bool> asciiCompatible;
    {
        std::lock_guard lock(mutex);
        auto it = asciiCompatible.find(codePage);
        if (it != asciiCompatible.end())
            return it->second ? codePage : kCodePageUtf8;
    }
    static constexpr std::string_view kProbe = "09AZaz \"#%&'()*+,-./:;<=>?@[\\]_{|}~";
    const std::u16string probe(kProbe.begin(), kProbe.end());
    const bool ok = isSupportedCodePage(codePage) && encodeText(codePage, probe) == kProbe
                    && decodeText(codePage, kProbe) == probe;
    std::lock_guard lock(mutex);
    asciiCompatible[codePage] = ok;
    return ok ? codePage : kCodePageUtf8;
}

std::string encodeText(int codePage, std::u16string_view text)
{
    std::string out;
    if (text.empty())
        return out;
    const std::string name = nameOrUtf8(codePage);
    Iconv cd(name.c_str(), kUtf16);
    if (!cd.ok())
        return out;
    // UTF-16LE input in host order: this code runs on little-endian hosts only.
    const char* in = reinterpret_cast<const char*>(text.data());
    size_t inLeft = text.size() * sizeof(char16_t);
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t r = iconv(cd.get(), const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // Unrepresentable or broken input: one '?' per UTF-16 unit (a whole
            // surrogate pair when it is one), as the Windows default character.
            size_t skip = sizeof(char16_t);
            if (errno == EILSEQ && inLeft >= 4) {
                const char16_t unit = *reinterpret_cast<const char16_t*>(in);
                const char16_t next = *reinterpret_cast<const char16_t*>(in + 2);
                if (unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF)
                    skip = 4;
            }
            skip = std::min(skip, inLeft);
            in += skip;
            inLeft -= skip;
            out += encodeText(codePage, u"?");
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    // Flush shift states (stateful encodings such as ISO-2022-JP).
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    return out;
}

std::u16string decodeText(int codePage, std::string_view bytes)
{
    std::u16string out;
    if (bytes.empty())
        return out;
    const std::string name = nameOrUtf8(codePage);
    Iconv cd(kUtf16, name.c_str());
    if (!cd.ok())
        return out;
    const char* in = bytes.data();
    size_t inLeft = bytes.size();
    char16_t buffer[256];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        const size_t r = iconv(cd.get(), const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - reinterpret_cast<char*>(buffer)) / sizeof(char16_t));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (truncated sequence at the end): skip one byte.
            ++in;
            --inLeft;
            out.push_back(u'\uFFFD');
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

} // namespace corvel
