#include "platform/bluetooth/worker_thread.h"

namespace zenu::bluetooth {

namespace {
thread_local bool isWorker = false;
}

void markStackWorkerThread(bool on) { isWorker = on; }
bool onStackWorkerThread() { return isWorker; }

}  // namespace zenu::bluetooth
