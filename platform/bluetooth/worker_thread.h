#pragma once
// The threads on which a stack completes its operations and raises its events. A blocking
// wait there for another operation would wait for the very thread that has to end it, so
// AsyncOperation::wait refuses at once on such a thread.
namespace zenu::bluetooth {

// Called by a stack's worker thread when it starts (true) and before it ends (false).
void markStackWorkerThread(bool on);
bool onStackWorkerThread();

}  // namespace zenu::bluetooth
