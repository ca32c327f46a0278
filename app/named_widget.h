#pragma once
// Controls carry the names the rest of the program and the tests find them by.
#include <QLatin1String>

namespace zenu {

// Gives a new control its object name and hands it back, for one-line construction.
template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace zenu
