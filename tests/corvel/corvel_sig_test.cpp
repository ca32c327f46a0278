// UUIDs in every accepted form, advertisement byte order and sections, the SIG name
// tables, presentation formats, characteristic flags and Ids from handles.
#include "corvel/core/advertisement.h"
#include "corvel/sig/errors.h"
#include "corvel/core/gatt_tree.h"
#include "corvel/sig/ad_sections.h"
#include "corvel/sig/sig_names.h"
#include "corvel/sig/uuid.h"
#include "corvel/sig/value_format.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace corvel;

namespace {

std::string parsed(std::string_view text)
{
    Result<Uuid> r = parseUuid(text);
    return r.ok() ? formatUuid(r.value) : "error " + std::to_string(r.status.code) + ": " + r.status.text;
}

const std::string kMalformed =
    "error 600: UUIDs hexadecimal strings must represent either 16-, 32-, or 128-bit values.";

std::vector<uint8_t> bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> v;
    for (int b : list)
        v.push_back(static_cast<uint8_t>(b));
    return v;
}

} // namespace

TEST(Uuid, AcceptedForms)
{
    const std::string battery = "0000180F-0000-1000-8000-00805F9B34FB";
    for (const char* form : {"180F", "0x180F", "0000180F", "0000180F-0000-1000-8000-00805F9B34FB", " 180f ",
                             "0000180f00001000800000805f9b34fb", "0x0000180F"})
        EXPECT_EQ(parsed(form), battery) << form;
    EXPECT_EQ(parsed(" 0x2A19 "), "00002A19-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(parsed("12345678"), "12345678-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(parsed("6e400001-b5a3-f393-e0a9-e50e24dcca9e"), "6E400001-B5A3-F393-E0A9-E50E24DCCA9E");
    // Dashes anywhere are dropped.
    EXPECT_EQ(parsed("18-0F"), battery);
}

TEST(Uuid, MalformedForms)
{
    for (const char* form : {"12345", "", "0x", "18F", "{0000180F-0000-1000-8000-00805F9B34FB}", "180G",
                             "0000180F-0000-1000-8000-00805F9B34FZ", "0X180F", "1 0F"})
        EXPECT_EQ(parsed(form), kMalformed) << form;
}

TEST(Uuid, Lists)
{
    Result<std::vector<Uuid>> r = parseUuidList("");
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.value.empty());
    r = parseUuidList("180F,2A19, 0x180A");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(formatUuidList(r.value), "0000180F-0000-1000-8000-00805F9B34FB,00002A19-0000-1000-8000-00805F9B34FB,"
                                       "0000180A-0000-1000-8000-00805F9B34FB");
    for (const char* bad : {"180F,", "180F,,2A19", "180F,xyz", ","}) {
        r = parseUuidList(bad);
        EXPECT_EQ(r.status.code, 600) << bad;
    }
}

