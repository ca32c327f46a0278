// Reads a 5000-reading memory file of a simulated gauge through the session, the control and
// the simulated stack, with a fixed latency per GATT operation and a gauge that needs a few
// milliseconds per reply. Reports the wall time against the floor of the link (every request
// of the download times one round trip), and the processor time of the program's thread (and
// of the whole process, simulator included) per second of download.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

#include "data/gauge_identity.h"
#include "data/reading_sink.h"
#include "gauge/ble_session.h"
#include "gauge/connection_host.h"
#include "gauge/connection_init.h"
#include "gauge/handshake_state.h"
#include "gauge/memory_download.h"
#include "platform/paths.h"

namespace {

using namespace zenu;

constexpr int kLatencyMs = 8;   // per GATT operation
constexpr int kReplyDelayMs = 5;
constexpr int kReadings = 5000;

const QByteArray scenario() {
    return QStringLiteral(R"({
  "adapter": {"present": true, "lowEnergy": true},
  "latency": {"connect": 10, "discovery": 1, "read": %1, "write": %1, "cccd": %1},
  "devices": [{"address": "C4:7F:51:00:50:01", "advertising": {"rssi": -50},
    "gauge": {"model": "QX", "serial": "4711", "replyDelayMs": %2,
      "files": [{"name": "m001", "generate": {"count": %3, "min": 100, "max": 200, "seed": 4}}]}}]
})")
        .arg(kLatencyMs)
        .arg(kReplyDelayMs)
        .arg(kReadings)
        .toUtf8();
}

class QuietHost : public QuietConnectionHost, public DownloadHost {
public:
    ReadingSink& sink() override { return sink_; }

private:
    NullReadingSink sink_;
};

double seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void BM_FileDownload5000(benchmark::State& state) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("CORVEL_REGISTRY", (home.path() + QStringLiteral("/registry")).toUtf8());
    platform::initPaths();
    QFile file(home.path() + QStringLiteral("/bench.json"));
    file.open(QIODevice::WriteOnly);
    file.write(scenario());
    file.close();
    qputenv("CORVEL_BLUETOOTH", ("sim:" + file.fileName()).toUtf8());

    BleSession session;
    QuietHost host;
    if (!session.open()) {
        state.SkipWithError("control not found");
        return;
    }
    DeviceAddress = QStringLiteral("C47F51005001");
    DeviceName = QStringLiteral("OKTA QX 20");
    session.connectDevice();
    if (!session.Connected || !Initialisierung(session, session.waitFunction(), host)) {
        state.SkipWithError("gauge not connected");
        return;
    }
    MemoryDownload download(session, host);
    const int fileSize = 160 + 16 * kReadings;
    const auto plan = MemoryDownload::planBlocks(fileSize);
    // Open, blocks and close: each a write and the read of its reply.
    const int requests = 2 * (1 + plan.fullBlocks + (plan.rest > 0 ? 1 : 0) + 1);
    const double floor = requests * kLatencyMs / 1000.0;

    double wall = 0, threadCpu = 0, processCpu = 0;
    int read = 0;
    for (auto _ : state) {
        const double w0 = seconds(CLOCK_MONOTONIC), t0 = seconds(CLOCK_THREAD_CPUTIME_ID),
                     p0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
        read = download.Read_Datei(QStringLiteral("m001")).read;
        wall += seconds(CLOCK_MONOTONIC) - w0;
        threadCpu += seconds(CLOCK_THREAD_CPUTIME_ID) - t0;
        processCpu += seconds(CLOCK_PROCESS_CPUTIME_ID) - p0;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["readings"] = read;
    state.counters["wall_s"] = wall / n;
    state.counters["floor_s"] = floor;
    state.counters["ratio"] = wall / n / floor;
    state.counters["cpu_thread_pct"] = 100.0 * threadCpu / wall;
    state.counters["cpu_process_pct"] = 100.0 * processCpu / wall;
}
BENCHMARK(BM_FileDownload5000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
