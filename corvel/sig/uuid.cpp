#include "corvel/sig/uuid.h"

#include "corvel/sig/errors.h"

namespace corvel {

namespace {

constexpr std::array<uint8_t, 8> kBaseTail{0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool readHex(std::string_view digits, uint32_t& out)
{
    out = 0;
    for (char c : digits) {
        const int v = hexValue(c);
        if (v < 0)
            return false;
        out = (out << 4) | static_cast<uint32_t>(v);
    }
    return true;
}

std::string_view trimSpaces(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

Status malformed() { return Status::failure(kErrMalformedUuid, text::kMalformedUuid); }

} // namespace

Uuid sigUuid(uint32_t value)
{
    Uuid u;
    u.data1 = value;
    u.data2 = 0x0000;
    u.data3 = 0x1000;
    u.data4 = kBaseTail;
    return u;
}

bool isSig16(const Uuid& uuid, uint16_t* value)
{
    if (uuid.data1 > 0xFFFF || uuid.data2 != 0 || uuid.data3 != 0x1000 || uuid.data4 != kBaseTail)
        return false;
    if (value)
        *value = static_cast<uint16_t>(uuid.data1);
    return true;
}

Result<Uuid> parseUuid(std::string_view input)
{
    const std::string_view trimmed = trimSpaces(input);
    std::string hex;
    hex.reserve(trimmed.size());
    for (size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i] == '-')
            continue;
        if (trimmed[i] == '0' && i + 1 < trimmed.size() && trimmed[i + 1] == 'x') {
            ++i;
            continue;
        }
        hex.push_back(trimmed[i]);
    }
    if (hex.size() == 4)
        hex = "0000" + hex + "00001000800000805F9B34FB";
    else if (hex.size() == 8)
        hex += "00001000800000805F9B34FB";
    else if (hex.size() != 32)
        return Result<Uuid>::fail(malformed());

    // Non-hexadecimal characters are refused as malformed too.
    Uuid u;
    uint32_t v = 0;
    if (!readHex(std::string_view(hex).substr(0, 8), v))
        return Result<Uuid>::fail(malformed());
    u.data1 = v;
    if (!readHex(std::string_view(hex).substr(8, 4), v))
        return Result<Uuid>::fail(malformed());
    u.data2 = static_cast<uint16_t>(v);
    if (!readHex(std::string_view(hex).substr(12, 4), v))
        return Result<Uuid>::fail(malformed());
    u.data3 = static_cast<uint16_t>(v);
    for (size_t i = 0; i < 8; ++i) {
        if (!readHex(std::string_view(hex).substr(16 + 2 * i, 2), v))
            return Result<Uuid>::fail(malformed());
        u.data4[i] = static_cast<uint8_t>(v);
    }
    return Result<Uuid>::of(u);
}

Result<std::vector<Uuid>> parseUuidList(std::string_view text)
{
    std::vector<Uuid> list;
    if (text.empty())
        return Result<std::vector<Uuid>>::of(list);
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string_view item =
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        Result<Uuid> r = parseUuid(item);
        if (!r.ok())
            return Result<std::vector<Uuid>>::fail(r.status);
        list.push_back(r.value);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return Result<std::vector<Uuid>>::of(std::move(list));
}

std::string formatUuid(const Uuid& u)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    s.reserve(36);
    auto put = [&](uint32_t value, int nibbles) {
        for (int i = nibbles - 1; i >= 0; --i)
            s.push_back(digits[(value >> (4 * i)) & 0xF]);
    };
    put(u.data1, 8);
    s.push_back('-');
    put(u.data2, 4);
    s.push_back('-');
    put(u.data3, 4);
    s.push_back('-');
    put(u.data4[0], 2);
    put(u.data4[1], 2);
    s.push_back('-');
    for (size_t i = 2; i < 8; ++i)
        put(u.data4[i], 2);
    return s;
}

std::string formatUuidList(const std::vector<Uuid>& uuids)
{
    std::string s;
    for (size_t i = 0; i < uuids.size(); ++i) {
        if (i)
            s.push_back(',');
        s += formatUuid(uuids[i]);
    }
    return s;
}

Result<Uuid> uuidFromBytes(std::span<const uint8_t> b)
{
    if (b.size() == 2)
        return Result<Uuid>::of(sigUuid(static_cast<uint32_t>(b[1]) << 8 | b[0]));
    if (b.size() == 4)
        return Result<Uuid>::of(sigUuid(static_cast<uint32_t>(b[3]) << 24 | static_cast<uint32_t>(b[2]) << 16 |
                                        static_cast<uint32_t>(b[1]) << 8 | b[0]));
    if (b.size() == 16) {
        // Over the air a 128-bit UUID is the whole number least significant byte first (as the
        // stack reads the service UUIDs), not a GUID's fields one by one: b15 is the first byte
        // of the text form.
        Uuid u;
        u.data1 = static_cast<uint32_t>(b[15]) << 24 | static_cast<uint32_t>(b[14]) << 16 |
                  static_cast<uint32_t>(b[13]) << 8 | b[12];
        u.data2 = static_cast<uint16_t>(b[11] << 8 | b[10]);
        u.data3 = static_cast<uint16_t>(b[9] << 8 | b[8]);
        for (size_t i = 0; i < 8; ++i)
            u.data4[i] = b[7 - i];
        return Result<Uuid>::of(u);
    }
    return Result<Uuid>::fail(malformed());
}

} // namespace corvel
