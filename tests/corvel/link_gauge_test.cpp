// A simulated gauge driven through the control the way the program drives it: discovery of
// the command and data sides by UUID, commands written with WriteValue and their replies
// polled with ReadValue from inside the WriteResponse handler, the connection
// initialisation, a family "5" memory download, a family "4" memory read, live readings,
// and the gauge's faults.
#include "tests/corvel/link_support.h"

#include "sim/gauge_def.h"

#include <QTimeZone>

using namespace linktest;
using namespace corvel;

namespace {

constexpr uint64_t kGauge5 = 0xC47F51005005ull;
constexpr uint64_t kGauge4 = 0xC47F51004004ull;
constexpr const char* kCommandService = "722383EA-0662-466F-B41F-0FD548267C10";
constexpr const char* kCommand = "000028CA-0000-1000-8000-00805F9B34FB";
constexpr const char* kDataService = "3DCF8700-54E8-4FBC-A822-25EC413CA19B";
constexpr const char* kStorageInformation = "3DCF8701-54E8-4FBC-A822-25EC413CA19B";
constexpr const char* kStorageData = "3DCF8702-54E8-4FBC-A822-25EC413CA19B";
constexpr const char* kMeasurement = "3DCF8703-54E8-4FBC-A822-25EC413CA19B";

sim::FileReading fileReading(double value, bool deleted = false)
{
    sim::FileReading r;
    r.value = value;
    r.deleted = deleted;
    return r;
}

sim::StoredReading stored(double value)
{
    sim::StoredReading r;
    r.value = value;
    return r;
}

sim::LiveReading liveReading(double value, std::optional<double> dual = std::nullopt)
{
    sim::LiveReading r;
    r.value = value;
    r.dualValue = dual;
    return r;
}

QDateTime at(const char* iso)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    t.setTimeZone(QTimeZone::utc());
    return t;
}

sim::DeviceDef family5Gauge()
{
    sim::GaugeDef g;
    g.model = sim::GaugeModel::QX;
    g.serial = "4711";
    g.clock = at("2024-05-02T09:15:00");
    sim::GaugeFile m;
    m.name = "m001";
    m.title = "Bridge A";
    m.timestamp = at("2024-05-02T09:00:00");
    for (int i = 0; i < 7; ++i)
        m.readings.push_back(fileReading(100.0 + i, i == 3));
    sim::GaugeFile s;
    s.name = "s002";
    s.readings = {fileReading(12.5), fileReading(13.1)};
    g.files = {m, s};
    g.live.startDelayMs = 20;
    g.live.intervalMs = 30;
    g.live.readings = {liveReading(101.2), liveReading(99.8, 104.0)};
    sim::DeviceDef d;
    d.address = kGauge5;
    d.gauge = g;
    return d;
}

sim::DeviceDef family4Gauge()
{
    sim::GaugeDef g;
    g.model = sim::GaugeModel::KV8;
    g.serial = "815";
    g.clock = at("2024-05-02T09:15:00");
    sim::StoredMemory one;
    one.number = 1;
    one.readings = {stored(10.25), stored(11.5), stored(12.75), stored(9.0), stored(8.5), stored(7.25), stored(6.0)};
    sim::StoredMemory two;
    two.number = 2;
    two.readings = {stored(1.0)};
    g.memories = {one, two};
    sim::DeviceDef d;
    d.address = kGauge4;
    d.gauge = g;
    return d;
}

sim::Scenario gauges(std::vector<sim::GaugeFault> faults5 = {})
{
    sim::Scenario s;
    s.devices = {family5Gauge(), family4Gauge()};
    s.devices[0].gauge->faults = std::move(faults5);
    return s;
}

// The program's side of the command handshake, as its BLE window does it.
class GaugeHost {
public:
    explicit GaugeHost(Harness& h) : h_(h)
    {
        h.events->hook = [this](const Ev& e, std::vector<VARIANT*>&) { onEvent(e); };
    }

