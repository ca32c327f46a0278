// zenu-cli SUBCOMMAND [ARGUMENTS]: diagnostic tool for support and scripting.
// Output is UTF-8; numbers and dates follow the locale of the environment (LC_ALL, LANG).
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

#include "texts/texts.h"
#include "cli/zenu/commands.h"
#include "cli/zenu/gauge_connection.h"
#include "platform/localefmt.h"

namespace {

using namespace zenu::cli;

void usage(QTextStream& to) {
    to << "Usage: zenu-cli SUBCOMMAND [ARGUMENTS]\n";
    for (const CliCommand& c : kCommands) to << "  zenu-cli " << c.name << ' ' << c.usage << '\n';
    to << "Exit status: 0 on success, 2 on bad arguments or unreadable input.\n";
    to << gaugeHelpText();
}

// Subcommands that render pages (export to PDF) need the fonts of the GUI application; it
// shows no window, so it needs no display either.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "export") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("zenu-cli"));

    // As the program does: the user's locale for numbers, dates and the language of messages.
    QLocale::setDefault(QLocale::system());
    zenu::platform::initLocale();
    zenu::LanguageIndex = QLocale().language() == QLocale::German ? zenu::kLanguageGerman : zenu::kLanguageEnglish;

    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliIo io{in, out, err};

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage(err);
        return kExitFailure;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        usage(out);
        return kExitOk;
    }
    for (const CliCommand& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            const int status = c.run(args, io);
            out.flush();
            err.flush();
            return status;
        }
    }
    err << "zenu-cli: unknown subcommand \"" << name << "\"\n";
    usage(err);
    return kExitFailure;
}
