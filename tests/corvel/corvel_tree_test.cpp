// The object tree as the properties show it, against a scripted device: Ids, UUIDs, SIG
// names, flags, the selection rules, the index checks of properties and methods, lazy
// records, value formats and the "GattObjTreeInfo" text.
#include "tests/corvel/corvel_support.h"

#include "corvel/com/corvel_ids.h"

using namespace corveltest;

namespace {

constexpr const char* kBattery = "001000000000";
constexpr const char* kLevel = "001000120000";
constexpr const char* kInfo = "002000000000";
constexpr const char* kModel = "002000220000";
constexpr const char* kVendor = "00AB00000000";
constexpr const char* kRaw = "00AB00AD0000";

class Tree : public ::testing::Test {
protected:
    void SetUp() override { makeFake(fake, sampleDevice(), true); }
    const Control& c() const { return fake.control; }
    FakeSetup fake;
};

} // namespace

TEST_F(Tree, ServicesInDiscoveryOrderWithIdsUuidsAndNames)
{
    EXPECT_EQ(c().get("ServerId").text(), "001122AABBCC");
    EXPECT_EQ(c().get("ServerName").text(), "Zenu Gauge");
    ASSERT_EQ(c().get("ServiceCount").number(), 3);
    EXPECT_EQ(c().get("ServiceId", {I4(0)}).text(), kBattery);
    EXPECT_EQ(c().get("ServiceId", {I4(1)}).text(), kInfo);
    EXPECT_EQ(c().get("ServiceId", {I4(2)}).text(), kVendor);
    EXPECT_EQ(c().get("ServiceUuid", {I4(0)}).text(), kBatteryService);
    EXPECT_EQ(c().get("ServiceUuid", {I4(2)}).text(), kVendorService);
    EXPECT_EQ(c().get("ServiceDescription", {I4(0)}).text(), "Battery Service");
    EXPECT_EQ(c().get("ServiceDescription", {I4(1)}).text(), "Device Information");
    EXPECT_EQ(c().get("ServiceDescription", {I4(2)}).text(), "");   // vendor-specific
    EXPECT_EQ(c().get("ServiceIncludedSvcIds", {I4(0)}).text(), "");

    // The Battery Service includes the vendor service.
    ASSERT_TRUE(c().call("DiscoverServices", {Str(""), Str(kBattery)}).ok());
    EXPECT_EQ(c().get("ServiceCount").number(), 3);   // no duplicates
    EXPECT_EQ(c().get("ServiceIncludedSvcIds", {I4(0)}).text(), kVendor);
    EXPECT_EQ(c().get("ServiceParentSvcIds", {I4(2)}).text(), kBattery);
    EXPECT_EQ(c().get("ServiceParentSvcIds", {I4(0)}).text(), "");

    const Outcome o = c().get("ServiceId", {I4(3)});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A017Du);
    EXPECT_EQ(o.description, "Invalid array index.");
    EXPECT_EQ(c().config("LastError"), "Invalid ServiceIndex (out of bounds).");
}

TEST_F(Tree, CharacteristicsOfTheSelectedServiceWithFlags)
{
    EXPECT_EQ(c().get("CharacteristicCount").number(), 0);   // no service selected
    ASSERT_TRUE(c().put("Service", Str(kVendor)).ok());
    ASSERT_EQ(c().get("CharacteristicCount").number(), 1);
    EXPECT_EQ(c().get("CharacteristicId", {I4(0)}).text(), kRaw);
    EXPECT_EQ(c().get("CharacteristicUuid", {I4(0)}).text(), kVendorCharacteristic);
    EXPECT_EQ(c().get("CharacteristicDescription", {I4(0)}).text(), "");
    // The system's reliable writes (0x100) and auxiliaries (0x200) move down, its extended
    // properties bit (0x080) goes.
    EXPECT_EQ(c().get("CharacteristicFlags", {I4(0)}).number(), 0x1FF);
    EXPECT_EQ(c().get("CharacteristicCanSubscribe", {I4(0)}).number(), VARIANT_TRUE);
    EXPECT_EQ(c().get("CharacteristicUserDescription", {I4(0)}).text(), "Sensor \"raw\"");

    ASSERT_TRUE(c().put("Service", Str(kBattery)).ok());
    EXPECT_EQ(c().get("CharacteristicFlags", {I4(0)}).number(), 0x12);   // Read, Notify
    EXPECT_EQ(c().get("CharacteristicDescription", {I4(0)}).text(), "Battery Level");
    ASSERT_TRUE(c().put("Service", Str(kInfo)).ok());
    EXPECT_EQ(c().get("CharacteristicCanSubscribe", {I4(0)}).number(), VARIANT_FALSE);
    EXPECT_EQ(c().get("CharacteristicDescription", {I4(0)}).text(), "Model Number String");

    const Outcome o = c().get("CharacteristicId", {I4(1)});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A017Du);
    EXPECT_EQ(o.helpContext, 24007u);
    EXPECT_EQ(c().config("LastError"), "Invalid CharacteristicIndex (out of bounds).");
}

