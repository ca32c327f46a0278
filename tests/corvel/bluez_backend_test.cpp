// The BlueZ backend: what it makes of BlueZ's paths, flags, errors and advertised properties,
// the choice of stack, and the causes it names when BlueZ cannot be used - each against a
// private dbus-daemon, never the machine's system bus.
#include "tests/corvel/link_support.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

#include "corvel/ble/stack_factory.h"
#include "platform/bluetooth/bluez_mapping.h"
#include "platform/bluetooth/bluez_stack.h"
#include "sim/bluez/bluez_service.h"

using namespace linktest;
namespace bz = zenu::bluetooth::bluez;

namespace {

// A dbus-daemon of the test's own; `policy` goes into its default policy.
class PrivateBus {
public:
    explicit PrivateBus(const std::string& policy = "")
    {
        const std::string conf = dir_.path().toStdString() + "/bus.conf";
        std::ofstream(conf) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n"
                               "  <type>session</type>\n  <listen>unix:path="
                            << dir_.path().toStdString() << "/bus</listen>\n  <auth>EXTERNAL</auth>\n"
                            << "  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                               "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n    "
                            << policy << "\n  </policy>\n</busconfig>\n";
        daemon_.start("dbus-daemon", {"--config-file=" + QString::fromStdString(conf), "--nofork", "--nopidfile",
                                      "--print-address=1"});
        if (daemon_.waitForReadyRead(5000))
            address_ = daemon_.readLine().trimmed().toStdString();
    }
    ~PrivateBus()
    {
        daemon_.terminate();
        daemon_.waitForFinished(3000);
    }
    const std::string& address() const { return address_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    std::string address_;
};

// DBUS_SYSTEM_BUS_ADDRESS for the test's duration.
class SystemBus {
public:
    explicit SystemBus(const std::string& address)
    {
        if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
            saved_ = old;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    }
    ~SystemBus()
    {
        if (saved_)
            ::setenv("DBUS_SYSTEM_BUS_ADDRESS", saved_->c_str(), 1);
        else
            ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }

private:
    std::optional<std::string> saved_;
};

// Why a BlueZ stack on the current system bus has no adapter.
std::string adapterProblem()
{
    bt::BluezStack stack;
    auto op = stack.getDefaultAdapterAsync();
    EXPECT_TRUE(op->wait(std::chrono::seconds(10)));
    return op->status() == bt::AsyncStatus::Error ? op->errorText() : "(an adapter)";
}

} // namespace

TEST(BluezMapping, HandlesComeFromTheObjectPaths)
{
    const struct {
        const char* path;
        std::optional<uint16_t> handle;
    } cases[] = {{"/org/bluez/hci0/dev_C4_7F_51_00_10_01/service0010", 0x0010},
                 {"/org/bluez/hci0/dev_C4_7F_51_00_10_01/service0010/char0012", 0x0012},
                 {"/org/bluez/hci0/dev_C4_7F_51_00_10_01/service0010/char0012/desc0014", 0x0014},
                 {"/org/bluez/hci0/dev_X/service002a/char002B", 0x002B},
                 {"/org/bluez/hci0/dev_C4_7F_51_00_10_01", std::nullopt},
                 {"/org/bluez/hci0/dev_X/service001", std::nullopt},
                 {"/org/bluez/hci0/dev_X/char00g1", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(bz::handleFromPath(c.path), c.handle) << c.path;
    EXPECT_EQ(bz::devicePath("/org/bluez/hci0", 0xC47F51001001ull), "/org/bluez/hci0/dev_C4_7F_51_00_10_01");

    namespace p = bt::properties;
    EXPECT_EQ(bz::propertiesFromFlags({"broadcast", "read", "write-without-response", "write", "notify", "indicate",
                                       "authenticated-signed-writes", "extended-properties", "reliable-write",
                                       "writable-auxiliaries", "encrypt-read", "authorize"}),
              p::kBroadcast | p::kRead | p::kWriteWithoutResponse | p::kWrite | p::kNotify | p::kIndicate |
                  p::kAuthenticatedSignedWrites | p::kExtendedProperties | p::kReliableWrites | p::kWritableAuxiliaries);
}

TEST(BluezMapping, ErrorsBecomeStatusesAndAttCodes)
{
    using CS = bt::CommunicationStatus;
    const struct {
        const char* name;
        const char* message;
        CS status;
        std::optional<uint8_t> code;
    } cases[] = {
        {"org.bluez.Error.NotPermitted", "Read not permitted", CS::ProtocolError, 0x02},
        {"org.bluez.Error.NotPermitted", "Write not permitted", CS::ProtocolError, 0x03},
        {"org.bluez.Error.NotPermitted", "Not paired", CS::ProtocolError, 0x05},
        {"org.bluez.Error.InvalidArguments", "Invalid offset", CS::ProtocolError, 0x07},
        {"org.bluez.Error.InvalidArguments", "Invalid Length", CS::ProtocolError, 0x0D},
        {"org.bluez.Error.NotAuthorized", "Operation Not Authorized", CS::ProtocolError, 0x08},
        {"org.bluez.Error.NotSupported", "Operation is not supported", CS::ProtocolError, 0x06},
        {"org.bluez.Error.Failed", "Operation failed with ATT error: 0x85", CS::ProtocolError, 0x85},
        {"org.bluez.Error.Failed", "Operation failed with ATT error: 0x0e", CS::ProtocolError, 0x0E},
        {"org.bluez.Error.Failed", "Not connected", CS::Unreachable, std::nullopt},
        {"org.freedesktop.DBus.Error.NoReply", "", CS::Unreachable, std::nullopt},
        {"org.freedesktop.DBus.Error.UnknownObject", "", CS::Unreachable, std::nullopt},
        {"org.freedesktop.DBus.Error.AccessDenied", "", CS::AccessDenied, std::nullopt},
    };
    for (const auto& c : cases) {
        const bt::GattResult r = bz::gattResultFromError(c.name, c.message);
        EXPECT_EQ(r.status, c.status) << c.name << " " << c.message;
        EXPECT_EQ(r.protocolError, c.code) << c.name << " " << c.message;
    }
    EXPECT_EQ(bz::pairingStatusFromError("org.bluez.Error.AlreadyExists"), bt::PairingStatus::AlreadyPaired);
    EXPECT_EQ(bz::pairingStatusFromError("org.bluez.Error.AuthenticationCanceled"), bt::PairingStatus::PairingCanceled);
    EXPECT_EQ(bz::pairingStatusFromError("org.bluez.Error.AuthenticationFailed"), bt::PairingStatus::AuthenticationFailure);
    EXPECT_EQ(bz::pairingStatusFromError("org.bluez.Error.Whatever"), bt::PairingStatus::Failed);
    EXPECT_EQ(bz::watcherErrorFromError("org.bluez.Error.NotReady"), bt::BluetoothErrorCode::RadioNotAvailable);
    EXPECT_EQ(bz::watcherErrorFromError("org.bluez.Error.InProgress"), bt::BluetoothErrorCode::ResourceInUse);
}

TEST(BluezMapping, AdvertisedPropertiesGiveTheSectionsTheControlReads)
{
    bz::AdvertisedProperties p;
    p.name = "Thermo 1";
    p.uuids = {bt::Guid::sig(0x180F), *bt::Guid::parse("722383EA-0662-466F-B41F-0FD548267C10")};
    p.txPower = -4;
    p.serviceData = {{bt::Guid::sig(0x180F), {0x64}}};
    p.manufacturerData = {{0x0059, {1, 2}}};
    const bt::Advertisement a = bz::advertisementFrom(p);
    EXPECT_EQ(a.localName, "Thermo 1");
    EXPECT_EQ(a.serviceUuids, p.uuids);
    ASSERT_EQ(a.manufacturerData.size(), 1u);
    EXPECT_FALSE(a.flags);   // not observable on BlueZ 5.66
    std::vector<uint8_t> types;
    for (const auto& s : a.dataSections)
        types.push_back(s.type);
    EXPECT_EQ(types, (std::vector<uint8_t>{0x09, 0x03, 0x07, 0x0A, 0x16, 0xFF}));
    EXPECT_EQ(a.sectionsByType(0x0A)[0].data, bt::Bytes{0xFC});
    EXPECT_EQ(a.sectionsByType(0x16)[0].data, (bt::Bytes{0x0F, 0x18, 0x64}));
    EXPECT_EQ(a.sectionsByType(0xFF)[0].data, (bt::Bytes{0x59, 0x00, 1, 2}));
}

TEST(StackFactory, TheChoiceOfStack)
{
    std::string problem = "x";
    EXPECT_EQ(corvel::createBluetoothStack("bluez", &problem)->description(), "BlueZ");
    EXPECT_EQ(problem, "");
    EXPECT_EQ(corvel::createBluetoothStack("", &problem)->description(), "BlueZ");
    EXPECT_EQ(corvel::createBluetoothStack("winrt", &problem)->description(), "BlueZ");
    EXPECT_NE(problem.find("\"winrt\""), std::string::npos) << problem;
    EXPECT_EQ(corvel::createBluetoothStack("sim:/nonexistent/scenario.json", &problem)->description(), "BlueZ");
    EXPECT_NE(problem.find("/nonexistent/scenario.json"), std::string::npos) << problem;

    const std::string path = testing::TempDir() + "/factory_scenario.json";
    std::ofstream(path) << R"({"devices": [{"address": "00:11:22:AA:BB:CC", "name": "Probe"}]})";
    ::setenv(corvel::kStackVariable, ("sim:" + path).c_str(), 1);
    auto stack = corvel::createBluetoothStack(&problem);
    ::unsetenv(corvel::kStackVariable);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(stack->description(), "simulated: " + path);
}

TEST(BluezStack, EachReasonForNoAdapterIsNamed)
{
    ensureApp();
    {
        SystemBus bus("unix:path=/nonexistent/zenu-no-bus");
        EXPECT_NE(adapterProblem().find("the system D-Bus (unix:path=/nonexistent/zenu-no-bus) cannot be reached"),
                  std::string::npos);
    }
    {
        PrivateBus empty;
        ASSERT_FALSE(empty.address().empty());
        SystemBus bus(empty.address());
        const std::string problem = adapterProblem();
        EXPECT_NE(problem.find("bluetoothd is not running"), std::string::npos) << problem;
    }
    {
        // org.bluez is there, but this user may not talk to it.
        PrivateBus denied("<deny send_destination=\"org.bluez\"/>");
        SystemBus bus(denied.address());
        std::string error;
        auto service = zenu::sim::BluezService::start(sim::SimStack::create(basicScenario()), denied.address(), &error);
        ASSERT_TRUE(service) << error;
        EXPECT_NE(adapterProblem().find("permission denied on the system bus"), std::string::npos);
    }
    {
        PrivateBus open;
        SystemBus bus(open.address());
        std::string error;
        auto stack = sim::SimStack::create(basicScenario());
        auto service = zenu::sim::BluezService::start(stack, open.address(), &error);
        ASSERT_TRUE(service) << error;
        // As "bluetoothctl power off" does it.
        auto power = [&](bool on) {
            QDBusConnection c = QDBusConnection::connectToBus(QString::fromStdString(open.address()), "power");
            QDBusMessage m = QDBusMessage::createMethodCall("org.bluez", "/org/bluez/hci0",
                                                            "org.freedesktop.DBus.Properties", "Set");
            m << QString("org.bluez.Adapter1") << QString("Powered") << QVariant::fromValue(QDBusVariant(on));
            EXPECT_EQ(c.call(m, QDBus::Block, 5000).type(), QDBusMessage::ReplyMessage);
            QDBusConnection::disconnectFromBus("power");
        };
        power(false);
        EXPECT_NE(adapterProblem().find("is powered off"), std::string::npos);
        power(true);
        EXPECT_EQ(adapterProblem(), "(an adapter)");
    }
}

// The layer's contract on BlueZ: operations started together end in order on the worker
// thread, none of them "in progress" (the stand-in refuses a second request on an attribute as
// BlueZ does); the echo of a read is no notification; CCCD writes subscribe through StartNotify.
TEST(BluezStack, OperationsQueueInOrderAndReadsAreNoNotifications)
{
    ensureApp();
    PrivateBus open;
    SystemBus bus(open.address());
    std::string error;
    auto sim = sim::SimStack::create(basicScenario());
    auto service = zenu::sim::BluezService::start(sim, open.address(), &error);
    ASSERT_TRUE(service) << error;
    bt::BluezStack stack;
    const auto wait = [](const auto& op) {
        EXPECT_TRUE(op->wait(std::chrono::seconds(10)));
        return op->getResults();
    };
    std::shared_ptr<bt::Device> device = wait(stack.fromBluetoothAddressAsync(kDevice));
    ASSERT_TRUE(device);
    std::shared_ptr<bt::GattCharacteristic> rw, level;
    for (const auto& s : wait(device->getGattServicesAsync(bt::CacheMode::Uncached)).services)
        for (const auto& c : wait(s->getCharacteristicsAsync(bt::CacheMode::Uncached)).characteristics) {
            if (c->attributeHandle() == 0x0022)
                rw = c;
            if (c->attributeHandle() == 0x0012)
                level = c;
        }
    ASSERT_TRUE(rw && level);
    EXPECT_EQ(device->connectionStatus(), bt::ConnectionStatus::Connected);

    std::mutex m;
    std::vector<int> ended;
    bool allOnWorker = true;
    std::vector<bt::Async<bt::GattReadResult>> reads;
    std::vector<bt::Async<bt::GattWriteResult>> writes;
    for (int i = 0; i < 6; ++i) {
        writes.push_back(rw->writeValueWithResultAsync({static_cast<uint8_t>('0' + i)}, bt::WriteOption::WriteWithResponse));
        writes.back()->setCompleted([&, i](auto&, bt::AsyncStatus) {
            std::lock_guard lock(m);
            ended.push_back(2 * i);
            allOnWorker = allOnWorker && bt::onStackWorkerThread();
        });
        reads.push_back(rw->readValueAsync(bt::CacheMode::Uncached));
        reads.back()->setCompleted([&, i](auto&, bt::AsyncStatus) {
            std::lock_guard lock(m);
            ended.push_back(2 * i + 1);
            allOnWorker = allOnWorker && bt::onStackWorkerThread();
        });
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(wait(writes[i]).ok());
        const bt::GattReadResult r = wait(reads[i]);
        EXPECT_TRUE(r.ok()) << bt::toString(r.status);
        EXPECT_EQ(r.value, bt::Bytes{static_cast<uint8_t>('0' + i)});
    }
    // A handler runs just after its operation's waiters are woken.
    EXPECT_TRUE(pumpUntil([&] {
        std::lock_guard lock(m);
        return ended.size() == 12;
    }));
    {
        std::lock_guard lock(m);
        EXPECT_EQ(ended, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
        EXPECT_TRUE(allOnWorker);
    }

    std::vector<bt::Bytes> notified;
    level->valueChanged.add([&](const bt::ValueChangedArgs& a) {
        std::lock_guard lock(m);
        notified.push_back(a.value);
    });
    EXPECT_TRUE(wait(level->writeClientCharacteristicConfigurationDescriptorWithResultAsync(bt::ClientConfig::Notify)).ok());
    EXPECT_EQ(sim->clientConfig(kDevice, 0x0012), 1);
    EXPECT_EQ(wait(level->readValueAsync(bt::CacheMode::Uncached)).value, bt::Bytes{0x64});
    sim->sendValue(kDevice, 0x0012, {0x42});
    ASSERT_TRUE(pumpUntil([&] {
        std::lock_guard lock(m);
        return !notified.empty();
    }));
    pump(50);
    std::lock_guard lock(m);
    EXPECT_EQ(notified, (std::vector<bt::Bytes>{{0x42}}));
}

// BlueZ answers Disconnect before it signals the link down: a device closed and made again
// for the address at once must open a link of its own, not wait on the closing one.
TEST(BluezStack, ADeviceMadeRightAfterCloseOpensItsOwnLink)
{
    ensureApp();
    PrivateBus open;
    SystemBus bus(open.address());
    std::string error;
    auto service = zenu::sim::BluezService::start(sim::SimStack::create(basicScenario()), open.address(), &error);
    ASSERT_TRUE(service) << error;
    bt::BluezStack stack;
    const auto wait = [](const auto& op) {
        EXPECT_TRUE(op->wait(std::chrono::seconds(10)));
        return op->getResults();
    };
    for (int round = 0; round < 8; ++round) {
        std::shared_ptr<bt::Device> device = wait(stack.fromBluetoothAddressAsync(kDevice));
        ASSERT_TRUE(device) << round;
        const bt::GattServicesResult r = wait(device->getGattServicesAsync(bt::CacheMode::Uncached));
        EXPECT_TRUE(r.ok()) << round << " " << bt::toString(r.status);
        EXPECT_EQ(r.services.size(), 2u) << round;
        EXPECT_EQ(device->connectionStatus(), bt::ConnectionStatus::Connected) << round;
        device->close();
    }
}
