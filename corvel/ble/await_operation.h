#pragma once
// A synchronous step of a method: one asynchronous operation of the Bluetooth layer, waited
// for in wait steps on the host thread and bounded by Timeout.
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "corvel/core/control_core.h"
#include "platform/bluetooth/async_operation.h"

namespace corvel {

// The operation's result, or none when the wait ended without one (timeout, the host
// quitting, the control going away) or the operation ended without a result (canceled,
// failed). `failure` then holds the wait's error. The completion handler only stores the
// result and wakes the host; it may run long after the wait has given up.
template <typename T>
std::optional<T> awaitOperation(ControlCore& core, const zenu::bluetooth::Async<T>& operation,
                                Status* failure = nullptr)
{
    struct State {
        WaitSlot slot;
        std::mutex m;
        std::optional<T> result;
    };
    core.clearErrorCode();
    auto state = std::make_shared<State>();
    if (operation) {
        const HostLoop::Poster poster = core.hostLoop().poster();
        operation->setCompleted([state, poster](zenu::bluetooth::AsyncOperation<T>& op, zenu::bluetooth::AsyncStatus) {
            try {
                T value = op.getResults();
                std::lock_guard lock(state->m);
                state->result = std::move(value);
            } catch (...) {
                // Canceled or failed: woken all the same, without a result.
            }
            state->slot.markDone();
            poster.wake();
        });
    } else {
        state->slot.markDone();
    }
    Status s = core.awaitSlot(state->slot);
    std::lock_guard lock(state->m);
    if (state->result)
        return std::move(state->result);
    if (failure)
        *failure = s.ok() ? Status::failure(core.lastErrorCode(), core.lastErrorText()) : std::move(s);
    return std::nullopt;
}

} // namespace corvel
