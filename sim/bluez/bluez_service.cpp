#include "sim/bluez/bluez_service.h"

#include <QThread>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <future>

#include "sim/bluez/bluez_server.h"
#include "sim/sim_stack.h"

namespace zenu::sim {

class BluezService::Thread : public QThread {
public:
    Thread(std::shared_ptr<SimStack> stack, QString address)
        : stack_(std::move(stack)), address_(std::move(address)) {
        static std::atomic<int> counter{0};
        name_ = QString("zenu-bluez-sim-%1").arg(++counter);
    }

    std::future<std::string> ready() { return ready_.get_future(); }
    std::atomic<bool> lost{false};

protected:
    void run() override {
        std::string why;
        {
            QDBusConnection bus = QDBusConnection::connectToBus(address_, name_);
            if (!bus.isConnected()) {
                why = "the bus " + address_.toStdString() + " cannot be reached: " +
                      bus.lastError().message().toStdString();
            } else {
                bluez::BluezServer server(stack_, bus);
                if (server.start(&why)) {
                    ready_.set_value({});
                    // Like bluetoothd, the service ends with its bus.
                    QTimer watch;
                    QObject::connect(&watch, &QTimer::timeout, [this, &bus] {
                        if (bus.isConnected()) return;
                        lost = true;
                        quit();
                    });
                    watch.start(200);
                    exec();
                    server.stop();
                    QDBusConnection::disconnectFromBus(name_);
                    return;
                }
                server.stop();
            }
        }
        QDBusConnection::disconnectFromBus(name_);
        ready_.set_value(why.empty() ? std::string("the service did not start") : why);
    }

private:
    std::shared_ptr<SimStack> stack_;
    QString address_;
    QString name_;
    std::promise<std::string> ready_;
};

namespace {

// Waits (bounded) for the thread to end; one that does not is left to the process rather than
// destroyed while it runs (which would abort the process).
void finish(std::unique_ptr<BluezService::Thread> thread) {
    thread->quit();
    if (!thread->wait(5000)) {
        std::fprintf(stderr, "zenu-bluez-sim: the service thread did not end within 5 s; left running\n");
        (void)thread.release();
    }
}

}  // namespace

std::unique_ptr<BluezService> BluezService::start(std::shared_ptr<SimStack> stack, const std::string& busAddress,
                                                  std::string* error) {
    auto thread = std::make_unique<Thread>(std::move(stack), QString::fromStdString(busAddress));
    auto ready = thread->ready();
    thread->start();
    if (ready.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        if (error) *error = "the service did not start within 10 s";
        finish(std::move(thread));
        return nullptr;
    }
    const std::string why = ready.get();
    if (!why.empty()) {
        if (error) *error = why;
        finish(std::move(thread));
        return nullptr;
    }
    return std::unique_ptr<BluezService>(new BluezService(std::move(thread)));
}

BluezService::BluezService(std::unique_ptr<Thread> thread) : thread_(std::move(thread)) {}

bool BluezService::busLost() const { return thread_->lost; }

BluezService::~BluezService() { finish(std::move(thread_)); }

}  // namespace zenu::sim
