#pragma once
// A simulated gauge: identity, stored readings, live readings and injected faults. Dates and
// times are the gauge's wall clock, held as QDateTime in UTC so that no time zone or daylight
// saving shifts them.
#include <QDateTime>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zenu::sim {

enum class GaugeModel { QX, KV4, KV6, KV8, WB1, WB2, JZ, XK, VQB };

// One reading of a family "5" memory file.
struct FileReading {
    double value = 0;
    int method = 0;   // method code, bits 3 to 0 of the status byte (0 "FE" .. 15 "FLD")
    QDateTime time;   // invalid: the file's time plus one minute per reading
    int number = 0;   // 0: position in the file (1-based)
    bool deleted = false;
};

// A family "5" memory file; its kind (measurement "m", single values "s", trace "t") comes
// from the first two characters of its name, as the program reads it.
struct GaugeFile {
    std::string name;     // as listed, e.g. "m001"
    std::string title;    // the name inside the header; "" leaves it empty
    QDateTime timestamp;  // invalid: the gauge clock's start
    int intervalMs = 0;   // trace sampling interval
    double pulseTimeMs = 0;
    std::vector<FileReading> readings;  // for "s" and "t" only the values count
};

// A reading stored in a family "4" memory.
struct StoredReading {
    double value = 0;
    std::string method;  // "" : the model's method
    std::string unit;    // "" : the gauge's reading unit
    QDateTime time;      // invalid: one minute apart, the last one at the gauge clock's start
};

struct StoredMemory {
    int number = 1;
    std::optional<int> listedCount;  // what the directory says; by default the reading count
    std::vector<StoredReading> readings;
};

struct LiveReading {
    double value = 0;
    std::string method;                 // "" : the model's method
    std::optional<double> dualValue;    // a dual reading: "DNF" line with `value`, "DFE" line with this
    std::string unit;                   // "" : the gauge's reading unit
};

struct LiveStream {
    int intervalMs = 2000;
    int startDelayMs = 1000;  // after the measurement characteristic is subscribed
    bool repeat = true;       // start again after the last reading
    std::vector<LiveReading> readings;
};

enum class FaultKind {
    NoReply,     // the command is taken but never answered
    LateReply,   // the answer comes after delayMs
    Malformed,   // `reply` is answered instead of the right reply
    Disconnect,  // the gauge drops out of range after `afterBlocks` "$rd" replies
};

struct GaugeFault {
    FaultKind kind = FaultKind::NoReply;
    std::string command;  // prefix of the commands it applies to ("$gcv", "$rd"); "" all
    int delayMs = 0;
    std::string reply;
    int afterBlocks = 0;
    int offlineMs = 0;    // Disconnect: back in range after this long (0: stays away)
    int times = -1;       // how often it strikes (-1: always)
};

struct GaugeDef {
    GaugeModel model = GaugeModel::QX;
    std::string name;          // advertised name; "" : the model's
    std::string serial = "1001";
    int firmware = -1;         // -1 : the model's
    std::string deviceType;    // "T" of "$zenu00"; "" : the model's
    std::string version1 = "1";
    std::string version2 = "0";
    std::string hardware = "H2";
    std::string mac;           // "M" of "$zenu00"; "" : the address as 12 hex digits
    std::string unit;          // "U" of "$zenu00" and "$gpi"; "" : the model's
    std::string readingUnit;   // unit text in reading lines; "" : the model's
    int decimals = -1;         // decimals of values in reading lines; -1 : the model's
    std::string probeType;     // "$gpi" reply; "" : the model's
    std::string probeRevision = "12";
    std::string probeSerial = "P1001";
    double battery = -1;       // volts; -1 : the model's
    QDateTime clock;           // the gauge clock at the stack's start; invalid: the host's time
    std::string memoryChip = "5440";
    bool probeCommandService = false;  // the command characteristic sits in the probe command service
    int replyDelayMs = 0;      // time the gauge takes to answer a command
    int listPieceSize = 40;    // characters per read of a "$ls" reply
    uint32_t freeBytes = 262144;
    int firstFileHandle = 1;
    std::vector<std::string> extraFiles;  // names listed by "$ls" that cannot be opened
    std::vector<GaugeFile> files;         // family "5"
    std::vector<StoredMemory> memories;   // family "4"
    LiveStream live;
    std::vector<GaugeFault> faults;
};

// What a model is by default.
struct GaugeModelInfo {
    GaugeModel model;
    const char* code;        // the program's device code: "QX", "KV4", ...
    const char* name;        // default advertised name
    char family;             // '5' or '4'
    const char* kind;        // SM, FM, FC, PM, MF
    const char* unit;        // "U" value
    const char* readingUnit; // unit text in reading lines
    int decimals;
    int firmware;
    const char* deviceType;
    double battery;
    const char* probeType;
    const char* method;      // method text of readings
    int methodBits;          // method code of memory-file readings
};

const GaugeModelInfo& modelInfo(GaugeModel model);
// Method codes of memory-file readings: "FE" 0, "NF" 1, "DFE" 2, "DNF" 3, "DC" 4, "AC" 5,
// "PDC" 6, "PAC" 7, "PM" 8, "PFP" 9, "FC" 10, "FLX" 12, "FLN" 13, "FLM" 14, "FLD" 15.
std::optional<int> methodBitsFromName(const std::string& name);
std::optional<GaugeModel> modelFromCode(const std::string& code);

// The gauge with every "the model's" default filled in.
GaugeDef resolvedGauge(const GaugeDef& def, uint64_t address);

}  // namespace zenu::sim