TEST(Uuid, FromAdvertisementBytes)
{
    auto from = [](std::vector<uint8_t> b) {
        Result<Uuid> r = uuidFromBytes(b);
        return r.ok() ? formatUuid(r.value) : "error " + std::to_string(r.status.code);
    };
    EXPECT_EQ(from(bytes({0x0F, 0x18})), "0000180F-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(from(bytes({0x9F, 0x80})), "0000809F-0000-1000-8000-00805F9B34FB");   // bytes are unsigned
    EXPECT_EQ(from(bytes({0x78, 0x56, 0x34, 0x12})), "12345678-0000-1000-8000-00805F9B34FB");
    // The 16-byte form is the whole number reversed, as devices send it and the stack reads it.
    EXPECT_EQ(from(bytes({0x9E, 0xCA, 0xDC, 0x24, 0x0E, 0xE5, 0xA9, 0xE0, 0x93, 0xF3, 0xA3, 0xB5, 0x01, 0x00, 0x40,
                          0x6E})),
              "6E400001-B5A3-F393-E0A9-E50E24DCCA9E");
    EXPECT_EQ(from(bytes({0xFB, 0x34, 0x9B, 0x5F, 0x80, 0x00, 0x00, 0x80, 0x00, 0x10, 0x00, 0x00, 0x0F, 0x18, 0x00,
                          0x00})),
              "0000180F-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(from(bytes({})), "error 600");
    EXPECT_EQ(from(bytes({1, 2, 3})), "error 600");
}

TEST(AdSections, ServiceDataPerSectionWithLengthChecks)
{
    std::vector<AdSection> sections = {{0x16, bytes({0x0F, 0x18, 0x64})}, {0x20, bytes({1, 2, 3, 4, 5})},
                                       {0x16, bytes({0x0A, 0x18})}};
    ServiceDataList list = readServiceData(sections);
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(formatUuid(list.entries[0].uuid), "0000180F-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(list.entries[0].data, bytes({0x64}));
    EXPECT_TRUE(list.entries[1].data.empty());
    EXPECT_EQ(formatUuid(list.entries[2].uuid), "04030201-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(list.entries[2].data, bytes({5}));
    EXPECT_TRUE(list.error.empty());

    sections = {{0x16, bytes({0x0F, 0x18})}, {0x16, bytes({0x0F})}, {0x21, bytes({1, 2})}};
    list = readServiceData(sections);
    EXPECT_EQ(list.entries.size(), 1u);   // what was read before the bad section stays
    EXPECT_EQ(list.error, "Expected byte[] length to be at least 2, but instead is 1.");
    list = readServiceData(std::vector<AdSection>{{0x20, bytes({1, 2, 3})}});
    EXPECT_EQ(list.error, "Expected byte[] length to be at least 4, but instead is 3.");
    list = readServiceData(std::vector<AdSection>{{0x21, bytes({1, 2, 3})}});
    EXPECT_EQ(list.error, "Expected byte[] length to be at least 16, but instead is 3.");
}

TEST(AdSections, SolicitationsAreMultiples)
{
    UuidListResult r = readSolicitations(std::vector<AdSection>{{0x14, bytes({0x0F, 0x18, 0x0A, 0x18})}});
    ASSERT_EQ(r.uuids.size(), 2u);
    EXPECT_EQ(formatUuid(r.uuids[1]), "0000180A-0000-1000-8000-00805F9B34FB");
    r = readSolicitations(std::vector<AdSection>{{0x14, bytes({0x0F, 0x18, 0x0A})}});
    EXPECT_EQ(r.error, "Expected byte[] length to be a multiple of 2, but instead is 3.");
    EXPECT_EQ(r.uuids.size(), 0u);
    r = readSolicitations(std::vector<AdSection>{{0x1F, bytes({1, 2, 3, 4, 5, 6})}});
    EXPECT_EQ(r.error, "Expected byte[] length to be a multiple of 4, but instead is 6.");
    r = readSolicitations(std::vector<AdSection>{{0x15, bytes({1})}});
    EXPECT_EQ(r.error, "Expected byte[] length to be a multiple of 16, but instead is 1.");
}

TEST(AdSections, SplittingRawDataNeverReadsPastTheEnd)
{
    std::vector<AdSection> s = splitAdSections(bytes({0x02, 0x01, 0x06, 0x03, 0x16, 0x0F, 0x18}));
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].type, 0x16);
    EXPECT_EQ(s[1].data, bytes({0x0F, 0x18}));
    EXPECT_EQ(splitAdSections(bytes({0x02, 0x01, 0x06, 0x09, 0xFF, 0x01})).size(), 1u);   // overlong last section
    EXPECT_EQ(splitAdSections(bytes({0x00, 0x02, 0x01, 0x06})).size(), 0u);             // zero length ends it
    EXPECT_EQ(splitAdSections(bytes({0x01, 0x09})).front().data.size(), 0u);
    EXPECT_TRUE(splitAdSections({}).empty());
}

TEST(SigNames, TablesAndLookup)
{
    EXPECT_EQ(sigTable(SigKind::Service).size(), 38u);
    EXPECT_EQ(sigTable(SigKind::Descriptor).size(), 15u);
    // The characteristic table holds 2A00-2A2C, 2A2F-2A7B, 2A7D-2AC9 and 2ACC-2ADA without 2A61
    // (not assigned in that edition), each once and in ascending order.
    std::vector<uint16_t> expected;
    for (auto [from, to] : {std::pair{0x2A00, 0x2A2C}, {0x2A2F, 0x2A7B}, {0x2A7D, 0x2AC9}, {0x2ACC, 0x2ADA}})
        for (int v = from; v <= to; ++v)
            if (v != 0x2A61) expected.push_back(static_cast<uint16_t>(v));
    std::vector<uint16_t> values;
    for (const SigEntry& e : sigTable(SigKind::Characteristic)) {
        EXPECT_NE(std::string(e.name), "") << std::hex << e.value;
        values.push_back(e.value);
    }
    EXPECT_EQ(values, expected);
    EXPECT_EQ(values.size(), 213u);

    auto name = [](SigKind k, const char* uuid) { return sigName(k, parseUuid(uuid).value); };
    EXPECT_EQ(name(SigKind::Characteristic, " 0x2A19 "), "Battery Level");
    EXPECT_EQ(name(SigKind::Characteristic, "2A00"), "Device Name");
    EXPECT_EQ(name(SigKind::Characteristic, "2A37"), "Heart Rate Measurement");
    EXPECT_EQ(name(SigKind::Characteristic, "2A6E"), "Temperature");
    EXPECT_EQ(name(SigKind::Characteristic, "2ADA"), "Fitness Machine Status");
    EXPECT_EQ(name(SigKind::Characteristic, "2A2D"), "");
    EXPECT_EQ(name(SigKind::Service, "1800"), "Generic Access");
    EXPECT_EQ(name(SigKind::Service, "1828"), "Mesh Proxy Service");
    EXPECT_EQ(name(SigKind::Service, "1817"), "");
    EXPECT_EQ(name(SigKind::Service, "2A19"), "");   // the kind matters
    EXPECT_EQ(name(SigKind::Descriptor, "2902"), "Client Characteristic Configuration");
    EXPECT_EQ(name(SigKind::Descriptor, "290E"), "Time Trigger Setting");
    EXPECT_EQ(name(SigKind::Descriptor, "290F"), "");
    // Only the widened 16-bit values have names.
    EXPECT_EQ(name(SigKind::Service, "6E400001-B5A3-F393-E0A9-E50E24DCCA9E"), "");
    EXPECT_EQ(name(SigKind::Service, "0001180F"), "");
    EXPECT_EQ(name(SigKind::Service, "0000180F-0000-1000-8000-00805F9B34FC"), "");
}

TEST(ValueFormats, PresentationFormatsMapToTheEnumeration)
{
    EXPECT_EQ(valueFormatFromType(0), vfUndefined);
    EXPECT_EQ(valueFormatFromType(1), vfBoolean);
    EXPECT_EQ(valueFormatFromType(4), vfUInt8);
    EXPECT_EQ(valueFormatFromType(22), vfSFloat);
    EXPECT_EQ(valueFormatFromType(27), vfStruct);
    EXPECT_EQ(valueFormatFromType(28), vfUndefined);
    EXPECT_EQ(valueFormatFromType(255), vfUndefined);
    EXPECT_STREQ(valueFormatName(vfUtf8Str), "vfUtf8Str");
    EXPECT_STREQ(valueFormatName(vf2Bit), "vf2Bit");
    EXPECT_STREQ(valueFormatName(28), "");

    const auto f = parsePresentationFormat(bytes({0x0E, 0xFE, 0x2F, 0x27, 0x01, 0x00, 0x01}));
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->formatType, 14);
    EXPECT_EQ(f->exponent, -2);
    EXPECT_EQ(f->unit, 0x272F);
    EXPECT_EQ(f->nameSpace, 1);
    EXPECT_EQ(f->description, 0x0100);
    EXPECT_FALSE(parsePresentationFormat(bytes({1, 2, 3, 4, 5, 6})).has_value());
}

TEST(GattObjects, FlagsFromTheSystemsBits)
{
    EXPECT_EQ(flagsFromOsProperties(0x002), 0x002);
    EXPECT_EQ(flagsFromOsProperties(0x080), 0x000);   // extended properties: dropped
    EXPECT_EQ(flagsFromOsProperties(0x100), 0x080);   // reliable writes
    EXPECT_EQ(flagsFromOsProperties(0x200), 0x100);   // writable auxiliaries
    EXPECT_EQ(flagsFromOsProperties(0x3FF), 0x1FF);
    EXPECT_EQ(flagsFromOsProperties(0xFC00), 0x000);
    EXPECT_EQ(flagLetters(0x1FF), "B,R,WWR,W,N,I,ASR,RW,WA");
    EXPECT_EQ(flagLetters(0x018), "W,N");
    EXPECT_EQ(flagLetters(0), "");
}

TEST(GattObjects, IdsFromHandles)
{
    EXPECT_EQ(makeGattId(0x0010, 0, 0).value, "001000000000");
    EXPECT_EQ(makeGattId(0x0010, 0x0012, 0).value, "001000120000");
    EXPECT_EQ(makeGattId(0x0010, 0x0012, 0x0014).value, "001000120014");
    EXPECT_EQ(makeGattId(0xFFFF, 0xABCD, 0x00EF).value, "FFFFABCD00EF");
    Result<std::string> r = makeGattId(0, 1, 0);
    EXPECT_EQ(r.status.code, 202);
    EXPECT_EQ(r.status.text, "Must supply a non-zero service handle.");
    r = makeGattId(1, 0, 2);
    EXPECT_EQ(r.status.code, 202);
    EXPECT_EQ(r.status.text, "Must supply a non-zero characteristic handle to supply a non-zero descriptor handle.");
    EXPECT_EQ(serverIdFromAddress(0x001122AABBCCull), "001122AABBCC");
    EXPECT_EQ(serverIdFromAddress(0xFF001122AABBCCull), "001122AABBCC");   // 48 bits only
    EXPECT_EQ(serverIdFromAddress(0x5ull), "000000000005");
}
