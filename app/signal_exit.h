#pragma once
// SIGTERM and SIGINT end the program through its normal exit sequence.
#include <functional>

namespace zenu {

// Installs the handlers; onSignal runs on the event loop, not inside the signal handler.
void installExitSignals(std::function<void()> onSignal);

}  // namespace zenu
