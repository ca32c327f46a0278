#pragma once
// The host thread (the thread that created the control) as the control sees it: where its
// synchronous methods wait and where every event reaches the host.
//
// The Bluetooth layer completes operations and raises events on its own worker threads. They
// never touch the control: they queue work here (post), and the host thread runs it, in the
// order it was queued, from its Qt event loop or from a wait step. A wait step keeps the
// host's Qt event loop running (timers, windows, queued calls) for at most its idle time and
// ends early when queued work or a completion arrives, so waiting never spins.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QObject;
class QSocketNotifier;

namespace corvel {

struct Settings;

using SteadyClock = std::chrono::steady_clock;

// Why a wait step ended.
enum class StepEnd {
    Continue,   // nothing happened that ends the wait
    Completed,  // the awaited operation has completed
    Timeout,    // the deadline has passed
    Quit,       // the host application was asked to quit (its own loop still quits)
    Shutdown,   // the control is going away
};

// The completion of one awaited operation. The worker that completes it may run long after
// the wait has given up, so it is shared and never refers back to the waiting method.
class WaitSlot {
public:
    bool done() const
    {
        std::lock_guard lock(m_);
        return done_;
    }
    void markDone()
    {
        std::lock_guard lock(m_);
        done_ = true;
    }

private:
    mutable std::mutex m_;
    bool done_ = false;
};

class HostLoop {
    struct Shared;

public:
    // What worker threads keep: posting after the host loop is gone does nothing.
    class Poster {
    public:
        Poster() = default;
        // Queues `work` for the host thread, after everything queued before it.
        void post(std::function<void()> work) const;
        // Ends the host's current wait step early (a completion has arrived).
        void wake() const;
        explicit operator bool() const { return shared_ != nullptr; }

    private:
        friend class HostLoop;
        explicit Poster(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
        std::shared_ptr<Shared> shared_;
    };

    explicit HostLoop(const Settings& settings);
    ~HostLoop();
    HostLoop(const HostLoop&) = delete;
    HostLoop& operator=(const HostLoop&) = delete;

    Poster poster() const { return Poster(shared_); }

    // ---- host thread only
    // One wait step: runs queued work and the host's events for at most idleMs milliseconds
    // (less when `deadline` comes first), and says what ended it. `slot` is the awaited
    // operation, if any; `deadline` a steady-clock time or none.
    StepEnd waitStep(int idleMs, const WaitSlot* slot = nullptr,
                     std::optional<SteadyClock::time_point> deadline = std::nullopt);

    // The control is going away (its host let go during a wait): every wait ends at once.
    void shutdown() { shutdown_ = true; }
    bool isShutdown() const { return shutdown_; }
    // While the control is being destroyed: waits take no host events and run no queued
    // work, so nothing re-enters a half-destroyed control.
    void setClosing(bool on) { closing_ = on; }
    bool closing() const { return closing_; }

    // Brackets work that may fire events outside any call of the host (queued work run from
    // the host's own loop): the owner keeps itself alive around it.
    void setKeepAlive(std::function<void()> acquire, std::function<void()> release);

    // "IgnoreExternalEvents" was switched off: the work it held back runs from the host's own
    // loop next (not from inside the caller), as if it had just arrived.
    void releaseHeld() { poster().wake(); }

    // Queues `work` as post() would, `ms` milliseconds from now. The timer runs in the host's
    // Qt loop; without one it never fires, so callers must not depend on it alone.
    void postAfter(int ms, std::function<void()> work);

    // True while queued work or host events are being dispatched by a wait step.
    bool inDispatch() const { return dispatchDepth_ > 0; }
    // Number of queued items not yet run (tests, benchmarks).
    size_t pending() const;

private:
    struct ActiveStep;

    bool qtLoopUsable() const;
    void ensureNotifier();
    // Runs the queued work present now (and what it queues meanwhile); false when the
    // control began shutting down meanwhile.
    void runInbox();
    // The eventfd became readable while the host's own loop runs (or inside a step).
    void onSignal();
    void exitActiveSteps();
    StepEnd qtStep(int idleMs);
    void pollStep(int idleMs);
    StepEnd check(const WaitSlot* slot, const std::optional<SteadyClock::time_point>& deadline) const;

    const Settings& settings_;
    std::shared_ptr<Shared> shared_;
    QObject* context_ = nullptr;          // lives on the host thread; owns the notifier
    QSocketNotifier* notifier_ = nullptr;
    std::vector<ActiveStep*> activeSteps_;
    int dispatchDepth_ = 0;
    int stepDepth_ = 0;
    bool inSignal_ = false;
    bool shutdown_ = false;
    bool closing_ = false;
    std::function<void()> acquire_;
    std::function<void()> release_;
    std::shared_ptr<bool> alive_;
};

} // namespace corvel
