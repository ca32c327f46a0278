// Scenario files: every field read, problems reported with their place, the examples of the
// documentation and the demo scenario.
#include <QString>
#include <QTimeZone>
#include <fstream>
#include <set>
#include <sstream>

#include "sim/gauge_gatt.h"
#include "sim/scenario_json.h"
#include "sim_test_support.h"

using namespace simtest;

namespace {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string problemOf(const std::string& json) {
    std::string error;
    EXPECT_FALSE(parseScenario(json, &error)) << json;
    return error;
}

Scenario parsed(const std::string& json) {
    std::string error;
    auto s = parseScenario(json, &error);
    EXPECT_TRUE(s) << error;
    return s ? *s : Scenario{};
}

// The write-then-poll exchange of the program.
std::string ask(GattCharacteristic& command, const std::string& text_) {
    EXPECT_TRUE(await(command.writeValueWithResultAsync(bytes(text_), WriteOption::WriteWithResponse)).ok());
    for (int i = 0; i < 100; ++i) {
        const auto r = await(command.readValueAsync(CacheMode::Uncached));
        if (!r.value.empty()) return text(r.value);
        std::this_thread::sleep_for(5ms);
    }
    return "";
}

}  // namespace

TEST(ScenarioJson, ReadsEveryPartOfADevice) {
    const Scenario s = parsed(R"({
      "adapter": {"present": true, "lowEnergy": false, "address": "00:1A:7D:DA:71:14", "radio": false,
                  "scanStartDelayMs": 7, "scanStopDelayMs": 8, "scanAbort": "ResourceInUse"},
      "latency": {"connect": 11, "unreachable": 12, "device": 13},
      "devices": [{
        "address": "C47F51001001", "name": "Sensor", "online": false,
        "advertising": {"enabled": false, "name": "Adv", "shortenedName": true, "flags": "0x06", "txPower": -4,
                        "serviceUuids": ["180F", "3DCF8700-54E8-4FBC-A822-25EC413CA19B"], "solicitations": ["1812"],
                        "serviceData": [{"uuid": "180F", "data": [100]}],
                        "manufacturerData": [{"companyId": "0x0059", "data": {"hex": "01 02"}}],
                        "rawSections": [{"type": 22, "data": {"hex": "0F"}}],
                        "scanResponse": {"name": "Scan"}, "type": "ScanResponse", "addressType": "random",
                        "rssi": -70, "rssiJitter": 3, "intervalMs": 50},
        "pairing": {"canPair": true, "kind": "ProvidePin", "pin": "1234", "paired": true, "result": "Failed",
                    "timeoutMs": 50},
        "latency": {"read": 3},
        "gatt": {"errors": {"discover": "AccessDenied"}, "services": [
          {"handle": "0x10", "uuid": "180F", "primary": false, "includes": [16], "errors": {"discover": 10},
           "latency": {"discovery": 4},
           "characteristics": [{"handle": 18, "uuid": "2A19", "properties": ["read", "notify", "reliableWrites"],
             "value": {"text": "x"}, "userDescription": "Level",
             "formats": [{"format": 4, "exponent": -1, "unit": "0x27AD", "namespace": 1, "description": 2}],
             "descriptors": [{"handle": 30, "uuid": "2906", "value": [1, 2], "writable": true,
                              "errors": {"read": {"status": "ProtocolError", "code": "0x85", "times": 2}}}],
             "errors": {"write": "0x03", "cccdRead": "Unreachable", "cccdWrite": {"code": 253}}}]}]},
        "events": [{"type": "notify", "handle": 18, "at": 5, "every": 10, "values": ["a", [98]]},
                   {"type": "servicesChanged", "from": "subscribe", "remove": [16], "add": [{"uuid": "1812"}]},
                   {"type": "name", "from": "start", "name": "New"}]
      }],
      "events": [{"type": "radioOff", "at": 100, "error": "DisabledByUser"},
                 {"type": "offline", "device": "C4:7F:51:00:10:01", "at": 5}]
    })");
    EXPECT_FALSE(s.adapter.lowEnergy);
    EXPECT_FALSE(s.adapter.radioOn);
    EXPECT_EQ(s.adapter.address, 0x001A7DDA7114u);
    EXPECT_EQ(s.adapter.scanAbort, BluetoothErrorCode::ResourceInUse);
    EXPECT_EQ(s.latency.device, 13);
    ASSERT_EQ(s.devices.size(), 1u);
    const DeviceDef& d = s.devices[0];
    EXPECT_FALSE(d.online);
    EXPECT_EQ(d.advertising.data.name, "Adv");
    EXPECT_EQ(d.advertising.data.serviceUuids.size(), 2u);
    EXPECT_EQ(d.advertising.data.manufacturerData.at(0).data, (Bytes{1, 2}));
    EXPECT_EQ(d.advertising.data.rawSections.at(0).type, 0x16);
    EXPECT_EQ(d.advertising.scanResponse->name, "Scan");
    EXPECT_EQ(d.advertising.type, AdvertisementType::ScanResponse);
    EXPECT_EQ(d.advertising.addressType, AddressType::Random);
    EXPECT_EQ(d.pairing.kind, pairing_kinds::kProvidePin);
    EXPECT_EQ(d.pairing.result, PairingStatus::Failed);
    EXPECT_EQ(d.gatt.errors.at(ErrorOp::Discover).status, CommunicationStatus::AccessDenied);
    const ServiceDef& svc = d.gatt.services.at(0);
    EXPECT_EQ(svc.handle, 0x10);
    EXPECT_FALSE(svc.primary);
    EXPECT_EQ(svc.errors.at(ErrorOp::Discover).code, 10);
    const CharacteristicDef& c = svc.characteristics.at(0);
    EXPECT_EQ(c.properties, properties::kRead | properties::kNotify | properties::kReliableWrites);
    EXPECT_EQ(c.formats.at(0).exponent, -1);
    EXPECT_EQ(c.descriptors.at(0).errors.at(ErrorOp::Read).code, 0x85);
    EXPECT_EQ(c.descriptors.at(0).errors.at(ErrorOp::Read).times, 2);
    EXPECT_EQ(c.errors.at(ErrorOp::CccdWrite).code, 253);
    EXPECT_EQ(c.errors.at(ErrorOp::CccdRead).status, CommunicationStatus::Unreachable);
    ASSERT_EQ(d.events.size(), 3u);
    EXPECT_EQ(d.events[0].from, EventFrom::Connect);
    EXPECT_EQ(d.events[0].count, -1);
    EXPECT_EQ(d.events[0].values, (std::vector<Bytes>{bytes("a"), Bytes{98}}));
    EXPECT_EQ(d.events[1].addServices.size(), 1u);
    EXPECT_EQ(s.events.at(0).error, BluetoothErrorCode::DisabledByUser);
    EXPECT_EQ(s.events.at(1).address, 0xC47F51001001u);
    EXPECT_EQ(s.events.at(1).from, EventFrom::Start);
}

