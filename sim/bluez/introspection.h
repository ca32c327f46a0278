#pragma once
// Introspection data of the interfaces the stand-in serves (methods and signals; the
// properties are added from each object's current values).
#include <QString>

namespace zenu::sim::bluez {

// The <method>/<signal> elements of an interface, or "" for one without any.
QString interfaceMembers(const QString& iface);

}  // namespace zenu::sim::bluez