TEST_F(Tree, DescriptorsOfTheSelectedCharacteristic)
{
    EXPECT_EQ(c().get("DescriptorCount").number(), 0);
    ASSERT_TRUE(c().put("Service", Str(kVendor)).ok());
    EXPECT_EQ(c().get("DescriptorCount").number(), 0);   // no characteristic selected
    ASSERT_TRUE(c().put("Characteristic", Str(kRaw)).ok());
    EXPECT_EQ(c().get("Characteristic").text(), kRaw);
    ASSERT_EQ(c().get("DescriptorCount").number(), 3);
    EXPECT_EQ(c().get("DescriptorId", {I4(0)}).text(), "00AB00AD00AE");
    EXPECT_EQ(c().get("DescriptorUuid", {I4(0)}).text(), "00002901-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(c().get("DescriptorDescription", {I4(0)}).text(), "Characteristic User Description");
    EXPECT_EQ(c().get("DescriptorDescription", {I4(1)}).text(), "Client Characteristic Configuration");
    EXPECT_EQ(c().get("DescriptorDescription", {I4(2)}).text(), "");
    EXPECT_EQ(static_cast<uint32_t>(c().get("DescriptorUuid", {I4(3)}).scode), 0x800A017Du);
    EXPECT_EQ(c().config("LastError"), "Invalid DescriptorIndex (out of bounds).");

    // Selecting a service again clears the characteristic and so the descriptor arrays.
    ASSERT_TRUE(c().put("Service", Str(kVendor)).ok());
    EXPECT_EQ(c().get("Characteristic").text(), "");
    EXPECT_EQ(c().get("DescriptorCount").number(), 0);
}

TEST_F(Tree, ServiceAndCharacteristicSelectionRules)
{
    ASSERT_TRUE(c().put("Service", Str(kBattery)).ok());
    ASSERT_TRUE(c().put("Characteristic", Str(kLevel)).ok());
    // An undiscovered service fails and still clears the characteristic.
    Outcome o = c().put("Service", Str("009900000000"));
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Au);
    EXPECT_EQ(o.description, "No service with the ID \"009900000000\" has been discovered.");
    EXPECT_EQ(c().get("Service").text(), kBattery);
    EXPECT_EQ(c().get("Characteristic").text(), "");

    o = c().put("Characteristic", Str(kModel));   // belongs to another service
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Au);
    EXPECT_EQ(o.description, "No characteristic with the ID \"002000220000\" has been discovered for the service "
                             "with ID \"001000000000\".");
    ASSERT_TRUE(c().put("Characteristic", Str(kLevel)).ok());
    ASSERT_TRUE(c().put("Characteristic", Str("")).ok());
    EXPECT_EQ(c().get("Characteristic").text(), "");
    ASSERT_TRUE(c().put("Service", Str("")).ok());
    EXPECT_EQ(c().get("CharacteristicCount").number(), 0);
    o = c().put("Characteristic", Str(kLevel));
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Bu);
}

