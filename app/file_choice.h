#pragma once
// The answer of a save-file dialog of the main window, made the path to write.
#include <QFileInfo>
#include <QString>

namespace zenu {

// The dialog was cancelled: no name, or a single blank.
inline bool noFileChosen(const QString& name) { return name.isEmpty() || name == QLatin1String(" "); }

// A name without a folder is taken to be in `folder`.
inline QString inFolder(const QString& folder, const QString& name) {
    return QFileInfo(name).isAbsolute() ? name : folder + QLatin1Char('/') + name;
}

}  // namespace zenu
