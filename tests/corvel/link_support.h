#pragma once
// Helpers of the tests that drive the control over the simulated Bluetooth stack: a host
// application with its Qt event loop, a control around a simulated stack built in C++, an
// event recorder that keeps each event's texts and thread, and small scenarios.
#include "corvel/ble/stack_link.h"
#include "corvel/com/corvel_ids.h"
#include "sim/scenario.h"
#include "sim/sim_stack.h"
#include "tests/corvel/corvel_support.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linktest {

using namespace corveltest;
namespace bt = zenu::bluetooth;
namespace sim = zenu::sim;

constexpr uint64_t kDevice = 0xC47F51001001ull;
inline constexpr const char* kDeviceId = "C47F51001001";
constexpr uint64_t kOther = 0xC47F51002002ull;
inline constexpr const char* kOtherId = "C47F51002002";

// Ids of basicScenario's objects.
inline constexpr const char* kBatterySvc = "001000000000";
inline constexpr const char* kLevel = "001000120000";
inline constexpr const char* kCustomSvc = "002000000000";
inline constexpr const char* kRw = "002000220000";
inline constexpr const char* kIndicateOnly = "002000250000";
inline constexpr const char* kAux = "002000280000";
inline constexpr const char* kBoth = "0020002B0000";
inline constexpr const char* kSecondarySvc = "003000000000";

// The one application object of the test process (created on first use).
void ensureApp();

// One event as the host saw it: the arguments as UTF-8 texts ("True"/"False" and numbers
// as digits) in argument order, and the thread that ran the handler.
struct Ev {
    DISPID dispid = 0;
    std::vector<std::string> args;
    std::thread::id thread;
    std::string arg(size_t i) const { return i < args.size() ? args[i] : std::string(); }
};

// Records every event of one control.
class Events {
public:
    explicit Events(const Control& control);
    ~Events();
    Events(const Events&) = delete;
    Events& operator=(const Events&) = delete;

    std::vector<Ev> all() const;
    std::vector<Ev> of(DISPID dispid) const;
    size_t count(DISPID dispid) const { return of(dispid).size(); }
    // "LEVEL TYPE: MESSAGE" of every Log event.
    std::vector<std::string> logs() const;
    bool logged(const std::string& line) const;
    void clear();
    // Runs inside every handler after the event was recorded.
    std::function<void(const Ev&, std::vector<VARIANT*>& args)> hook;

private:
    Sink sink_;
    mutable std::mutex m_;
    std::vector<Ev> events_;
};

// True when the tests run on BlueZ (CORVEL_BLUETOOTH=bluez, scripts/on_bluez.sh): the
// simulated stack is then served as org.bluez by the stand-in on a private bus, and the
// control reaches it through the BlueZ backend.
bool onBluez();
// Skips a test whose behaviour BlueZ cannot have, saying why.
#define SKIP_ON_BLUEZ(reason)                                                                      \
    do {                                                                                           \
        if (::linktest::onBluez())                                                                 \
            GTEST_SKIP() << "not on BlueZ: " << (reason);                                          \
    } while (0)

// A control over a simulated stack of this process, with its events recorded.
struct Harness {
    explicit Harness(sim::Scenario scenario, bool record = true);
    ~Harness();
    std::shared_ptr<sim::SimStack> stack;
    // The stand-in serving `stack` when onBluez().
    std::shared_ptr<void> bluezService;
    Control control;
    std::unique_ptr<Events> events;

    const Control& c() const { return control; }
    // Connect to `id` (and Discover("", "", True, "") when asked); failing the test otherwise.
    void connect(const std::string& id = kDeviceId, bool discover = true);
};

// A device (kDevice, "Thermo 1") advertising the Battery Service with Tx power -4:
// - Battery Service 0x0010: Battery Level 0x0012 (read, notify, value 0x64, one format);
// - 0x0020 (FFE0, includes 0x0030): FFE1 0x0022 (read, write, write without response,
//   "hello"), FFE2 0x0025 (indicate only), FFE3 0x0028 (read, reliable writes, writable
//   auxiliaries, user description "Setpoint"), FFE4 0x002B (notify and indicate);
// - secondary 0x0030 (FFF0): FFF1 0x0032 (read, 01 02 03).
sim::Scenario basicScenario();

// Lets the host's Qt event loop run for `ms` (the host being idle).
void pump(int ms);
// Runs the host's loop until `done` or `limitMs`; whether `done` came true.
bool pumpUntil(const std::function<bool()>& done, int limitMs = 3000);
// Runs `body` inside QCoreApplication::exec (as a host's handler would run) and returns
// exec's result: kBodyDone when the body ended and `quitAfter` asked the loop to end,
// kLoopStuck when nothing ended the loop within 20 s.
constexpr int kBodyDone = 4711;
constexpr int kLoopStuck = -4711;
int runInAppLoop(const std::function<void()>& body, bool quitAfter = true);

// Processor time this process has used, in milliseconds.
double cpuMs();
// Milliseconds since `start`.
double msSince(std::chrono::steady_clock::time_point start);

// The UTF-8 text of a by-reference BSTR (or the number of an I2 / BOOL) event argument.
std::string argText(const VARIANT* v);

} // namespace linktest
