#pragma once
// SIGTERM and SIGINT end a program through its normal exit sequence (the window's, or a
// command's clean disconnection).
#include <functional>

namespace zenu {

// Installs the handlers; onSignal runs on the event loop, not inside the signal handler.
void installExitSignals(std::function<void()> onSignal);

}  // namespace zenu
