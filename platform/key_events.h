#pragma once
// Keystrokes into another application, as if the user typed them. The desktop decides whether
// that is possible: X11 (and X11 programs under XWayland) allow it, Wayland itself does not.
#include <QString>
#include <chrono>
#include <memory>

namespace zenu::platform {

enum class KeyOutputSupport {
    Available,
    WaylandOnly,  // a Wayland session without XWayland: no program may type into another
    NoDisplay,    // no display at all
};

enum class FrontResult {
    Ready,     // the window is in front and has the keyboard focus
    Gone,      // the process and everything it started have ended
    NoWindow,  // the process runs but shows no window (yet)
    NoFocus,   // the window did not take the focus in time
    Failed,    // the display could not be reached
};

class KeyboardOutput {
public:
    virtual ~KeyboardOutput() = default;
    virtual KeyOutputSupport support() const = 0;
    // Starts the target program without handing it the focus; its process id, or 0 with
    // *error set.
    virtual qint64 start(const QString& path, QString* error) = 0;
    // Brings a window of the process, or of a process it started, to the front and gives it
    // the keyboard focus. Waits (bounded, handling events) for a window of a program that is
    // still starting.
    virtual FrontResult bringToFront(qint64 pid) = 0;
    // Types the text as the user's keyboard layout produces each character (every character
    // as itself, "+", "%", "{" included), then presses Return when asked. False when the keys
    // could not be sent.
    virtual bool sendKeys(const QString& text, bool enter) = 0;
};

struct KeyOutputTimeouts {
    std::chrono::milliseconds window{8000};  // for the window of a program that is starting
    std::chrono::milliseconds focus{1500};   // for the focus to arrive
};

// The output of this desktop: X11 through libxdo when a display is reachable, else one that
// only tells why not.
std::unique_ptr<KeyboardOutput> createKeyboardOutput(KeyOutputTimeouts timeouts = {});

// What the environment offers: DISPLAY set, or only WAYLAND_DISPLAY, or neither.
KeyOutputSupport desktopKeySupport();

}  // namespace zenu::platform