TEST_F(Tree, SelectSetsBothAndRestoresOnFailure)
{
    Outcome o = c().call("Select", {Str(""), Str(kLevel)});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A4EEBu);   // 202
    EXPECT_EQ(o.description, "Must supply a service ID.");
    EXPECT_EQ(o.helpContext, 44014u);

    ASSERT_TRUE(c().call("Select", {Str(kBattery), Str(kLevel)}).ok());
    EXPECT_EQ(c().get("Service").text(), kBattery);
    EXPECT_EQ(c().get("Characteristic").text(), kLevel);
    EXPECT_EQ(c().get("DescriptorCount").number(), 2);

    // Only the service: the characteristic is cleared.
    ASSERT_TRUE(c().call("Select", {Str(kVendor), Str("")}).ok());
    EXPECT_EQ(c().get("Service").text(), kVendor);
    EXPECT_EQ(c().get("Characteristic").text(), "");

    // The same service in another case only sets the characteristic.
    ASSERT_TRUE(c().call("Select", {Str("00ab00000000"), Str(kRaw)}).ok());
    EXPECT_EQ(c().get("Service").text(), kVendor);
    EXPECT_EQ(c().get("Characteristic").text(), kRaw);

    // Another service with a characteristic it does not have: the old service comes back,
    // with its characteristic arrays and no characteristic selected.
    o = c().call("Select", {Str(kBattery), Str(kRaw)});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Au);
    EXPECT_EQ(o.description, "No characteristic with the ID \"00AB00AD0000\" has been discovered for the service "
                             "with ID \"001000000000\".");
    EXPECT_EQ(c().get("Service").text(), kVendor);
    EXPECT_EQ(c().get("Characteristic").text(), "");
    EXPECT_EQ(c().get("CharacteristicId", {I4(0)}).text(), kRaw);

    // An undiscovered service fails as the Service property does.
    o = c().call("Select", {Str("777700000000"), Str(kRaw)});
    EXPECT_EQ(o.description, "No service with the ID \"777700000000\" has been discovered.");
}

TEST_F(Tree, CharacteristicCountResizesTheSelectedServiceWithEmptyRecords)
{
    ASSERT_TRUE(c().call("Select", {Str(kBattery), Str(kLevel)}).ok());
    ASSERT_TRUE(c().put("CharacteristicCount", I2(3)).ok());
    EXPECT_EQ(c().get("CharacteristicCount").number(), 3);
    EXPECT_EQ(c().get("CharacteristicId", {I4(2)}).text(), "");   // a record created on demand
    EXPECT_EQ(c().get("CharacteristicUuid", {I4(2)}).text(), "");
    EXPECT_EQ(c().get("CharacteristicFlags", {I4(2)}).number(), 0);
    EXPECT_EQ(c().get("CharacteristicValueFormatIndex", {I4(2)}).number(), -1);
    EXPECT_EQ(c().get("Characteristic").text(), kLevel);

    ASSERT_TRUE(c().put("CharacteristicCount", I2(-4)).ok());   // counts as 0
    EXPECT_EQ(c().get("CharacteristicCount").number(), 0);
    EXPECT_EQ(c().get("Characteristic").text(), "");   // the selected record is gone
    EXPECT_EQ(c().get("DescriptorCount").number(), 0);
}

TEST_F(Tree, IndexMethodsCheckTheirIndexWith432)
{
    ASSERT_TRUE(c().call("Select", {Str(kBattery), Str(kLevel)}).ok());
    struct Case {
        const char* method;
        int16_t index;
        const char* text;
        uint32_t context;
    };
    for (const Case& k : {Case{"CheckCharacteristicSubscribed", 1, "Invalid CharacteristicIndex (out of bounds).", 44001},
                          Case{"CheckCharacteristicSubscribed", -1, "Invalid CharacteristicIndex (out of bounds).", 44001},
                          Case{"QueryCharacteristicCachedVal", 5, "Invalid CharacteristicIndex (out of bounds).", 44011},
                          Case{"QueryDescriptorCachedVal", 2, "Invalid DescriptorIndex (out of bounds).", 44012},
                          Case{"QueryDescriptorCachedVal", -32768, "Invalid DescriptorIndex (out of bounds).", 44012}}) {
        const Outcome o = c().call(k.method, {I2(k.index)});
        EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A4FD1u) << k.method;   // 432 + 20001
        EXPECT_EQ(o.description, k.text);
        EXPECT_EQ(o.helpContext, k.context);
    }
    // In range they reach the device: cached reads fire no Value event.
    Sink sink(c());
    Outcome o = c().call("QueryCharacteristicCachedVal", {I2(0)});
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.text(), "d");
    o = c().call("QueryDescriptorCachedVal", {I2(0)});
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.value.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(o.value.bstrVal), 2u);   // two zero bytes
    EXPECT_TRUE(sink->calls.empty());
    EXPECT_EQ(c().call("CheckCharacteristicSubscribed", {I2(0)}).number(), VARIANT_FALSE);
    ASSERT_TRUE(c().call("Subscribe", {Str(kBattery), Str(kLevel)}).ok());
    EXPECT_EQ(c().call("CheckCharacteristicSubscribed", {I2(0)}).number(), VARIANT_TRUE);
}

