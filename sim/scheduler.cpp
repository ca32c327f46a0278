#include "sim/scheduler.h"

#include "platform/bluetooth/worker_thread.h"

namespace zenu::sim {

Scheduler::Scheduler() : state_(std::make_shared<State>()) {
    thread_ = std::thread(&Scheduler::loop, state_);
    workerId_ = thread_.get_id();
}

Scheduler::~Scheduler() { stop(); }

void Scheduler::post(TimePoint due, std::function<void()> run, std::function<void()> dropped) {
    {
        std::lock_guard lock(state_->m);
        if (!state_->stopping) {
            state_->jobs.push(Job{due, ++state_->seq, std::move(run), std::move(dropped)});
            state_->cv.notify_one();
            return;
        }
    }
    if (dropped) dropped();
}

void Scheduler::postIn(int delayMs, std::function<void()> run, std::function<void()> dropped) {
    post(Clock::now() + std::chrono::milliseconds(delayMs < 0 ? 0 : delayMs), std::move(run), std::move(dropped));
}

std::size_t Scheduler::pending() const {
    std::lock_guard lock(state_->m);
    return state_->jobs.size();
}

void Scheduler::stop() {
    std::call_once(stopOnce_, [this] {
        {
            std::lock_guard lock(state_->m);
            state_->stopping = true;
        }
        state_->cv.notify_all();
        if (onWorker()) thread_.detach();
        else thread_.join();
        std::vector<std::function<void()>> drops;
        {
            std::lock_guard lock(state_->m);
            while (!state_->jobs.empty()) {
                drops.push_back(std::move(const_cast<Job&>(state_->jobs.top()).dropped));
                state_->jobs.pop();
            }
        }
        for (auto& d : drops)
            if (d) d();
    });
}

void Scheduler::loop(std::shared_ptr<State> state) {
    bluetooth::markStackWorkerThread(true);
    std::unique_lock lock(state->m);
    while (!state->stopping) {
        if (state->jobs.empty()) {
            state->cv.wait(lock);
            continue;
        }
        const TimePoint due = state->jobs.top().due;
        if (Clock::now() < due) {
            state->cv.wait_until(lock, due);
            continue;
        }
        Job job = std::move(const_cast<Job&>(state->jobs.top()));
        state->jobs.pop();
        lock.unlock();
        job.run();
        job = Job{};  // release what the job held before taking the lock again
        lock.lock();
    }
    bluetooth::markStackWorkerThread(false);
}

}  // namespace zenu::sim