TEST(ScenarioJson, ReadsAGauge) {
    const Scenario s = parsed(R"({"devices": [{"address": "C47F51005005", "gauge": {
        "model": "KV6", "name": "KV6000 B", "serial": "12", "firmware": 900, "deviceType": "6", "unit": "mT",
        "readingUnit": "uT", "decimals": 2, "probe": {"type": "H6", "revision": "3", "serial": "X"}, "battery": 3.9,
        "clock": "2024-01-02 03:04:05", "memoryChip": "4410", "commandService": "probe", "replyDelayMs": 30,
        "listPieceSize": 12, "freeBytes": 1000, "firstFileHandle": 55, "extraFiles": ["setup"],
        "files": [{"name": "m1", "readings": [{"value": 1.5, "method": "DNF", "number": 9, "deleted": true}],
                   "generate": {"count": 3, "min": 1, "max": 2, "seed": 4, "deletedEvery": 2, "methods": ["AC", "DC"]}},
                  {"name": "s2", "values": [1, 2]}],
        "memories": [{"number": 4, "count": 9, "readings": [{"value": 5, "method": "AC", "unit": "A/cm"}],
                      "generate": {"count": 2}}],
        "live": {"intervalMs": 100, "startDelayMs": 0, "repeat": false,
                 "readings": [{"value": 1, "dual": 2, "method": "X", "unit": "mT"}], "generate": {"count": 4, "dualEvery": 2}},
        "faults": [{"kind": "disconnect", "afterBlocks": 3, "offlineMs": 500, "times": 1},
                   {"kind": "malformed", "command": "$gcv", "reply": "$gcv?x!"}]}}]})");
    ASSERT_EQ(s.devices.size(), 1u);
    const GaugeDef& g = *s.devices[0].gauge;
    EXPECT_EQ(g.model, GaugeModel::KV6);
    EXPECT_EQ(g.firmware, 900);
    EXPECT_EQ(g.clock, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), QTimeZone::utc()));
    EXPECT_TRUE(g.probeCommandService);
    EXPECT_EQ(g.firstFileHandle, 55);
    ASSERT_EQ(g.files.size(), 2u);
    EXPECT_EQ(g.files[0].readings.size(), 4u);
    EXPECT_EQ(g.files[0].readings[0].method, 3);
    EXPECT_EQ(g.files[0].readings[1].method, 5);
    EXPECT_EQ(g.files[0].readings[2].method, 4);
    EXPECT_TRUE(g.files[0].readings[2].deleted);
    EXPECT_FALSE(g.files[0].readings[3].deleted);
    EXPECT_EQ(g.memories.at(0).listedCount, 9);
    EXPECT_EQ(g.memories.at(0).readings.size(), 3u);
    EXPECT_EQ(g.live.readings.size(), 5u);
    EXPECT_EQ(g.live.readings[0].dualValue, 2.0);
    EXPECT_TRUE(g.live.readings[2].dualValue);
    EXPECT_EQ(g.faults.at(0).command, "$rd");
    EXPECT_EQ(g.faults.at(1).kind, FaultKind::Malformed);
}

