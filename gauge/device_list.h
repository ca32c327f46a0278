#pragma once
// The device list of the connection dialog: which advertisers are gauges, and the text of an
// entry ("MAC: <server id> Name: <name>       RSSI: <rssi>").
#include <QString>
#include <QStringList>

namespace zenu {

// A name starting with "." or carrying one of the model words (case-sensitive) is a gauge.
bool isListedGauge(const QString& name);

QString deviceListEntry(const QString& serverId, const QString& name, int rssi);

// The 12 characters of the server id from position 6 of an entry.
QString entryAddress(const QString& entry);
// The advertised name of an entry, at most 20 characters.
QString entryName(const QString& entry);

// An entry of the list already holds this server id.
bool listHasDevice(const QStringList& entries, const QString& serverId);

// The gauges whose names ask for discovery of every service instead of the two gauge services.
bool discoversAllServices(const QString& deviceName);

}  // namespace zenu
