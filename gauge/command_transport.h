#pragma once
// How commands reach the gauge and how a sender waits for the reply. The BLE session writes
// to the command characteristic and feeds each value it reads back into HandleGaugeValue; the
// wait lets those events run (a nested event loop in the program, a scripted gauge in tests).
#include <QString>
#include <functional>

#include "gauge/handshake_state.h"

namespace zenu {

class CommandTransport {
public:
    virtual ~CommandTransport() = default;
    // Writes the command to the command characteristic (WriteZenu). False when the write
    // could not be made.
    virtual bool writeCommand(const QString& command) = 0;
};

// Waits until done() is true or timeoutMs have passed, letting replies arrive meanwhile.
// Returns done() at the end. Must never wait longer than the timeout.
using WaitFunction = std::function<bool(const std::function<bool()>& done, int timeoutMs)>;

// The program's wait: a nested event loop (platform::waitUntil), so that the control's events
// and the reply timer run while the sender waits.
WaitFunction eventLoopWait();

// The gauge is polled for a reply for about a second after each write; five seconds covers
// that with room for a slow write acknowledgement.
inline constexpr int kReplyTimeoutMs = 5000;

// The handshake of every command: CommandBuffer = command, AnswerState = 55, ResponseText
// empty, write. Returns false (and logs why) when the write fails.
bool sendCommand(CommandTransport& transport, const QString& command);

// sendCommand, then waits until the awaited kind of reply has arrived: a live reading or a
// late reply to another command, which set AnswerState as well, cannot end the wait, and a
// file handle of 55 cannot look like "still waiting". AnswerState then holds what that reply
// set (a live reading arriving afterwards may still overwrite it). A reply that never comes
// is logged with the command and gives false.
bool sendAndWait(CommandTransport& transport, const WaitFunction& wait, const QString& command,
                 GaugeReply awaited, int timeoutMs = kReplyTimeoutMs);

}  // namespace zenu