    void connect(const std::string& serverId)
    {
        h_.c().config("LogLevel=0");
        h_.c().config("AutoDiscoverCharacteristics = true");
        h_.c().config("AutoDiscoverDescriptors = true");
        ASSERT_TRUE(h_.c().call("Connect", {Str(serverId)}).ok());
        const std::string services = std::string(kCommandService) + "," + kDataService;
        const Outcome d = h_.c().call("Discover", {Str(services), Str(""), Bool(true), Str("")});
        ASSERT_TRUE(d.ok()) << d.description;
        ASSERT_FALSE(commandService.empty());
        ASSERT_FALSE(command.empty());
        ASSERT_FALSE(dataService.empty());
        ASSERT_FALSE(measurement.empty());
    }

    // Writes a command and returns the reply the polling found ("" when none came).
    std::string send(const std::string& text)
    {
        pending_ = text;
        answer_.clear();
        const Outcome o = h_.c().call("WriteValue", {Str(commandService), Str(command), Str(""), Str(text)});
        EXPECT_TRUE(o.ok()) << text << ": " << o.description;
        return answer_;
    }

    std::string read(const std::string& characteristic)
    {
        const Outcome o = h_.c().call("ReadValue", {Str(dataService), Str(characteristic), Str("")});
        EXPECT_TRUE(o.ok()) << o.description;
        return o.text();
    }

    std::string commandService, command, dataService, storageInformation, storageData, measurement;
    std::vector<std::string> live;
    int pollingReads = 0;
    int failedPolls = 0;

private:
    void onEvent(const Ev& e)
    {
        if (e.dispid == EVENT_Discovered) {
            if (e.arg(0) == "0" && e.arg(4) == kCommandService)
                commandService = e.arg(1);
            if (e.arg(0) == "0" && e.arg(4) == kDataService)
                dataService = e.arg(1);
            if (e.arg(0) == "1") {
                const std::string& u = e.arg(4);
                if (u == kCommand)
                    command = e.arg(2);
                else if (u == kStorageInformation)
                    storageInformation = e.arg(2);
                else if (u == kStorageData)
                    storageData = e.arg(2);
                else if (u == kMeasurement)
                    measurement = e.arg(2);
            }
        } else if (e.dispid == EVENT_WriteResponse && e.arg(1) == command) {
            poll();
        } else if (e.dispid == EVENT_Value && e.arg(1) == command) {
            const std::string& v = e.arg(5);
            if (accumulating_) {
                if (v.empty())
                    accumulating_ = false;
                else
                    answer_ += v;
            } else if (!v.empty()) {
                answer_ = v;
                answered_ = true;
            }
        } else if (e.dispid == EVENT_Value && e.arg(1) == measurement) {
            live.push_back(e.arg(5));
        }
    }

    // Reads the command characteristic until a reply came, for at most a second (the
    // program's reply timer), from inside the WriteResponse handler.
    void poll()
    {
        const auto start = std::chrono::steady_clock::now();
        answered_ = false;
        while (!answered_ && msSince(start) < 1000) {
            ++pollingReads;
            if (!h_.c().call("ReadValue", {Str(commandService), Str(command), Str("")}).ok()) {
                ++failedPolls;
                h_.c().call("DoEvents");
            }
        }
        if (pending_.rfind("$ls", 0) == 0 && answer_.find('!') == std::string::npos) {
            accumulating_ = true;
            while (accumulating_ && msSince(start) < 2000)
                h_.c().call("ReadValue", {Str(commandService), Str(command), Str("")});
            accumulating_ = false;
        }
    }

    Harness& h_;
    std::string pending_, answer_;
    bool answered_ = false;
    bool accumulating_ = false;
};

std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

} // namespace

