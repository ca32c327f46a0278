#include "gauge/command_transport.h"

#include "platform/translog.h"

namespace zenu {

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
    const auto answered = [awaited] { return AnswerState == kAnswerReceived && replySeen(awaited); };
    if (wait(answered, timeoutMs) || answered()) return true;
    WriteLog(QStringLiteral("Keine Antwort auf %1 nach %2 ms").arg(command.trimmed()).arg(timeoutMs));
    return false;
}

}  // namespace zenu
