// The link's scanning: the advertisement watcher, StartScanning and StopScanning, and the
// watcher's Received and Stopped events turned into Advertisement, Error and StopScan.
#include <algorithm>

#include "corvel/ble/await_operation.h"
#include "corvel/ble/convert.h"
#include "corvel/ble/stack_link.h"
#include "corvel/core/advertisement.h"
#include "corvel/core/control_core.h"
#include "corvel/sig/errors.h"
#include "corvel/sig/ad_sections.h"

namespace corvel {

namespace bt = zenu::bluetooth;

namespace {

bool busy(bt::WatcherStatus s) { return s == bt::WatcherStatus::Started || s == bt::WatcherStatus::Stopping; }

std::string joinUuids(const std::vector<Uuid>& uuids) { return formatUuidList(uuids); }

int8_t clampRssi(int16_t dbm) { return static_cast<int8_t>(std::clamp<int16_t>(dbm, -128, 127)); }

// The longest a name look-up holds the advertisements behind it (Timeout when that is shorter).
constexpr int64_t kNameLookupLimitMs = 2000;

} // namespace

bool StackLink::scanning() const { return watcher_ && busy(watcher_->status()); }

void StackLink::createWatcher()
{
    watcher_ = stack_->createAdvertisementWatcher();
    const HostLoop::Poster poster = poster_;
    // Both run on the stack's worker threads: they only queue the work for the host thread.
    receivedToken_ = watcher_->received.add([this, poster](const bt::AdvertisementReceivedArgs& args) {
        poster.post([this, args] { onAdvertisement(args); });
    });
    std::weak_ptr<bt::AdvertisementWatcher> weak = watcher_;
    stoppedToken_ = watcher_->stopped.add([this, poster, weak](bt::BluetoothErrorCode error) {
        // The status when the watcher stopped, not when the host gets to it.
        const std::shared_ptr<bt::AdvertisementWatcher> w = weak.lock();
        const bt::WatcherStatus status = w ? w->status() : bt::WatcherStatus::Stopped;
        poster.post([this, status, error] { onWatcherStopped(status, error); });
    });
}

Status StackLink::startScanning(const std::vector<Uuid>& filterArg, bool active)
{
    if (scanning())
        return {};
    logStackProblem("Scanning");
    const std::vector<Uuid> filter = filterArg;
    Status waitFailure;
    const bt::Async<std::optional<bt::AdapterInfo>> query = stack_->getDefaultAdapterAsync();
    std::optional<std::optional<bt::AdapterInfo>> adapter = awaitOperation(core(), query, &waitFailure);
    // A stack that knows why there is no usable adapter (bluetoothd not running, no
    // permission, radio off) says so instead of a bare "no adapter".
    if (!adapter && query && query->status() == bt::AsyncStatus::Error && !query->errorText().empty())
        return Status::failure(kErrNoAdapter, query->errorText());
    if (!adapter)
        return waitFailure;
    if (!*adapter)
        return Status::failure(kErrNoAdapter, "No Bluetooth adapter found.");
    if (!(*adapter)->lowEnergySupported)
        return Status::failure(kErrNoAdapter, "Bluetooth adapter does not support Low Energy.");
    // Handlers that ran while the adapter was asked for may have started a scan already.
    if (scanning())
        return {};

    if (!watcher_)
        createWatcher();
    watcher_->setServiceUuidFilter(toGuids(filter));
    watcher_->setScanningMode(active ? bt::ScanningMode::Active : bt::ScanningMode::Passive);

    const std::string list = joinUuids(filter);
    log(2, logtype::kScanning, "Scanning is starting.");
    log(3, logtype::kScanning,
        std::string("Scanning parameters:\r\n\tActive scanning: ") + (active ? "1" : "0") +
            "\r\n\tService UUIDs: " + list + ".");
    watcher_->start();

    // The watcher reports Started a little later; wait steps keep the host alive meanwhile,
    // for at most ScanStartedTimeout x 20 polls of 50 ms (a step ends early when events
    // arrive, so the bound is kept as a time).
    const int64_t polls = std::max<int32_t>(core().settings().scanStartedTimeout, 0) * int64_t{20};
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(polls * 50);
    while (watcher_ && watcher_->status() != bt::WatcherStatus::Started && SteadyClock::now() < deadline) {
        const StepEnd end = core().hostLoop().waitStep(50, nullptr, deadline);
        if (end == StepEnd::Quit || end == StepEnd::Shutdown)
            break;
    }
    if (!watcher_ || watcher_->status() != bt::WatcherStatus::Started) {
        log(1, logtype::kScanning, "Scanning failed to start.");
        return {};
    }
    log(1, logtype::kScanning, "Scanning started.");
    if (EventSink* sink = core().eventSink())
        sink->onStartScan(list);
    return {};
}

Status StackLink::stopScanning()
{
    if (!scanning())
        return {};
    log(2, logtype::kScanning, "Scanning is stopping.");
    const uint64_t stopsBefore = stopsHandled_;
    watcher_->stop();
    if (core().hostLoop().closing())
        return {};
    // Until the watcher has stopped and its StopScan has been fired, bounded by Timeout
    // (a minute when Timeout sets no limit).
    const int64_t ms = core().timeoutMs();
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(ms > 0 ? ms : 60000);
    while (busy(watcher_->status()) || stopsHandled_ == stopsBefore) {
        const StepEnd end = core().hostLoop().waitStep(core().waitIdleMs(), nullptr, deadline);
        if (end == StepEnd::Timeout)
            return Status::failure(kErrInterrupted, text::kTimeout);
        if (end == StepEnd::Quit || end == StepEnd::Shutdown)
            return Status::failure(kErrInterrupted, text::kInterrupted);
    }
    return {};
}

void StackLink::onWatcherStopped(bt::WatcherStatus status, bt::BluetoothErrorCode error)
{
    // What was received before the stop goes out before StopScan, names found or not.
    deliverHeldAdvertisements(true);
    ++stopsHandled_;
    const std::string name = bt::toString(error);
    if (status == bt::WatcherStatus::Aborted)
        core().reportError(kErrScanAborted, "Scanning was aborted for the following reason: " + name);
    else
        log(1, logtype::kScanning, "Scanning stopped.");
    if (EventSink* sink = core().eventSink()) {
        if (error == bt::BluetoothErrorCode::Success)
            sink->onStopScan(0, "");
        else
            sink->onStopScan(static_cast<int16_t>(kErrScanAborted), name);
    }
}

void StackLink::onAdvertisement(const bt::AdvertisementReceivedArgs& received)
{
    const bt::Advertisement& adv = received.advertisement;
    HeldAdvertisement held;
    AdvertisementContext& ctx = held.context;
    AdvertisementArgs& args = held.args;

    ctx.address = received.bluetoothAddress;
    ctx.addressType = static_cast<uint8_t>(received.addressType);
    ctx.advertisementType = static_cast<uint8_t>(received.advertisementType);
    ctx.rssi = clampRssi(received.rawSignalStrengthInDBm);
    for (const bt::ManufacturerData& m : adv.manufacturerData)
        ctx.manufacturerData.push_back(ManufacturerEntry{m.companyId, m.data});
    for (const bt::DataSection& s : adv.dataSections)
        if (s.type != adtype::kManufacturerData)
            ctx.sections.push_back(AdSection{s.type, s.data});

    std::vector<Uuid> services;
    for (const bt::Guid& g : adv.serviceUuids)
        services.push_back(toUuid(g));
    args.serviceUuids = joinUuids(services);
    args.serverId = serverIdFromAddress(received.bluetoothAddress);
    args.name = adv.localName;
    args.rssi = received.rawSignalStrengthInDBm;
    for (const AdSection& s : ctx.sections)
        if (s.type == adtype::kTxPowerLevel) {
            args.txPower = s.data.empty() ? 0 : static_cast<int8_t>(s.data[0]);
            break;
        }

    // Malformed sections leave their text as the last error; what was read is delivered.
    ServiceDataList serviceData = readServiceData(ctx.sections);
    if (!serviceData.error.empty())
        held.sectionErrors.push_back(serviceData.error);
    std::vector<Uuid> withData;
    for (const ServiceData& sd : serviceData.entries)
        withData.push_back(sd.uuid);
    args.servicesWithData = joinUuids(withData);
    ctx.serviceData = std::move(serviceData.entries);

    UuidListResult solicited = readSolicitations(ctx.sections);
    if (!solicited.error.empty())
        held.sectionErrors.push_back(solicited.error);
    args.solicitedServiceUuids = joinUuids(solicited.uuids);

    if (!ctx.manufacturerData.empty()) {
        args.manufacturerCompanyId = static_cast<int16_t>(ctx.manufacturerData.front().companyId);
        const std::vector<uint8_t>& data = ctx.manufacturerData.front().data;
        args.manufacturerData.assign(data.begin(), data.end());
    }
    args.isConnectable = received.advertisementType == bt::AdvertisementType::ConnectableUndirected ||
                         received.advertisementType == bt::AdvertisementType::ConnectableDirected;
    args.isScanResponse = received.advertisementType == bt::AdvertisementType::ScanResponse;

    // The name look-up is not waited for here: a wait would run the advertisements behind
    // this one inside it, each with a wait of its own. They queue up behind it instead.
    if (args.name.empty() && core().settings().queryAdditionalDeviceInfo)
        held.lookup = lookUpName(ctx.address);
    heldAdvertisements_.push_back(std::move(held));
    deliverHeldAdvertisements(false);
}

std::shared_ptr<StackLink::NameLookup> StackLink::lookUpName(uint64_t address)
{
    // Advertisements of one device that arrive while its look-up runs share it.
    const auto now = SteadyClock::now();
    for (auto it = heldAdvertisements_.rbegin(); it != heldAdvertisements_.rend(); ++it)
        if (it->context.address == address && it->lookup && !it->lookup->operation->done() &&
            now < it->lookup->deadline)
            return it->lookup;
    const int64_t timeout = core().timeoutMs();
    const int64_t limit = timeout > 0 ? std::min(timeout, kNameLookupLimitMs) : kNameLookupLimitMs;
    auto lookup = std::make_shared<NameLookup>();
    lookup->deadline = now + std::chrono::milliseconds(limit);
    lookup->operation = stack_->fromBluetoothAddressAsync(address);
    if (!lookup->operation)
        return nullptr;
    const HostLoop::Poster poster = poster_;
    // Runs on a worker thread (or at once when the answer is known already).
    lookup->operation->setCompleted([this, poster](bt::AsyncOperation<std::shared_ptr<bt::Device>>&, bt::AsyncStatus) {
        poster.post([this] { deliverHeldAdvertisements(false); });
    });
    core().hostLoop().postAfter(static_cast<int>(limit) + 1, [this] { deliverHeldAdvertisements(false); });
    return lookup;
}

void StackLink::deliverHeldAdvertisements(bool all)
{
    // Taken off the queue before it is fired: a handler's wait may run this again.
    while (!heldAdvertisements_.empty()) {
        HeldAdvertisement& front = heldAdvertisements_.front();
        if (front.lookup && !all && !front.lookup->operation->done() && SteadyClock::now() < front.lookup->deadline)
            return;
        HeldAdvertisement held = std::move(front);
        heldAdvertisements_.pop_front();
        if (held.lookup && held.lookup->operation->status() == bt::AsyncStatus::Completed) {
            try {
                if (const std::shared_ptr<bt::Device> device = held.lookup->operation->getResults())
                    held.args.name = device->name();
            } catch (const bt::BluetoothError&) {
                // No device: the name stays "".
            }
        }
        for (const std::string& error : held.sectionErrors)
            core().recordText(error);
        core().deliverAdvertisement(held.context, held.args);
    }
}

} // namespace corvel
