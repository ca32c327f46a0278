#pragma once
// The program's bounded wait: runs a nested event loop (so the BLE control's events and
// timers are handled) until a condition holds or the time is up.
#include <functional>

namespace zenu {

// True when done() became true within timeoutMs. Checks done() every 10 ms. Without a
// QCoreApplication there are no events to run: it only checks done() once.
bool waitProcessingEvents(const std::function<bool()>& done, int timeoutMs);

}  // namespace zenu