TEST_F(Tree, ValueFormatsOfTheSelectedEntry)
{
    ASSERT_TRUE(c().put("Service", Str(kVendor)).ok());
    EXPECT_EQ(c().get("CharacteristicValueFormatCount", {I4(0)}).number(), 2);
    EXPECT_EQ(c().get("CharacteristicValueFormatIndex", {I4(0)}).number(), 0);
    EXPECT_EQ(c().get("CharacteristicValueFormat", {I4(0)}).number(), 14);   // vfSInt16
    EXPECT_EQ(c().get("CharacteristicValueExponent", {I4(0)}).number(), -2);
    EXPECT_EQ(c().get("CharacteristicValueUnit", {I4(0)}).text(), "0000272F-0000-1000-8000-00805F9B34FB");

    ASSERT_TRUE(c().putAt("CharacteristicValueFormatIndex", I4(0), I2(1)).ok());
    EXPECT_EQ(c().get("CharacteristicValueFormatIndex", {I4(0)}).number(), 1);
    EXPECT_EQ(c().get("CharacteristicValueFormat", {I4(0)}).number(), 0);   // type 200: vfUndefined
    EXPECT_EQ(c().get("CharacteristicValueExponent", {I4(0)}).number(), 3);
    EXPECT_EQ(c().get("CharacteristicValueUnit", {I4(0)}).text(), "00002700-0000-1000-8000-00805F9B34FB");

    for (int16_t bad : {2, -1, 100}) {
        const Outcome o = c().putAt("CharacteristicValueFormatIndex", I4(0), I2(bad));
        EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A4EEBu) << bad;
        EXPECT_EQ(o.description, "Invalid value format index.");
        EXPECT_EQ(o.helpContext, 24013u);
    }
    EXPECT_EQ(c().get("CharacteristicValueFormatIndex", {I4(0)}).number(), 1);

    // Without formats: -1, and only -1 may be set.
    ASSERT_TRUE(c().put("Service", Str(kInfo)).ok());
    EXPECT_EQ(c().get("CharacteristicValueFormatCount", {I4(0)}).number(), 0);
    EXPECT_EQ(c().get("CharacteristicValueFormatIndex", {I4(0)}).number(), -1);
    EXPECT_EQ(c().get("CharacteristicValueFormat", {I4(0)}).number(), 0);
    EXPECT_EQ(c().get("CharacteristicValueExponent", {I4(0)}).number(), 0);
    EXPECT_EQ(c().get("CharacteristicValueUnit", {I4(0)}).text(), "");
    EXPECT_TRUE(c().putAt("CharacteristicValueFormatIndex", I4(0), I2(-1)).ok());
    EXPECT_EQ(c().putAt("CharacteristicValueFormatIndex", I4(0), I2(0)).scode, corvel::hresultForError(202));
    EXPECT_EQ(static_cast<uint32_t>(c().putAt("CharacteristicValueFormatIndex", I4(1), I2(-1)).scode),
              0x800A017Du);
}

TEST_F(Tree, GattObjTreeInfoListsEveryObjectInTreeOrder)
{
    ASSERT_TRUE(c().call("DiscoverServices", {Str(""), Str(kBattery)}).ok());
    ASSERT_TRUE(c().call("Subscribe", {Str(kBattery), Str(kLevel)}).ok());
    const std::string expected =
        "GATT Object Tree Info [>Services, >>Characteristics, >>>Descriptors]:\r\n"
        ">0000180F-0000-1000-8000-00805F9B34FB \"Battery Service\" [ID=001000000000, ParentSvcIds=\"\", "
        "IncludedSvcIds=\"00AB00000000\"]\r\n"
        ">>00002A19-0000-1000-8000-00805F9B34FB \"Battery Level\" [ID=001000120000, Flags=0x12 (R,N), "
        "Subscribed=True, UserDescr=\"\", VFCount=1]\r\n"
        ">>>00002902-0000-1000-8000-00805F9B34FB \"Client Characteristic Configuration\" [ID=001000120014]\r\n"
        ">>>00002904-0000-1000-8000-00805F9B34FB \"Characteristic Presentation Format\" [ID=001000120015]\r\n"
        ">0000180A-0000-1000-8000-00805F9B34FB \"Device Information\" [ID=002000000000, ParentSvcIds=\"\", "
        "IncludedSvcIds=\"\"]\r\n"
        ">>00002A24-0000-1000-8000-00805F9B34FB \"Model Number String\" [ID=002000220000, Flags=0x2 (R), "
        "Subscribed=False, UserDescr=\"\", VFCount=0]\r\n"
        ">6E400001-B5A3-F393-E0A9-E50E24DCCA9E [ID=00AB00000000, ParentSvcIds=\"001000000000\", "
        "IncludedSvcIds=\"\"]\r\n"
        ">>6E400003-B5A3-F393-E0A9-E50E24DCCA9E [ID=00AB00AD0000, Flags=0x1FF (B,R,WWR,W,N,I,ASR,RW,WA), "
        "Subscribed=False, UserDescr=\"Sensor \"raw\"\", VFCount=2]\r\n"
        ">>>00002901-0000-1000-8000-00805F9B34FB \"Characteristic User Description\" [ID=00AB00AD00AE]\r\n"
        ">>>00002902-0000-1000-8000-00805F9B34FB \"Client Characteristic Configuration\" [ID=00AB00AD00AF]\r\n"
        ">>>00001234-0000-1000-8000-00805F9B34FB [ID=00AB00AD00B0]\r\n";
    EXPECT_EQ(c().config("GattObjTreeInfo"), expected);
    EXPECT_EQ(c().config("MaxPduSize"), "");   // no service selected
    ASSERT_TRUE(c().put("Service", Str(kBattery)).ok());
    EXPECT_EQ(c().config("MaxPduSize"), "247");
    EXPECT_EQ(static_cast<uint32_t>(c().call("Config", {Str("MaxPduSize=23")}).scode), 0x800A4E20u);
}

