#pragma once
// The program keyboard events go to: started detached, followed by its process id.
#include <QList>
#include <QString>

namespace zenu::platform {

// Starts the program detached from us, asking the desktop not to hand its first window the
// focus (a startup id with time stamp 0, which window managers with focus-stealing prevention
// honour). A path that is no file is taken as a command line ("soffice --calc"). Returns the
// process id, or 0 with *error set.
qint64 startProgramWithoutFocus(const QString& path, QString* error = nullptr);

// True while the process exists and has not ended (an unreaped zombie has ended).
bool processRunning(qint64 pid);

// The process and every running process below it: launchers that start the real program as
// a child keep their windows there.
QList<qint64> processTree(qint64 pid);

}  // namespace zenu::platform
