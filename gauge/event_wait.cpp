#include "gauge/event_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace zenu {

bool waitProcessingEvents(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    if (!QCoreApplication::instance() || timeoutMs <= 0) return done();
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

}  // namespace zenu
