// zenu-cli SUBCOMMAND [ARGUMENTS]: diagnostic tool for support and scripting.
// Output is UTF-8; numbers and dates follow the locale of the environment (LC_ALL, LANG).
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include "app/texts/texts.h"
#include "cli/zenu/commands.h"
#include "platform/localefmt.h"

namespace {

using namespace zenu::cli;

void usage(QTextStream& to) {
    to << "Usage: zenu-cli SUBCOMMAND [ARGUMENTS]\n";
    for (const CliCommand& c : kCommands) to << "  zenu-cli " << c.name << ' ' << c.usage << '\n';
    to << "Exit status: 0 on success, 2 on bad arguments or unreadable input.\n";
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
