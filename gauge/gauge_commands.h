#pragma once
// The commands the program sends to a gauge. A command is "$", a lower-case code, then "!"
// alone or "?", its blank-separated arguments and "!".
#include <QDateTime>
#include <QString>

namespace zenu::commands {

QString deviceInformation();   // "$zenu00!"
QString memoryChipInfo();      // "$gfi!"
QString probeInformation();    // "$gpi!"
QString dataProtocol1();       // "$sdp?1!": blank-separated reading lines from now on
QString batteryVoltage();      // "$gcv!"
QString readClock();           // "$glt!"
// "$slt?yyyy-mm-dd/hh:nn:ss!" with CR LF; the gauge does not answer it.
QString setClock(const QDateTime& localTime);
// The date and time text inside setClock().
QString clockText(const QDateTime& localTime);
QString listFiles();                                  // "$ls!"
QString openFile(const QString& fileName);            // "$fr?name!"
QString readBlock(int handle, int byteCount);         // "$rd?handle count!"
QString closeFile(int handle);                        // "$fc?handle!"

// Family "4", written to the storage-information characteristic: the memory to open, and the
// release mark after the read.
QString selectMemory(const QString& memoryName);
QString releaseMemory();                              // "-"

// Writes whose reply is never polled for ("$slt..." sets the clock and gets no answer).
bool expectsNoReply(const QString& command);

}  // namespace zenu::commands
