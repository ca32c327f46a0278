#pragma once
// An event of the Bluetooth layer (advertisement received, value changed, ...). Handlers
// are added and removed from any thread and run on the thread that raises the event, one
// after another in the order they were added. remove() returns only when the handler is no
// longer running on another thread, so whoever owns the handler's state may free it then;
// a handler may remove itself while it runs.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zenu::bluetooth {

using EventToken = uint64_t;

template <typename... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Adds a handler; the token removes it again. An empty handler is not added (token 0).
    EventToken add(Handler handler) {
        if (!handler) return 0;
        std::lock_guard lock(m_);
        auto slot = std::make_shared<Slot>();
        slot->token = ++lastToken_;
        slot->handler = std::move(handler);
        slots_.push_back(slot);
        return slot->token;
    }

    void remove(EventToken token) {
        std::unique_lock lock(m_);
        auto it = std::find_if(slots_.begin(), slots_.end(), [&](const auto& s) { return s->token == token; });
        if (it == slots_.end()) return;
        std::shared_ptr<Slot> slot = *it;
        slots_.erase(it);
        slot->removed = true;
        const auto self = std::this_thread::get_id();
        cv_.wait(lock, [&] {
            return std::all_of(slot->runningOn.begin(), slot->runningOn.end(),
                               [&](std::thread::id t) { return t == self; });
        });
        // Free what the handler holds now, unless it is removing itself while it runs.
        if (slot->runningOn.empty()) {
            Handler dropped = std::move(slot->handler);
            lock.unlock();
        }
    }

    void clear() {
        std::vector<EventToken> tokens;
        {
            std::lock_guard lock(m_);
            for (const auto& s : slots_) tokens.push_back(s->token);
        }
        for (EventToken t : tokens) remove(t);
    }

    bool empty() const {
        std::lock_guard lock(m_);
        return slots_.empty();
    }

    // For implementations: runs every handler with the arguments.
    void raise(Args... args) {
        std::vector<std::shared_ptr<Slot>> snapshot;
        {
            std::lock_guard lock(m_);
            snapshot = slots_;
        }
        const auto self = std::this_thread::get_id();
        for (const auto& slot : snapshot) {
            {
                std::lock_guard lock(m_);
                if (slot->removed) continue;
                slot->runningOn.push_back(self);
            }
            struct Done {
                Event* event;
                Slot* slot;
                std::thread::id self;
                ~Done() {
                    {
                        std::lock_guard lock(event->m_);
                        auto& r = slot->runningOn;
                        r.erase(std::find(r.begin(), r.end(), self));
                    }
                    event->cv_.notify_all();
                }
            } done{this, slot.get(), self};
            slot->handler(args...);
        }
    }

private:
    struct Slot {
        EventToken token = 0;
        Handler handler;
        bool removed = false;
        std::vector<std::thread::id> runningOn;
    };

    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::shared_ptr<Slot>> slots_;
    EventToken lastToken_ = 0;
};

}  // namespace zenu::bluetooth
