// Keyboard events on X11 through libxdo: the target's window is found by the process ids in
// _NET_WM_PID, brought to the front (through the window manager when there is one, else by
// setting the input focus ourselves) and typed into through XTEST, so that the target sees
// real key presses of the user's layout.
#include <QByteArray>
#include <QList>
#include <cstdlib>

#include "platform/event_wait.h"
#include "platform/key_events.h"
#include "platform/target_process.h"

extern "C" {
#include <xdo.h>
}
#include <X11/Xatom.h>

namespace zenu::platform {

namespace {

using namespace std::chrono_literals;

constexpr useconds_t kKeyDelayMicroseconds = 12000;

// Xlib ends the process on a protocol error unless a handler takes it, and a window may
// vanish between finding and focusing it.
int xErrors = 0;
int countXError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

class XErrorTrap {
public:
    explicit XErrorTrap(Display* display) : display_(display) {
        xErrors = 0;
        previous_ = XSetErrorHandler(countXError);
    }
    ~XErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;
    bool failed() {
        XSync(display_, False);
        return xErrors > 0;
    }

private:
    Display* display_;
    XErrorHandler previous_;
};

class X11KeyboardOutput final : public KeyboardOutput {
public:
    explicit X11KeyboardOutput(KeyOutputTimeouts timeouts) : timeouts_(timeouts) {}
    ~X11KeyboardOutput() override {
        close();
        restoreKeys();
    }

    KeyOutputSupport support() const override { return desktopKeySupport(); }

    qint64 start(const QString& path, QString* error) override { return startProgramWithoutFocus(path, error); }

    FrontResult bringToFront(qint64 pid) override {
        if (support() != KeyOutputSupport::Available || !open()) return FrontResult::Failed;
        Window window = 0;
        bool gone = false;
        waitUntil(
            [&] {
                const QList<qint64> tree = processTree(pid);
                gone = tree.isEmpty();
                if (!gone) window = findWindow(tree);
                return gone || window != 0;
            },
            timeouts_.window, 50ms);
        if (gone) return FrontResult::Gone;
        if (!window) return FrontResult::NoWindow;

        const auto focused = [&] { return waitUntil([&] { return hasFocus(window); }, timeouts_.focus / 2, 20ms); };
        if (activeWindowSupported()) {
            XErrorTrap trap(xdo_->xdpy);
            xdo_activate_window(xdo_, window);
        }
        if (hasFocus(window) || (activeWindowSupported() && focused() == WaitResult::Done))
            return FrontResult::Ready;
        // No window manager, or one that ignored the request: raise and focus it ourselves.
        {
            XErrorTrap trap(xdo_->xdpy);
            xdo_raise_window(xdo_, window);
            xdo_focus_window(xdo_, window);
            if (trap.failed()) return processTree(pid).isEmpty() ? FrontResult::Gone : FrontResult::NoWindow;
        }
        return focused() == WaitResult::Done ? FrontResult::Ready : FrontResult::NoFocus;
    }

    bool sendKeys(const QString& text, bool enter) override {
        if (!xdo_ && !open()) return false;
        if (bindMissingKeys(text)) {
            // xdo learns the keyboard map when it connects; the target needs a moment to
            // fetch the new map before the first key arrives that uses it.
            if (!open()) return false;
            waitFor(150ms);
        }
        XErrorTrap trap(xdo_->xdpy);
        int rc = XDO_SUCCESS;
        if (!text.isEmpty())
            rc = xdo_enter_text_window(xdo_, CURRENTWINDOW, text.toUtf8().constData(), kKeyDelayMicroseconds);
        if (rc == XDO_SUCCESS && enter)
            rc = xdo_send_keysequence_window(xdo_, CURRENTWINDOW, "Return", kKeyDelayMicroseconds);
        return rc == XDO_SUCCESS && !trap.failed();
    }

private:
    // Characters the keyboard layout lacks (µ on a US layout) get spare key codes of their
    // own for the rest of the run. xdo would bind one for each key press and take it back at
    // once, and a program that reads the changed map late (Qt does) loses those characters,
    // and sometimes its neighbours.
    bool bindMissingKeys(const QString& text) {
        Display* display = xdo_->xdpy;
        QList<KeySym> missing;
        for (const char32_t c : text.toUcs4()) {
            if (c < 0x20 || c == 0x7f) continue;
            const KeySym symbol = c < 0x100 ? static_cast<KeySym>(c) : static_cast<KeySym>(0x01000000 | c);
            if (!XKeysymToKeycode(display, symbol) && !missing.contains(symbol)) missing << symbol;
        }
        if (missing.isEmpty()) return false;
        XErrorTrap trap(display);
        int low = 0, high = 0, perCode = 0;
        XDisplayKeycodes(display, &low, &high);
        KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(low), high - low + 1, &perCode);
        if (!map || perCode <= 0) return false;
        bool bound = false;
        for (int code = high; code >= low && !missing.isEmpty(); --code) {
            KeySym* entry = map + static_cast<long>(code - low) * perCode;
            bool spare = true;
            for (int i = 0; i < perCode && spare; ++i) spare = entry[i] == NoSymbol;
            if (!spare) continue;
            const KeySym symbol = missing.takeFirst();
            QList<KeySym> symbols(perCode, symbol);
            XChangeKeyboardMapping(display, code, perCode, symbols.data(), 1);
            boundCodes_ << code;
            bound = true;
        }
        XFree(map);
        return bound && !trap.failed();
    }
    void restoreKeys() {
        if (boundCodes_.isEmpty()) return;
        if (Display* display = XOpenDisplay(nullptr)) {
            {
                XErrorTrap trap(display);
                KeySym none = NoSymbol;
                for (const int code : boundCodes_) XChangeKeyboardMapping(display, code, 1, &none, 1);
            }
            XCloseDisplay(display);
        }
        boundCodes_.clear();
    }

