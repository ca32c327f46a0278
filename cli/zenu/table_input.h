#pragma once
// The reading table a subcommand works on: a measurement file, or a memory download decoded as
// the program decodes it; with the limits and project data of a serial number, loaded from the
// settings folder as the program loads them.
#include <QCommandLineParser>
#include <QString>

#include "data/table_ops.h"

namespace zenu::cli {

struct TableInput {
    MeasurementTable table;
    QString memoryEntry;    // the memory list entry (--memory-name), "" for a measurement file
    QString memoryName;     // name from the memory's header
    QString optionCaption;  // what the memory option shows: the memory, or "<file> (<count>)"
    QString problem;        // set when the input was read only in part
};

// --serial S and --memory-name NAME.
void addTableInputOptions(QCommandLineParser& parser);

// Adds the limits and project data of the gauge with this serial number, read from the settings
// files in folder as the program reads them; a missing file holds nothing. Writes nothing.
bool loadGaugeSettings(const QString& folder, const QString& serial, QString* error);

// Loads FILE into table 0 (made current) after applyGaugeOptions. Limits and Project are reset,
// then loaded for --serial. False with *error set when nothing usable could be read.
bool loadTableInput(const QCommandLineParser& parser, const QString& file, TableInput& input, QString* error);

}  // namespace zenu::cli