TEST(LinkGauge, TheConnectionInitialisationGetsEveryReply)
{
    Harness h(gauges());
    GaugeHost g(h);
    g.connect("C47F51005005");
    EXPECT_EQ(g.commandService, "002000000000");
    EXPECT_EQ(g.command, "002000220000");
    EXPECT_EQ(g.send("$zenu00!"), "$zenu00T:QX20 V:1 B:0 R:840 S:4711 H:H2 M:C47F51005005 U:ym!");
    EXPECT_EQ(g.send("$gfi!"), "$gfi?M:5440!");
    EXPECT_EQ(g.send("$gpi!"), "$gpiT:F1 R:12 S:P1001 U:ym!");
    EXPECT_EQ(g.send("$sdp?1!"), "$sdp!");
    EXPECT_EQ(g.send("$gcv!"), "$gcv?4.05!");
    EXPECT_EQ(g.send("$glt!").substr(0, 16), "$glt?2024-05-02/");
    EXPECT_EQ(g.failedPolls, 0);
    // Every value the polling read went through the Value event, on the host thread.
    for (const Ev& e : h.events->of(EVENT_Value))
        EXPECT_EQ(e.thread, std::this_thread::get_id());
}

TEST(LinkGauge, AFamily5MemoryDownloadReadsTheWholeFileInBlocks)
{
    Harness h(gauges());
    GaugeHost g(h);
    g.connect("C47F51005005");
    EXPECT_EQ(g.send("$ls!"), "$ls?000262144 m001 s002!");
    const std::string opened = g.send("$fr?m001!");
    ASSERT_EQ(opened.substr(0, 4), "$fr?");
    const auto parts = split(opened.substr(4, opened.size() - 5), ' ');
    ASSERT_EQ(parts.size(), 2u) << opened;
    const std::string handle = parts[0];
    const size_t size = std::stoul(parts[1]);
    EXPECT_EQ(size, 160u + 7u * 16u);

    std::string data;   // hex text of the file, as the program's download buffer
    for (int blocks = 0; data.size() / 2 < size && blocks < 100; ++blocks) {
        const std::string r = g.send("$rd?" + handle + " 32!");
        ASSERT_GT(r.size(), 16u) << r;
        ASSERT_EQ(r.back(), '!');
        const auto fields = split(r.substr(4, r.size() - 5), ' ');
        ASSERT_EQ(fields.size(), 4u) << r;
        EXPECT_EQ(fields[0], handle);
        EXPECT_EQ(std::stoul(fields[1]), data.size() / 2);
        EXPECT_EQ(fields[3].size(), 2 * std::stoul(fields[2]));
        data += fields[3];
    }
    EXPECT_EQ(data.size(), 2 * size);
    // Byte 4 of the header is the memory kind; the title starts at byte 8.
    EXPECT_EQ(data.substr(16, 16), "4272696467652041");   // "Bridge A"
    EXPECT_EQ(g.send("$fc?" + handle + "!"), "$fc?" + handle + " 0!");
    EXPECT_EQ(g.send("$fc?" + handle + "!"), "$fc?" + handle + " 1!");
}

TEST(LinkGauge, AFamily4MemoryIsReadThroughTheStorageCharacteristics)
{
    Harness h(gauges());
    GaugeHost g(h);
    g.connect("C47F51004004");
    EXPECT_EQ(g.read(g.storageInformation), "2\r\n1,7\r\n2,1\r\n");
    ASSERT_TRUE(h.c().call("WriteValue", {Str(g.dataService), Str(g.storageInformation), Str(""), Str("1")}).ok());
    std::string lines;
    int reads = 0;
    for (std::string block = g.read(g.storageData); !block.empty() && reads < 10; block = g.read(g.storageData)) {
        ++reads;
        lines += block;
    }
    EXPECT_EQ(reads, 2);   // five lines, then two
    const auto rows = split(lines, '\n');
    ASSERT_EQ(rows.size(), 8u);   // seven lines ended by CR LF
    EXPECT_NE(rows[0].find("10.25"), std::string::npos) << rows[0];
    EXPECT_NE(rows[6].find("6.00"), std::string::npos) << rows[6];
    ASSERT_TRUE(h.c().call("WriteValue", {Str(g.dataService), Str(g.storageInformation), Str(""), Str("-")}).ok());
    EXPECT_EQ(g.read(g.storageData), "");
}