    // A new connection for every reading: a keyboard layout changed since the last one counts.
    bool open() {
        close();
        xdo_ = xdo_new(nullptr);
        if (!xdo_) return false;
        xdo_->quiet = 1;
        return true;
    }
    void close() {
        if (xdo_) xdo_free(xdo_);
        xdo_ = nullptr;
    }

    // The largest viewable window carrying one of the process ids in _NET_WM_PID. Our own
    // walk over the tree: xdo's search by process id crashes on a window that goes away while
    // it looks (a program closing its splash, a target being closed).
    Window findWindow(const QList<qint64>& pids) {
        XErrorTrap trap(xdo_->xdpy);
        Display* display = xdo_->xdpy;
        const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
        Window best = 0;
        long bestArea = -1;
        QList<Window> pending{DefaultRootWindow(display)};
        for (int visited = 0; !pending.isEmpty() && visited < 20000; ++visited) {
            const Window window = pending.takeLast();
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display, window, &root, &parent, &children, &count) && children) {
                for (unsigned int i = 0; i < count; ++i) pending << children[i];
                XFree(children);
            }
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, remaining = 0;
            unsigned char* data = nullptr;
            qint64 pid = 0;
            if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                                   &remaining, &data) == Success &&
                data && format == 32 && items == 1)
                pid = static_cast<qint64>(*reinterpret_cast<const unsigned long*>(data));
            if (data) XFree(data);
            if (!pid || !pids.contains(pid)) continue;
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) continue;
            const long area = static_cast<long>(attributes.width) * attributes.height;
            if (area > bestArea) {
                best = window;
                bestArea = area;
            }
        }
        return best;
    }

    // The focus is on the window or on a window inside it.
    bool hasFocus(Window window) {
        XErrorTrap trap(xdo_->xdpy);
        Window current = 0;
        if (xdo_get_focused_window(xdo_, &current) != XDO_SUCCESS) return false;
        for (int depth = 0; current && current != PointerRoot && depth < 64; ++depth) {
            if (current == window) return true;
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(xdo_->xdpy, current, &root, &parent, &children, &count)) return false;
            if (children) XFree(children);
            if (current == root) return false;
            current = parent;
        }
        return false;
    }

    // A window manager that follows _NET_ACTIVE_WINDOW requests is running.
    bool activeWindowSupported() {
        XErrorTrap trap(xdo_->xdpy);
        Display* display = xdo_->xdpy;
        const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
        const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        bool found = false;
        if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM, &type,
                               &format, &count, &remaining, &data) == Success &&
            data && format == 32) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == active;
        }
        if (data) XFree(data);
        return found;
    }

    KeyOutputTimeouts timeouts_;
    xdo_t* xdo_ = nullptr;
    QList<int> boundCodes_;  // spare key codes bound to characters of the readings
};

}  // namespace

KeyOutputSupport desktopKeySupport() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) return KeyOutputSupport::Available;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
        return KeyOutputSupport::WaylandOnly;
    return KeyOutputSupport::NoDisplay;
}

std::unique_ptr<KeyboardOutput> createKeyboardOutput(KeyOutputTimeouts timeouts) {
    return std::make_unique<X11KeyboardOutput>(timeouts);
}

}  // namespace zenu::platform
