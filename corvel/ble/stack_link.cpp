// The link's connection: the device object, pairing, the device's events, Disconnect, and
// the stack a new control gets.
#include "corvel/ble/stack_link.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "corvel/ble/await_operation.h"
#include "corvel/ble/check_result.h"
#include "corvel/core/control_core.h"
#include "corvel/sig/errors.h"
#include "corvel/ble/stack_factory.h"

namespace corvel {

namespace bt = zenu::bluetooth;

StackLink::StackLink(std::shared_ptr<bt::BluetoothStack> stack) : stack_(std::move(stack)) {}

StackLink::~StackLink()
{
    // Nothing the stack raises from now on may reach this link.
    if (watcher_) {
        watcher_->received.remove(receivedToken_);
        watcher_->stopped.remove(stoppedToken_);
        const bt::WatcherStatus s = watcher_->status();
        if (s == bt::WatcherStatus::Started || s == bt::WatcherStatus::Stopping)
            watcher_->stop();
    }
    if (device_)
        releaseDevice();
}

void StackLink::attach(ControlCore& core)
{
    BleLink::attach(core);
    poster_ = core.hostLoop().poster();
}

void StackLink::log(int level, const char* logType, const std::string& message)
{
    core().log(level, logType, message);
}

Status StackLink::checkResult(const bt::GattResult& result, const char* logType)
{
    log(1, logType, resultStatusLine(result.status, result.protocolError));
    return resultError(result.status, result.protocolError);
}

void StackLink::logStackProblem(const char* logType)
{
    if (stackProblem_.empty())
        return;
    log(1, logType, "The chosen Bluetooth stack is not available, BlueZ is used: " + stackProblem_);
    stackProblem_.clear();
}

std::string StackLink::serverName() const { return device_ ? device_->name() : std::string(); }

// ---------------------------------------------------------------- Connect

Status StackLink::connect(uint64_t address, const std::string& serverIdArg)
{
    const std::string serverId = serverIdArg;
    logStackProblem("Connection");
    const std::string unsuccessful = "Connection to server ID " + serverId + " was unsuccessful.";

    const bt::Async<std::shared_ptr<bt::Device>> lookup = stack_->fromBluetoothAddressAsync(address);
    std::optional<std::shared_ptr<bt::Device>> found = awaitOperation(core(), lookup);
    // Why the stack has no device (bluetoothd not running, radio off, ...) goes to the log.
    if (!found && lookup && lookup->status() == bt::AsyncStatus::Error && !lookup->errorText().empty())
        log(1, "Connection", lookup->errorText());
    if (!found || !*found)
        return Status::failure(kErrConnectionFailed, unsuccessful);
    std::shared_ptr<bt::Device> device = *found;
    const uint64_t generation = ++generation_;
    const HostLoop::Poster poster = poster_;
    pairedByUs_ = false;
    serverId_ = serverId;

    // A device that is paired already needs no ceremony (asking again would only fail
    // with AlreadyPaired).
    bt::DevicePairing& pairing = device->pairing();
    if (core().settings().pairingMode == 1 && pairing.canPair() && !pairing.isPaired()) {
        device_ = device;
        pairingToken_ = pairing.pairingRequested.add([this, poster, generation](
                                                         const std::shared_ptr<bt::PairingRequest>& request) {
            // Answered on the host thread; the request waits for the deferral.
            std::shared_ptr<bt::PairingRequest::Deferral> deferral = request->getDeferral();
            poster.post([this, generation, request, deferral] { onPairingRequested(generation, request, deferral); });
        });
        const uint32_t kinds = bt::pairing_kinds::kConfirmOnly | bt::pairing_kinds::kProvidePin |
                               bt::pairing_kinds::kConfirmPinMatch;
        std::optional<bt::PairingResult> paired = awaitOperation(core(), pairing.pairAsync(kinds));
        const bool ok = paired && (paired->status == bt::PairingStatus::Paired ||
                                   paired->status == bt::PairingStatus::AlreadyPaired);
        if (!ok) {
            pairing.pairingRequested.remove(pairingToken_);
            pairingToken_ = 0;
            device_.reset();
            ++generation_;
            return Status::failure(kErrConnectionFailed,
                                   paired ? "Connection to server ID " + serverId + " was unsuccessful, status " +
                                                pairingStatusName(static_cast<int>(paired->status)) + "."
                                          : unsuccessful);
        }
        pairedByUs_ = paired->status == bt::PairingStatus::Paired;
    }

    servicesToken_ = device->gattServicesChanged.add([this, poster, generation](const std::string& change) {
        poster.post([this, generation, change] { onServicesChanged(generation, change); });
    });
    nameToken_ = device->nameChanged.add([this, poster, generation](const std::string& name) {
        poster.post([this, generation, name] { onNameChanged(generation, name); });
    });
    device_ = device;
    disconnectedMark_ = false;
    return {};
}

void StackLink::connectedFired()
{
    if (!device_ || statusToken_)
        return;
    const HostLoop::Poster poster = poster_;
    const uint64_t generation = generation_;
    statusToken_ = device_->connectionStatusChanged.add([this, poster, generation](bt::ConnectionStatus status) {
        poster.post([this, generation, status] { onConnectionStatus(generation, status); });
    });
}

void StackLink::onPairingRequested(uint64_t generation, const std::shared_ptr<bt::PairingRequest>& request,
                                   const std::shared_ptr<bt::PairingRequest::Deferral>& deferral)
{
    if (generation == generation_ && device_) {
        std::string pin = request->pin();
        bool accept = false;   // declined unless the host accepts
        const int kind = static_cast<int>(request->pairingKind());
        if (EventSink* sink = core().eventSink())
            sink->onPairingRequest(serverId_, static_cast<int16_t>(kind), pin, accept);
        if (accept) {
            if (kind != static_cast<int>(bt::pairing_kinds::kProvidePin))
                request->accept();
            else if (!pin.empty())
                request->accept(pin);
        }
    }
    deferral->complete();
}

void StackLink::onConnectionStatus(uint64_t generation, bt::ConnectionStatus status)
{
    if (generation != generation_ || !device_)
        return;
    const bool online = status == bt::ConnectionStatus::Connected;
    log(3, logtype::kDebug,
        std::string("System updated device connection status to \"") + (online ? "Connected" : "Disconnected") +
            "\".");
    EventSink* sink = core().eventSink();
    if (online && disconnectedMark_) {
        disconnectedMark_ = false;
        if (sink)
            sink->onConnected(0, "Online");
    } else if (!online && !disconnectedMark_) {
        disconnectedMark_ = true;
        if (sink)
            sink->onDisconnected(0, "Offline");
    }
}

void StackLink::onNameChanged(uint64_t generation, const std::string& name)
{
    if (generation != generation_ || !device_)
        return;
    log(2, logtype::kVerbose, "Server's name has changed to " + name);
    if (EventSink* sink = core().eventSink())
        sink->onServerUpdate(name, "");
}

void StackLink::onServicesChanged(uint64_t generation, const std::string& change)
{
    if (generation != generation_ || !device_)
        return;
    log(2, logtype::kVerbose, "Server's services have changed.");
    if (EventSink* sink = core().eventSink())
        sink->onServerUpdate("", change);
}

// ---------------------------------------------------------------- Disconnect

Status StackLink::disconnect()
{
    if (!device_)
        return {};
    // Only a pairing this control made is undone: a bond the user made elsewhere stays.
    if (pairedByUs_ && device_->pairing().isPaired()) {
        std::shared_ptr<bt::Device> device = device_;
        awaitOperation(core(), device->pairing().unpairAsync());
    }
    if (device_)
        releaseDevice();
    disconnectedMark_ = true;
    return {};
}

void StackLink::releaseDevice()
{
    std::shared_ptr<bt::Device> device = std::move(device_);
    device_.reset();
    ++generation_;
    pairedByUs_ = false;
    device->nameChanged.remove(nameToken_);
    device->gattServicesChanged.remove(servicesToken_);
    device->connectionStatusChanged.remove(statusToken_);
    device->pairing().pairingRequested.remove(pairingToken_);
    nameToken_ = servicesToken_ = statusToken_ = pairingToken_ = 0;
    for (auto& [id, c] : characteristics_)
        c.object->valueChanged.remove(c.valueChanged);
    characteristics_.clear();
    descriptors_.clear();
    services_.clear();
    includeChain_.clear();
    device->close();
}

// ---------------------------------------------------------------- the stack of a new control

namespace {

// `problem`: why the choice could not be honoured, "" when it was.
std::shared_ptr<bt::BluetoothStack> processStack(std::string& problem)
{
    // One stack per process and choice, as the operating system has one: controls of the
    // process share it while any of them lives.
    static std::mutex m;
    static std::weak_ptr<bt::BluetoothStack> current;
    static std::string currentSelection;
    static std::string currentProblem;
    const char* value = std::getenv(kStackVariable);
    const std::string selection = value ? value : "";
    std::lock_guard lock(m);
    if (std::shared_ptr<bt::BluetoothStack> s = current.lock(); s && selection == currentSelection) {
        problem = currentProblem;
        return s;
    }
    std::shared_ptr<bt::BluetoothStack> s = createBluetoothStack(selection, &problem);
    if (!problem.empty())
        std::fprintf(stderr, "corvelctl: %s\n", problem.c_str());
    current = s;
    currentSelection = selection;
    currentProblem = problem;
    return s;
}

} // namespace

std::unique_ptr<BleLink> createStackLink(std::shared_ptr<bt::BluetoothStack> stack)
{
    std::string problem;
    if (!stack)
        stack = processStack(problem);
    auto link = std::make_unique<StackLink>(std::move(stack));
    link->setStackProblem(std::move(problem));
    return link;
}

void installStackLinkFactory()
{
    setBleLinkFactory([]() -> std::unique_ptr<BleLink> { return createStackLink(); });
}

} // namespace corvel
