#include "gauge/device_list.h"

namespace zenu {
namespace {

constexpr const char* kListedWords[] = {"UNK", "KV6000", "PERM", "Lab", "Flux", "FLUX", "ORBIS",
                                        "OKTA", "Kesta", "Fe", "FE", "KV", "VT"};
// These gauges keep their command side outside the two gauge services.
constexpr const char* kDiscoverAllWords[] = {"KV6000", "Perm", "Lab", "Flux", "FLUX",
                                             "470", "PERM", "Razod", "KV-4", "OKTA"};

template <size_t N>
bool containsAny(const QString& text, const char* const (&words)[N]) {
    for (const char* w : words)
        if (text.contains(QLatin1String(w))) return true;
    return false;
}

constexpr qsizetype kAddressPos = 5;   // after "MAC: "
constexpr qsizetype kNamePos = 24;     // after " Name: "
constexpr qsizetype kNameLength = 20;
const QString kRssiLabel = QStringLiteral("       RSSI: ");

}  // namespace

bool isListedGauge(const QString& name) {
    return name.startsWith(QLatin1Char('.')) || containsAny(name, kListedWords);
}

QString deviceListEntry(const QString& serverId, const QString& name, int rssi) {
    return QStringLiteral("MAC: ") + serverId + QStringLiteral(" Name: ") + name + kRssiLabel + QString::number(rssi);
}

QString entryAddress(const QString& entry) { return entry.mid(kAddressPos, 12); }

QString entryName(const QString& entry) {
    // The name ends where the signal strength begins; a name of 20 characters or more is cut.
    QString rest = entry.mid(kNamePos);
    const qsizetype rssi = rest.lastIndexOf(kRssiLabel);
    if (rssi >= 0) rest.truncate(rssi);
    return rest.left(kNameLength);
}

bool listHasDevice(const QStringList& entries, const QString& serverId) {
    if (serverId.isEmpty()) return false;
    for (const QString& e : entries)
        if (e.contains(serverId)) return true;
    return false;
}

bool discoversAllServices(const QString& deviceName) { return containsAny(deviceName, kDiscoverAllWords); }

}  // namespace zenu