TEST(ScenarioJson, NonConnectableDevices) {
    const Scenario s = parsed(R"({"devices": [{"address": "C47F51001001", "connectable": false},
        {"address": "C47F51001002", "connectable": false, "advertising": {"rssi": -40}},
        {"address": "C47F51001003", "connectable": false, "advertising": {"type": "ScannableUndirected"}}]})");
    ASSERT_EQ(s.devices.size(), 3u);
    EXPECT_FALSE(s.devices[0].connectable);
    EXPECT_EQ(s.devices[0].advertising.type, AdvertisementType::NonConnectableUndirected);
    EXPECT_EQ(s.devices[1].advertising.type, AdvertisementType::NonConnectableUndirected);
    EXPECT_EQ(s.devices[1].advertising.rssi, -40);
    EXPECT_EQ(s.devices[2].advertising.type, AdvertisementType::ScannableUndirected);
}

TEST(ScenarioJson, GenerateIsDeterministic) {
    const std::string json = R"({"devices": [{"address": "C47F51005005", "gauge": {"model": "QX",
        "files": [{"name": "m1", "generate": {"count": 20, "min": 10, "max": 20, "seed": 7}}]}}]})";
    const auto a = parsed(json).devices[0].gauge->files[0].readings;
    const auto b = parsed(json).devices[0].gauge->files[0].readings;
    ASSERT_EQ(a.size(), 20u);
    std::set<double> distinct;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].value, b[i].value);
        EXPECT_GE(a[i].value, 10);
        EXPECT_LE(a[i].value, 20);
        EXPECT_DOUBLE_EQ(a[i].value * 10, std::round(a[i].value * 10));  // the model's one decimal
        distinct.insert(a[i].value);
    }
    EXPECT_GT(distinct.size(), 10u);
}

TEST(ScenarioJson, ProblemsSayWhere) {
    EXPECT_EQ(problemOf("{\n\"devices\": [\n}").rfind("line 3: ", 0), 0u);
    EXPECT_EQ(problemOf(R"({"device": []})"), "scenario: unknown field \"device\"");
    EXPECT_EQ(problemOf(R"({"devices": [{"name": "x"}]})"), "devices[0]: the device needs an \"address\"");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F5100100"}]})"),
              "devices[0].address: a Bluetooth address is expected (\"C4:7F:51:00:10:01\")");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "gatt": {"services": [{"uuid": "18G"}]}}]})"),
              "devices[0].gatt.services[0].uuid: a UUID is expected (\"180F\" or \"XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX\")");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "gatt": {"services": [{"uuid": "180F",
        "characteristics": [{"uuid": "2A19", "properties": ["reed"]}]}]}}]})"),
              "devices[0].gatt.services[0].characteristics[0].properties[0]: a property such as \"read\", \"write\" or "
              "\"notify\" is expected");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "gatt": {"services": [{"uuid": "180F",
        "handle": 70000}]}}]})"),
              "devices[0].gatt.services[0].handle: must lie between 1 and 65535");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "gauge": {"model": "QY"}}]})"),
              "devices[0].gauge.model: a model is expected: QX, KV4, KV6, KV8, WB1, WB2, JZ, XK or VQB");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "gauge": {"model": "QX", "serial": "4 7"}}]})"),
              "devices[0].gauge: identity values may hold neither \":\" nor blanks (\"4 7\")");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "gauge": {"model": "QX",
        "faults": [{"kind": "malformed", "command": "$gcv"}]}}]})"),
              "devices[0].gauge.faults[0]: a \"malformed\" fault needs the \"reply\" to send");
    EXPECT_EQ(problemOf(R"({"events": [{"type": "offline", "at": 5}]})"),
              "events[0]: the event needs the \"device\" it happens to");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "events": [{"type": "radioOff"}]}]})"),
              "devices[0].events[0].from: radio events count from \"start\"");
    EXPECT_EQ(problemOf(R"({"devices": [{"address": "C47F51001001", "gatt": {"services": [{"uuid": "180F",
        "characteristics": [{"uuid": "2A19", "value": {"hex": "0G"}}]}]}}]})"),
              "devices[0].gatt.services[0].characteristics[0].value: a value is expected: a text, {\"hex\": \"...\"} "
              "or a list of bytes");
}

