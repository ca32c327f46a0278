#pragma once
// Bounded waits that keep the window alive: a nested event loop instead of the busy
// "DoEvents" loops of old. Every wait ends by its condition, its deadline or the
// application quitting, whichever comes first.
#include <chrono>
#include <functional>

namespace zenu::platform {

enum class WaitResult { Done, TimedOut, Quit };

// Runs the event loop until done() is true (checked at start, every poll interval and after
// events), the timeout has passed, or the application is quitting.
WaitResult waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                     std::chrono::milliseconds poll = std::chrono::milliseconds(5));

// Lets the window handle events for the given time.
void waitFor(std::chrono::milliseconds duration);

// Waits whole seconds: until the tick count in seconds exceeds now + seconds (rounded).
void Delay(double seconds);

}  // namespace zenu::platform