TEST_F(Tree, RediscoveryAddsNothingAndReportsOnlyWhenAsked)
{
    Sink sink(c());
    ASSERT_TRUE(c().call("DiscoverServices", {Str(""), Str("")}).ok());
    EXPECT_EQ(sink->named(4).size(), 3u);   // IncludeRediscovered is on by default
    EXPECT_EQ(c().get("ServiceCount").number(), 3);
    c().config("IncludeRediscovered=False");
    sink->calls.clear();
    ASSERT_TRUE(c().call("Discover", {Str(""), Str(""), Bool(true), Str("")}).ok());
    EXPECT_TRUE(sink->named(4).empty());
    EXPECT_EQ(c().get("ServiceCount").number(), 3);
    // Filters are parsed before anything else happens.
    const Outcome o = c().call("DiscoverServices", {Str("180F,12345"), Str("")});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A5079u);
    EXPECT_EQ(o.helpContext, 44008u);
    EXPECT_EQ(c().call("DiscoverCharacteristics", {Str("999900000000"), Str("")}).description,
              "No service with the ID \"999900000000\" has been discovered.");
    EXPECT_EQ(c().call("DiscoverDescriptors", {Str(kBattery), Str(kModel)}).description,
              "No characteristic with the ID \"002000220000\" has been discovered for the service with ID "
              "\"001000000000\".");
    EXPECT_EQ(c().call("Discover", {Str(""), Str(""), Bool(false), Str("999900000000")}).description,
              "No service with the ID \"999900000000\" has been discovered.");
}

TEST_F(Tree, OfflineDeviceKeepsItsTreeButRefusesWork)
{
    fake.link->goOffline();
    EXPECT_EQ(c().get("ServiceCount").number(), 3);
    EXPECT_EQ(c().call("ReadValue", {Str(kBattery), Str(kLevel), Str("")}).description,
              "You must be connected to a server to perform the requested action.");
    EXPECT_EQ(c().call("Select", {Str(kBattery), Str("")}).scode, corvel::hresultForError(605));
    fake.link->goOnline();
    EXPECT_TRUE(c().call("Select", {Str(kBattery), Str("")}).ok());

    // Disconnect empties the tree and the selection.
    Sink sink(c());
    ASSERT_TRUE(c().call("Disconnect").ok());
    EXPECT_EQ(c().get("ServiceCount").number(), 0);
    EXPECT_EQ(c().get("Service").text(), "");
    EXPECT_EQ(c().get("ServerId").text(), "");
    EXPECT_EQ(c().config("GattObjTreeInfo"),
              "GATT Object Tree Info [>Services, >>Characteristics, >>>Descriptors]:\r\n");
    const auto disconnected = sink->named(3);
    ASSERT_EQ(disconnected.size(), 1u);
    EXPECT_EQ(disconnected[0].values, (std::vector<std::string>{"0", "\"OK\""}));
    const auto logs = sink->named(6);
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0].values[1], "\"Disconnecting from server ID 001122AABBCC.\"");
    EXPECT_EQ(logs[1].values[1], "\"Disconnected from server ID 001122AABBCC.\"");
}