TEST(ScenarioJson, ProblemsOfTheWholeScenario) {
    std::string error;
    EXPECT_FALSE(SimStack::fromJson(R"({"devices": [{"address": "C47F51001001"}, {"address": "C4:7F:51:00:10:01"}]})",
                                    "twice.json", &error));
    EXPECT_EQ(error, "Simulator scenario twice.json: two devices have the address C4:7F:51:00:10:01");
    EXPECT_FALSE(SimStack::fromJson(R"({"events": [{"type": "offline", "device": "C47F51001001"}]})", "x.json", &error));
    EXPECT_EQ(error, "Simulator scenario x.json: an event names the unknown device C4:7F:51:00:10:01");
    EXPECT_FALSE(SimStack::fromFile("/nonexistent.json", &error));
    EXPECT_EQ(error, "Simulator scenario /nonexistent.json: the file cannot be read.");
}

TEST(ScenarioJson, DocumentationExamplesAreValid) {
    const std::string doc = readFile(ZENU_SIMULATOR_DOC);
    ASSERT_FALSE(doc.empty());
    int examples = 0;
    for (std::size_t at = doc.find("```json"); at != std::string::npos; at = doc.find("```json", at + 1)) {
        const std::size_t start = doc.find('\n', at) + 1;
        std::string block = doc.substr(start, doc.find("```", start) - start);
        // Fragments go where they belong in a scenario.
        std::string json = block;
        if (block.rfind("\"gatt\"", 0) == 0 || block.rfind("\"events\"", 0) == 0)
            json = R"({"devices": [{"address": "C4:7F:51:00:10:01", )" + block + "}]}";
        else if (block.rfind("{\"address\"", 0) == 0)
            json = "{\"devices\": [" + block + "]}";
        std::string error;
        auto stack = SimStack::fromJson(json, "example " + std::to_string(examples), &error);
        EXPECT_TRUE(stack) << error << "\n" << block;
        ++examples;
    }
    EXPECT_GE(examples, 4);
}

TEST(DemoScenario, HasGaugesOfEveryKind) {
    const std::string json = readFile(ZENU_DEMO_SCENARIO);
    const Scenario s = parsed(json);
    std::set<char> families;
    std::set<std::string> models;
    int gauges = 0;
    for (const auto& d : s.devices) {
        if (!d.gauge) continue;
        ++gauges;
        const GaugeModelInfo& info = modelInfo(d.gauge->model);
        families.insert(info.family);
        models.insert(info.code);
        if (info.family == '5') EXPECT_FALSE(d.gauge->files.empty()) << info.code;
        else EXPECT_FALSE(d.gauge->memories.empty()) << info.code;
        EXPECT_FALSE(d.gauge->live.readings.empty()) << info.code;
    }
    EXPECT_GE(gauges, 5);
    EXPECT_EQ(families, (std::set<char>{'4', '5'}));
    EXPECT_GE(models.size(), 5u);
}

TEST(DemoScenario, EveryGaugeAnswersAndStreams) {
    std::string error;
    auto stack = SimStack::fromFile(ZENU_DEMO_SCENARIO, &error);
    ASSERT_TRUE(stack) << error;
    const Scenario s = parsed(readFile(ZENU_DEMO_SCENARIO));
    for (const auto& d : s.devices) {
        if (!d.gauge) continue;
        auto device = connect(*stack, d.address);
        std::shared_ptr<GattCharacteristic> command, info;
        for (const auto& svc : await(device->getGattServicesAsync(CacheMode::Uncached)).services)
            for (const auto& c : await(svc->getCharacteristicsAsync(CacheMode::Uncached)).characteristics) {
                if (c->uuid() == gauge_uuids::kCommand) command = c;
                if (c->uuid() == gauge_uuids::kStorageInformation) info = c;
            }
        ASSERT_TRUE(command && info);
        EXPECT_EQ(ask(*command, "$zenu00!").rfind("$zenu00T:", 0), 0u) << device->name();
        if (modelInfo(d.gauge->model).family == '5') {
            const std::string list = ask(*command, "$ls!");
            EXPECT_EQ(list.rfind("$ls?", 0), 0u);
        } else {
            const std::string directory = text(await(info->readValueAsync(CacheMode::Uncached)).value);
            EXPECT_EQ(directory.substr(0, 1), std::to_string(d.gauge->memories.size()));
        }
        device->close();
    }
}
