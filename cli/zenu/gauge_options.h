#pragma once
// The options that say which gauge the data came from, shared by the subcommands:
// --model CODE, --unit U, --firmware-flag 0|1.
#include <QCommandLineParser>
#include <QString>

namespace zenu::cli {

// Adds --model, --unit and --firmware-flag to the parser.
void addGaugeOptions(QCommandLineParser& parser);

// Sets DeviceCode, deviceKind, DeviceProfile, deviceUnit and the firmware flag as the
// connection initialisation would for that gauge; call it after currentTable is set (the µT
// field meter measures in another unit online). Without --unit the gauge's own measuring unit
// is taken, so nothing is converted. False with *error set for an unknown model or flag.
bool applyGaugeOptions(const QCommandLineParser& parser, QString* error);

// Parses args (the arguments after the subcommand's name); false with *error set.
bool parseArguments(QCommandLineParser& parser, const QStringList& args, QString* error);

}  // namespace zenu::cli
