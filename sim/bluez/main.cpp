// zenu-bluez-sim SCENARIO.json [--system]: serves the scenario's devices as org.bluez on the
// bus DBUS_SYSTEM_BUS_ADDRESS names, for BlueZ clients to be tested without radio hardware.
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "platform/signal_exit.h"
#include "sim/bluez/bluez_service.h"
#include "sim/sim_stack.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: zenu-bluez-sim SCENARIO.json [--system]\n"
                 "Serves the devices of a simulator scenario as org.bluez on the bus that\n"
                 "DBUS_SYSTEM_BUS_ADDRESS names. The machine's own system bus only with --system.\n");
    return 2;
}

// The machine's system bus: where a real bluetoothd would be.
bool isRealSystemBus(const QString& address) {
    for (const QString& part : address.split(';'))
        for (const QString& kv : part.section(':', 1).split(','))
            if (kv == "path=/run/dbus/system_bus_socket" || kv == "path=/var/run/dbus/system_bus_socket") return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString scenario;
    bool system = false;
    for (const QString& arg : app.arguments().mid(1)) {
        if (arg == "--system") system = true;
        else if (arg == "--help" || arg == "-h") return usage(), 0;
        else if (arg.startsWith('-') || !scenario.isEmpty()) return usage();
        else scenario = arg;
    }
    if (scenario.isEmpty()) return usage();

    QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (!system && address.isEmpty()) {
        std::fprintf(stderr, "zenu-bluez-sim: DBUS_SYSTEM_BUS_ADDRESS is not set; refusing the machine's system bus "
                             "(give --system to serve there).\n");
        return 2;
    }
    if (!system && isRealSystemBus(address)) {
        std::fprintf(stderr, "zenu-bluez-sim: %s is the machine's system bus; refusing it (give --system to serve "
                             "there).\n", qPrintable(address));
        return 2;
    }
    if (address.isEmpty()) address = "unix:path=/run/dbus/system_bus_socket";

    std::string error;
    auto stack = zenu::sim::SimStack::fromFile(scenario.toStdString(), &error);
    if (!stack) {
        std::fprintf(stderr, "zenu-bluez-sim: %s\n", error.c_str());
        return 1;
    }
    auto service = zenu::sim::BluezService::start(stack, address.toStdString(), &error);
    if (!service) {
        std::fprintf(stderr, "zenu-bluez-sim: %s\n", error.c_str());
        return 1;
    }
    zenu::installExitSignals([] { QCoreApplication::quit(); });
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, [&service] {
        if (!service->busLost()) return;
        std::fprintf(stderr, "zenu-bluez-sim: the bus went away\n");
        QCoreApplication::exit(1);
    });
    busWatch.start(200);
    std::printf("zenu-bluez-sim: serving org.bluez on %s\n", qPrintable(address));
    std::fflush(stdout);
    const int rc = app.exec();
    service.reset();
    stack.reset();
    return rc;
}
