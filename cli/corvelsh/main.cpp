// corvelsh [-c LINE]... [SCRIPT|-]
// A terminal host for the control: one command a line, one result line per command,
// and a line for every event as it fires. See docs/automation.md.
#include "cli/corvelsh/shell_session.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

void usage(FILE* to)
{
    std::fprintf(to,
                 "Usage: corvelsh [-c LINE]... [SCRIPT|-]\n"
                 "Runs commands, one a line, from each -c LINE, then from SCRIPT (- or none: standard input).\n"
                 "Commands: create [PROGID|{CLSID}] | get NAME [INDEX] | put NAME [INDEX] VALUE |\n"
                 "          call NAME [ARG]... | invoke DISPID method|get|put [ARG]... | design on|off |\n"
                 "          wait MS | quit\n"
                 "Values: \"text\" (escapes \\\" \\\\ \\r \\n \\t \\xHH), integers, True, False.\n"
                 "Exit status: 0 when every command succeeded, 1 when one failed, 2 for bad arguments.\n");
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> lines;
    std::string script;
    bool haveScript = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "-c") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "corvelsh: -c needs a command line\n");
                return 2;
            }
            lines.emplace_back(argv[++i]);
        } else if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
            usage(stdout);
            return 0;
        } else if (a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "corvelsh: unknown option %s\n", a);
            usage(stderr);
            return 2;
        } else if (haveScript) {
            std::fprintf(stderr, "corvelsh: only one script\n");
            return 2;
        } else {
            script = a;
            haveScript = true;
        }
    }
    const bool readStdin = (!haveScript && lines.empty()) || script == "-";

    std::ifstream file;
    if (haveScript && script != "-") {
        file.open(script, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "corvelsh: cannot open %s\n", script.c_str());
            return 2;
        }
    }

    QCoreApplication app(argc, argv);
    bool allOk = true;
    {
        zenu::corvelsh::ShellSession session([](const std::string& line) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
        auto runLine = [&](std::string line) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!session.execute(line))
                allOk = false;
            return !session.quitRequested();
        };
        bool go = true;
        for (const auto& l : lines)
            if (go)
                go = runLine(l);
        std::istream* in = file.is_open() ? static_cast<std::istream*>(&file) : readStdin ? &std::cin : nullptr;
        std::string line;
        while (go && in && std::getline(*in, line))
            go = runLine(line);
    }
    return allOk ? 0 : 1;
}
