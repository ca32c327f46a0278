#pragma once
// The simulated stack's worker thread: jobs run at their due time, in due-time order and, for
// equal times, in the order they were posted, so every source keeps its order. Jobs that
// have not run when the scheduler stops are dropped through their `dropped` function (which
// cancels the operation they would have ended).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace zenu::sim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

class Scheduler {
public:
    Scheduler();
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    void post(TimePoint due, std::function<void()> run, std::function<void()> dropped = {});
    void postIn(int delayMs, std::function<void()> run, std::function<void()> dropped = {});
    // Stops the thread after the running job and drops what is left; idempotent. Called
    // from a job, it lets the thread end by itself.
    void stop();
    bool onWorker() const { return std::this_thread::get_id() == workerId_; }
    std::size_t pending() const;

private:
    struct Job {
        TimePoint due;
        uint64_t seq;
        std::function<void()> run;
        std::function<void()> dropped;
    };
    struct Later {
        bool operator()(const Job& a, const Job& b) const {
            return a.due != b.due ? a.due > b.due : a.seq > b.seq;
        }
    };
    // Shared with the thread, so that a thread told to stop from inside a job can finish
    // after the scheduler is gone.
    struct State {
        std::mutex m;
        std::condition_variable cv;
        std::priority_queue<Job, std::vector<Job>, Later> jobs;
        uint64_t seq = 0;
        bool stopping = false;
    };
    static void loop(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::thread thread_;
    std::thread::id workerId_;
    std::once_flag stopOnce_;
};

}  // namespace zenu::sim
