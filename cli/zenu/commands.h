#pragma once
// The subcommands of zenu-cli. A subcommand is a function in its own file and one line of
// ZENU_CLI_COMMANDS: X(function, name, usage of its arguments).
#include <QIODevice>
#include <QStringList>
#include <QTextStream>

namespace zenu::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 2;  // bad arguments or unreadable input

// Where a subcommand reads and writes (the process's standard streams, UTF-8).
struct CliIo {
    QIODevice& in;
    QTextStream& out;
    QTextStream& err;
};

#define ZENU_CLI_COMMANDS(X)                                                                                      \
    X(runDecode, "decode", "--model CODE [--unit U] [--firmware-flag 0|1] --name MEMORYNAME HEXFILE")             \
    X(runParseLines, "parse-lines", "--model CODE [--unit U] [--firmware-flag 0|1] [--online]")                  \
    X(runReport, "report", "--model CODE [--unit U] [--serial S] [--memory-name NAME] FILE")                    \
    X(runConvert, "convert", "--model CODE [--unit U] [--serial S] [--memory-name NAME] --out FILE.mes FILE")   \
    X(runExport, "export",                                                                                      \
      "--to csv|xlsx|docx|pdf|txt [--per-line N] [--min] [--max] [--mean] [--chart] [--language de|en] "         \
      "--model CODE [--unit U] [--serial S] [--memory-name NAME] --out FILE FILE")                             \
    X(runScan, "scan", "[--seconds S] [--all] [LINK OPTIONS]")                                                  \
    X(runInfo, "info", "ADDRESS [LINK OPTIONS]")                                                                \
    X(runMemories, "memories", "ADDRESS [LINK OPTIONS]")                                                        \
    X(runRead, "read", "ADDRESS MEMORY [--format tsv|mes] [--out FILE] [LINK OPTIONS]")                         \
    X(runOnline, "online", "ADDRESS [--count N] [--seconds S] [LINK OPTIONS]")                                  \
    X(runClock, "clock", "ADDRESS [--set [YYYY-MM-DDTHH:MM:SS]] [LINK OPTIONS]")

// Each takes the arguments after its name and returns the exit status.
#define ZENU_CLI_DECLARE(function, name, usage) int function(const QStringList& args, CliIo& io);
ZENU_CLI_COMMANDS(ZENU_CLI_DECLARE)
#undef ZENU_CLI_DECLARE

struct CliCommand {
    const char* name;
    int (*run)(const QStringList& args, CliIo& io);
    const char* usage;
};

#define ZENU_CLI_ENTRY(function, name, usage) CliCommand{name, &function, usage},
inline constexpr CliCommand kCommands[] = {ZENU_CLI_COMMANDS(ZENU_CLI_ENTRY)};
#undef ZENU_CLI_ENTRY

}  // namespace zenu::cli
