#include "gauge/command_transport.h"

#include <algorithm>
#include <chrono>

#include "platform/event_wait.h"
#include "platform/translog.h"

namespace zenu {

WaitFunction eventLoopWait() {
    return [](const std::function<bool()>& done, int timeoutMs) {
        return platform::waitUntil(done, std::chrono::milliseconds(std::max(0, timeoutMs))) ==
               platform::WaitResult::Done;
    };
}

bool sendCommand(CommandTransport& transport, const QString& command) {
    CommandBuffer = command;
    AnswerState = kAnswerAwaited;
    ResponseText.clear();
    if (transport.writeCommand(CommandBuffer)) return true;
    WriteLog(QStringLiteral("WriteZenu fehlgeschlagen: ") + command.trimmed());
    return false;
}

bool sendAndWait(CommandTransport& transport, const WaitFunction& wait, const QString& command,
                 GaugeReply awaited, int timeoutMs) {
    clearReplySeen(awaited);
    if (!sendCommand(transport, command)) return false;
    const auto answered = [awaited] { return replySeen(awaited); };
    if (wait(answered, timeoutMs) || answered()) return true;
    WriteLog(QStringLiteral("Keine Antwort auf %1 nach %2 ms").arg(command.trimmed()).arg(timeoutMs));
    return false;
}

}  // namespace zenu
