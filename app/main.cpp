#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <cstdio>

#include "app/frm_transfer.h"
#include "gauge/ble_session.h"
#include "platform/signal_exit.h"
#include "app/single_instance.h"
#include "texts/texts.h"
#include "platform/prompts.h"
#include "platform/qt_prompts.h"

namespace {

void describe(QCoreApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("zenuconnect"));
    QCoreApplication::setApplicationVersion(QLatin1String(zenu::kVersionText));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Brings readings from hand-held coating-thickness and magnetic gauges to the PC over "
                       "Bluetooth LE."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);  // ends the program for --help, --version and unknown options
}

// --help and --version must work without a display.
bool commandLineOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith('-') && arg != "-platform" && arg != "-style" && arg != "-geometry") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (commandLineOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        describe(core);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QLatin1String(zenu::kDisplayName));
    // Wayland matches the window to its desktop entry (and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.zenuconnect.ZenuConnect"));
    describe(app);

    // Checked before anything touches the log or the settings of the running instance.
    zenu::SingleInstance instance;
    if (!instance.acquire()) {
        std::fprintf(stderr, "%s is already running.\n", zenu::kDisplayName);
        return 1;
    }

    QLocale::setDefault(QLocale::system());
    zenu::QtPrompts prompts;
    zenu::setPrompts(&prompts);

    // The session outlives the window that shows it.
    zenu::BleSession session;
    zenu::FrmTransfer window;
    zenu::setPromptParent(&window);
    window.Form_Load();
    window.attachSession(&session);
    zenu::installExitSignals([&window] { window.close(); });
    window.show();
    const int rc = app.exec();
    zenu::setPrompts(nullptr);
    return rc;
}
