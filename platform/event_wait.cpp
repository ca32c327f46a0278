#include "platform/event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <cmath>

namespace zenu::platform {

namespace {
bool quitting = false;
// Once the application starts quitting, no nested wait may hold it up.
void watchQuit() {
    static bool connected = false;
    if (connected || !QCoreApplication::instance()) return;
    connected = true;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { quitting = true; });
}
}  // namespace

WaitResult waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                     std::chrono::milliseconds poll) {
    if (done()) return WaitResult::Done;
    if (!QCoreApplication::instance()) return WaitResult::TimedOut;
    watchQuit();
    if (quitting) return WaitResult::Quit;

    QEventLoop loop;
    WaitResult result = WaitResult::TimedOut;
    QTimer poller;
    poller.setInterval(poll);
    QObject::connect(&poller, &QTimer::timeout, &loop, [&] {
        if (done()) {
            result = WaitResult::Done;
            loop.quit();
        } else if (quitting) {
            result = WaitResult::Quit;
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);  // a coarse timer may end a wait up to 5 % early
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        result = done() ? WaitResult::Done : WaitResult::TimedOut;
        loop.quit();
    });
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, [&] {
        result = WaitResult::Quit;
        loop.quit();
    });
    poller.start();
    deadline.start(timeout);
    loop.exec();
    return result;
}

void waitFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration, duration);
}

void Delay(double seconds) {
    using namespace std::chrono;
    auto tickSeconds = [] { return duration<double>(steady_clock::now().time_since_epoch()).count(); };
    const double start = tickSeconds();
    const double end = std::nearbyint(start + seconds);
    const auto remaining = duration_cast<milliseconds>(duration<double>(std::max(0.0, end - start)));
    waitUntil([&] { return tickSeconds() > end; }, remaining + milliseconds(50), milliseconds(20));
}

}  // namespace zenu::platform