TEST(LinkGauge, LiveReadingsArriveAsNotificationsInBothLayouts)
{
    Harness h(gauges());
    GaugeHost g(h);
    g.connect("C47F51005005");
    ASSERT_TRUE(h.c().call("Subscribe", {Str(g.dataService), Str(g.measurement)}).ok());
    ASSERT_TRUE(pumpUntil([&] { return g.live.size() >= 2; }));
    EXPECT_NE(g.live[0].find("101.2 ym   FE"), std::string::npos) << g.live[0];
    // A dual reading: the DNF line and the DFE line in one notification.
    EXPECT_NE(g.live[1].find("DNF"), std::string::npos) << g.live[1];
    EXPECT_NE(g.live[1].find("DFE"), std::string::npos) << g.live[1];
    EXPECT_EQ(g.send("$sdp?1!"), "$sdp!");
    const size_t before = g.live.size();
    ASSERT_TRUE(pumpUntil([&] { return g.live.size() >= before + 2; }));
    const std::string& blank = g.live[before + 1];
    EXPECT_EQ(blank.substr(blank.size() - 3), "!\r\n") << blank;
    ASSERT_TRUE(h.c().call("Unsubscribe", {Str(g.dataService), Str(g.measurement)}).ok());
    pump(80);
    const size_t after = g.live.size();
    pump(100);
    EXPECT_EQ(g.live.size(), after);
}

TEST(LinkGauge, ALateReplyIsPolledForAndAMissingOneEndsThePolling)
{
    sim::GaugeFault late;
    late.kind = sim::FaultKind::LateReply;
    late.command = "$gcv";
    late.delayMs = 300;
    sim::GaugeFault none;
    none.kind = sim::FaultKind::NoReply;
    none.command = "$glt";
    Harness h(gauges({late, none}));
    GaugeHost g(h);
    g.connect("C47F51005005");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(g.send("$gcv!"), "$gcv?4.05!");
    EXPECT_GE(msSince(start), 290);
    EXPECT_GT(g.pollingReads, 3);
    EXPECT_EQ(g.send("$glt!"), "");
    EXPECT_EQ(g.send("$gfi!"), "$gfi?M:5440!");
}

TEST(LinkGauge, AGaugeLeavingRangeDuringADownloadIsReportedOffline)
{
    sim::GaugeFault drop;
    drop.kind = sim::FaultKind::Disconnect;
    drop.command = "$rd";
    drop.afterBlocks = 2;
    drop.offlineMs = 2500;
    Harness h(gauges({drop}));
    GaugeHost g(h);
    g.connect("C47F51005005");
    const std::string opened = g.send("$fr?m001!");
    const std::string handle = split(opened.substr(4), ' ')[0];
    EXPECT_FALSE(g.send("$rd?" + handle + " 32!").empty());
    EXPECT_FALSE(g.send("$rd?" + handle + " 32!").empty());
    EXPECT_EQ(g.send("$rd?" + handle + " 32!"), "");
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_Disconnected) == 1; }));
    EXPECT_EQ(h.events->of(EVENT_Disconnected)[0].arg(1), "Offline");
    const Outcome o = h.c().call("WriteValue", {Str(g.commandService), Str(g.command), Str(""), Str("$gcv!")});
    EXPECT_EQ(o.description, "You must be connected to a server to perform the requested action.");
    // Back in range: the control reports it online and the gauge answers again. The bound leaves
    // room for a stack that retries its connect at intervals (BlueZ: a failed attempt, a pause, another).
    ASSERT_TRUE(pumpUntil([&] { return h.events->count(EVENT_Connected) == 2; }, 10000));
    EXPECT_EQ(h.events->of(EVENT_Connected)[1].arg(1), "Online");
    EXPECT_EQ(g.send("$gcv!"), "$gcv?4.05!");
}
