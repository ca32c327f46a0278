#include "corvel/core/host_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "corvel/core/settings.h"

namespace corvel {

// What the host loop shares with the worker threads: the queue and the eventfd that wakes
// the host. The descriptor lives as long as anybody can still write to it.
struct HostLoop::Shared {
    std::mutex m;
    std::deque<std::function<void()>> inbox;
    bool open = true;
    int fd = -1;

    Shared() : fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Shared()
    {
        if (fd >= 0)
            ::close(fd);
    }

    void signal() const
    {
        if (fd < 0)
            return;
        const uint64_t one = 1;
        // EAGAIN only when the counter is full, and then the host is signalled anyway.
        [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
    }

    void drain() const
    {
        if (fd < 0)
            return;
        uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(fd, &value, sizeof value);
    }
};

struct HostLoop::ActiveStep {
    QEventLoop* loop = nullptr;
    bool ownExit = false;
};

namespace {

// The eventfd as seen by the host's Qt loop. Its handler may destroy the host loop (and
// with it this notifier), so nothing of the object is used after the handler.
class SignalNotifier final : public QSocketNotifier {
public:
    SignalNotifier(int fd, std::function<void()> handler, QObject* parent)
        : QSocketNotifier(fd, QSocketNotifier::Read, parent), handler_(std::move(handler))
    {
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::SockAct)
            return QSocketNotifier::event(e);
        const std::function<void()> handler = handler_;
        handler();
        return true;
    }

private:
    std::function<void()> handler_;
};

} // namespace

// ---------------------------------------------------------------- Poster

void HostLoop::Poster::post(std::function<void()> work) const
{
    if (!shared_ || !work)
        return;
    {
        std::lock_guard lock(shared_->m);
        if (!shared_->open)
            return;
        shared_->inbox.push_back(std::move(work));
    }
    shared_->signal();
}

void HostLoop::Poster::wake() const
{
    if (shared_)
        shared_->signal();
}

// ---------------------------------------------------------------- HostLoop

HostLoop::HostLoop(const Settings& settings)
    : settings_(settings), shared_(std::make_shared<Shared>()), alive_(std::make_shared<bool>(true))
{
    ensureNotifier();
}

HostLoop::~HostLoop()
{
    *alive_ = false;
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(shared_->m);
        shared_->open = false;
        dropped.swap(shared_->inbox);
    }
    // Queued work is dropped outside the lock: what it holds may answer the stack (a
    // pairing deferral completes when it is destroyed).
    dropped.clear();
    if (context_) {
        if (notifier_)
            notifier_->setEnabled(false);
        // Inside the notifier's own handler the object must outlive the call.
        if (inSignal_ && QCoreApplication::instance())
            context_->deleteLater();
        else
            delete context_;
    }
}

void HostLoop::setKeepAlive(std::function<void()> acquire, std::function<void()> release)
{
    acquire_ = std::move(acquire);
    release_ = std::move(release);
}

void HostLoop::postAfter(int ms, std::function<void()> work)
{
    ensureNotifier();
    if (!context_)
        return;
    QTimer::singleShot(std::max(ms, 0), context_, [poster = poster(), work = std::move(work)] { poster.post(work); });
}

size_t HostLoop::pending() const
{
    std::lock_guard lock(shared_->m);
    return shared_->inbox.size();
}

void HostLoop::ensureNotifier()
{
    if (notifier_ || shared_->fd < 0 || !QCoreApplication::instance())
        return;
    if (!QAbstractEventDispatcher::instance(QThread::currentThread()))
        return;
    context_ = new QObject;
    notifier_ = new SignalNotifier(shared_->fd, [this] { onSignal(); }, context_);
}

bool HostLoop::qtLoopUsable() const
{
    return settings_.useWindowsMessages && !settings_.ignoreOtherWindowEvents && notifier_ && !closing_ &&
           context_->thread() == QThread::currentThread() && QCoreApplication::instance();
}

void HostLoop::exitActiveSteps()
{
    for (ActiveStep* step : activeSteps_) {
        step->ownExit = true;
        step->loop->exit(0);
    }
}

