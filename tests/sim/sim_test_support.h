#pragma once
// Helpers for the simulator tests: bounded waits on operations and events, and small
// scenarios built in C++.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/bluetooth/bluetooth_stack.h"
#include "sim/scenario.h"
#include "sim/sim_stack.h"

namespace simtest {

using namespace zenu::bluetooth;
using namespace zenu::sim;
using namespace std::chrono_literals;

constexpr uint64_t kDevice = 0xC47F51001001;
constexpr uint64_t kGauge4 = 0xC47F51004004;
constexpr uint64_t kGauge5 = 0xC47F51005005;

// The result of an operation, failing the test when it does not complete within 3 s.
template <typename T>
T await(const Async<T>& op, std::chrono::milliseconds limit = 3000ms) {
    EXPECT_TRUE(op->wait(limit)) << "the operation did not end in time";
    EXPECT_EQ(op->status(), AsyncStatus::Completed) << op->errorText();
    if (op->status() != AsyncStatus::Completed) return T{};
    return op->getResults();
}

// Polls `done` every millisecond for up to `limit`.
inline bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Things that happened, with the thread they happened on.
template <typename T>
class Recorder {
public:
    void add(T item) {
        std::lock_guard lock(m_);
        items_.push_back(std::move(item));
        threads_.push_back(std::this_thread::get_id());
        cv_.notify_all();
    }
    bool waitFor(std::size_t count, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, limit, [&] { return items_.size() >= count; });
    }
    std::vector<T> items() const {
        std::lock_guard lock(m_);
        return items_;
    }
    std::vector<std::thread::id> threads() const {
        std::lock_guard lock(m_);
        return threads_;
    }
    std::size_t size() const {
        std::lock_guard lock(m_);
        return items_.size();
    }

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<T> items_;
    std::vector<std::thread::id> threads_;
};

inline Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A device with a battery service (0x0010: level 0x0012 read/notify + presentation format),
// a custom service (0x0020) with a read/write characteristic 0x0022, an indicate-only
// characteristic 0x0025 and a writable-auxiliaries characteristic 0x0028 with a user
// description, and a secondary service 0x0030 included by 0x0020.
Scenario basicScenario();
std::shared_ptr<SimStack> makeStack(Scenario s);
std::shared_ptr<Device> connect(SimStack& stack, uint64_t address = kDevice);
std::shared_ptr<GattService> serviceByHandle(Device& device, uint16_t handle);
std::shared_ptr<GattCharacteristic> characteristicByHandle(Device& device, uint16_t service, uint16_t handle);

}  // namespace simtest
