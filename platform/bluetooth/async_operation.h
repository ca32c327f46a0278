#pragma once
// An operation of the Bluetooth layer that ends later, on a worker thread of the stack:
// the caller gets the object at once, attaches one completion handler, and reads the result
// after completion. The handler only runs once; a caller that lets a host thread wait hands
// the completion over itself (the handler runs on the worker, never on the host's loop).
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/bluetooth/worker_thread.h"

namespace zenu::bluetooth {

enum class AsyncStatus { Started = 0, Completed = 1, Canceled = 2, Error = 3 };

// Fetching the result of an operation that did not complete.
class BluetoothError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

template <typename T>
class AsyncOperation {
public:
    using Handler = std::function<void(AsyncOperation<T>&, AsyncStatus)>;

    AsyncOperation() = default;
    AsyncOperation(const AsyncOperation&) = delete;
    AsyncOperation& operator=(const AsyncOperation&) = delete;

    AsyncStatus status() const {
        std::lock_guard lock(m_);
        return status_;
    }
    bool done() const { return status() != AsyncStatus::Started; }

    // Attaches the completion handler. It runs once, on the thread that ends the operation;
    // when the operation has ended already it runs at once on the calling thread. Only one
    // handler can be attached: a second call returns false and changes nothing.
    bool setCompleted(Handler handler) {
        std::unique_lock lock(m_);
        if (handlerSet_) return false;
        handlerSet_ = true;
        if (status_ == AsyncStatus::Started) {
            handler_ = std::move(handler);
            return true;
        }
        const AsyncStatus s = status_;
        lock.unlock();
        if (handler) handler(*this, s);
        return true;
    }

    // The result of a completed operation; throws BluetoothError otherwise.
    T getResults() const {
        std::lock_guard lock(m_);
        if (status_ == AsyncStatus::Completed && result_) return *result_;
        if (status_ == AsyncStatus::Started) throw BluetoothError("The operation has not completed yet.");
        if (status_ == AsyncStatus::Canceled) throw BluetoothError("The operation was canceled.");
        throw BluetoothError(error_.empty() ? std::string("The operation failed.") : error_);
    }
    std::string errorText() const {
        std::lock_guard lock(m_);
        return error_;
    }

    // Blocks until the operation ends or `timeout` passes; true when it has ended. For
    // threads without an event loop (command-line tools, tests). On a stack worker thread it
    // returns the current state at once instead of blocking.
    bool wait(std::chrono::milliseconds timeout) const {
        std::unique_lock lock(m_);
        if (onStackWorkerThread()) return status_ != AsyncStatus::Started;
        return cv_.wait_for(lock, timeout, [this] { return status_ != AsyncStatus::Started; });
    }

    // Ends a running operation as Canceled (the work it started may still take effect).
    void cancel() { finish(AsyncStatus::Canceled, std::nullopt, {}); }

    // ---- for implementations: each returns false when the operation had ended already.
    bool complete(T value) { return finish(AsyncStatus::Completed, std::move(value), {}); }
    bool fail(std::string text) { return finish(AsyncStatus::Error, std::nullopt, std::move(text)); }

private:
    bool finish(AsyncStatus status, std::optional<T> value, std::string error) {
        Handler handler;
        {
            std::lock_guard lock(m_);
            if (status_ != AsyncStatus::Started) return false;
            status_ = status;
            result_ = std::move(value);
            error_ = std::move(error);
            handler = std::move(handler_);
            handler_ = nullptr;
        }
        cv_.notify_all();
        if (handler) handler(*this, status);
        return true;
    }

    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    AsyncStatus status_ = AsyncStatus::Started;
    std::optional<T> result_;
    std::string error_;
    Handler handler_;
    bool handlerSet_ = false;
};

template <typename T>
using Async = std::shared_ptr<AsyncOperation<T>>;

template <typename T>
Async<T> makeAsync() {
    return std::make_shared<AsyncOperation<T>>();
}

// An operation that has completed already (for stacks that know the answer at once).
template <typename T>
Async<T> completedAsync(T value) {
    auto op = makeAsync<T>();
    op->complete(std::move(value));
    return op;
}

}  // namespace zenu::bluetooth