void HostLoop::runInbox()
{
    if (closing_)
        return;
    const std::shared_ptr<bool> alive = alive_;
    size_t budget;
    {
        std::lock_guard lock(shared_->m);
        budget = shared_->inbox.size();
    }
    // Only what is queued now: a steady stream of events must not keep the host's own
    // events from running. What arrives meanwhile has signalled the eventfd again.
    ++dispatchDepth_;
    while (budget-- > 0) {
        std::function<void()> work;
        {
            std::lock_guard lock(shared_->m);
            if (shared_->inbox.empty())
                break;
            work = std::move(shared_->inbox.front());
            shared_->inbox.pop_front();
        }
        work();
        if (!*alive)
            return;
        if (shutdown_)
            break;
    }
    --dispatchDepth_;
}

void HostLoop::onSignal()
{
    shared_->drain();
    // Every wait in progress looks at its operation again.
    exitActiveSteps();
    if (closing_)
        return;
    // Outside a wait step the events wait for the next one when the host asked so.
    if (settings_.ignoreExternalEvents && stepDepth_ == 0)
        return;
    const std::function<void()> release = release_;
    const std::shared_ptr<bool> alive = alive_;
    const bool outermost = !inSignal_;
    // Set until the very end: destroying the loop from here must spare the notifier.
    inSignal_ = true;
    if (acquire_)
        acquire_();
    runInbox();
    if (release) {
        // May destroy this host loop; nothing of it is used afterwards.
        release();
        if (!*alive)
            return;
    }
    if (outermost)
        inSignal_ = false;
}

StepEnd HostLoop::qtStep(int idleMs)
{
    QEventLoop loop;
    ActiveStep step;
    step.loop = &loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&step] {
        step.ownExit = true;
        step.loop->exit(0);
    });
    timer.start(std::max(idleMs, 0));
    activeSteps_.push_back(&step);
    ++dispatchDepth_;
    const std::shared_ptr<bool> alive = alive_;
    loop.exec();
    if (!*alive)
        return StepEnd::Shutdown;
    --dispatchDepth_;
    activeSteps_.erase(std::find(activeSteps_.begin(), activeSteps_.end(), &step));
    // A loop ended by anybody else was ended by the application quitting (or its thread
    // exiting); the host's own loops have been told too and still quit.
    return step.ownExit ? StepEnd::Continue : StepEnd::Quit;
}

void HostLoop::pollStep(int idleMs)
{
    runInbox();
    if (shutdown_)
        return;
    if (shared_->fd >= 0) {
        pollfd p{shared_->fd, POLLIN, 0};
        int rc;
        do {
            rc = ::poll(&p, 1, std::max(idleMs, 0));
        } while (rc < 0 && errno == EINTR);
        if (rc > 0)
            shared_->drain();
    } else if (idleMs > 0) {
        ::poll(nullptr, 0, idleMs);
    }
    runInbox();
}

StepEnd HostLoop::check(const WaitSlot* slot, const std::optional<SteadyClock::time_point>& deadline) const
{
    if (shutdown_)
        return StepEnd::Shutdown;
    if (slot && slot->done())
        return StepEnd::Completed;
    if (deadline && SteadyClock::now() > *deadline)
        return StepEnd::Timeout;
    return StepEnd::Continue;
}

StepEnd HostLoop::waitStep(int idleMs, const WaitSlot* slot, std::optional<SteadyClock::time_point> deadline)
{
    ensureNotifier();
    if (shutdown_)
        return StepEnd::Shutdown;
    if (slot && slot->done())
        return StepEnd::Completed;

    // Not past the deadline by more than a millisecond.
    int idle = std::max(idleMs, 0);
    if (deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - SteadyClock::now()).count() + 1;
        idle = static_cast<int>(std::clamp<int64_t>(left, 0, idle));
    }

    const std::shared_ptr<bool> alive = alive_;
    ++stepDepth_;
    StepEnd end = StepEnd::Continue;
    if (closing_) {
        // Only completions count now; nothing is dispatched.
        if (shared_->fd >= 0) {
            pollfd p{shared_->fd, POLLIN, 0};
            if (::poll(&p, 1, idle) > 0)
                shared_->drain();
        }
    } else {
        // Work held back outside the wait steps (or queued by what ran before) comes first.
        runInbox();
        if (!*alive)
            return StepEnd::Shutdown;
        if (check(slot, std::nullopt) == StepEnd::Continue) {
            if (qtLoopUsable())
                end = qtStep(idle);
            else
                pollStep(idle);
        }
    }
    if (!*alive)
        return StepEnd::Shutdown;
    --stepDepth_;
    if (end != StepEnd::Continue)
        return end;
    return check(slot, deadline);
}

} // namespace corvel
