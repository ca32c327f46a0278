#include "sim/bluez/introspection.h"

#include <QHash>

namespace zenu::sim::bluez {

QString interfaceMembers(const QString& iface) {
    static const QHash<QString, QString> members = {
        {"org.freedesktop.DBus.ObjectManager",
         R"(<method name="GetManagedObjects"><arg name="objects" type="a{oa{sa{sv}}}" direction="out"/></method>
<signal name="InterfacesAdded"><arg name="object" type="o"/><arg name="interfaces" type="a{sa{sv}}"/></signal>
<signal name="InterfacesRemoved"><arg name="object" type="o"/><arg name="interfaces" type="as"/></signal>)"},
        {"org.freedesktop.DBus.Properties",
         R"(<method name="Get"><arg name="interface" type="s" direction="in"/><arg name="name" type="s" direction="in"/><arg name="value" type="v" direction="out"/></method>
<method name="Set"><arg name="interface" type="s" direction="in"/><arg name="name" type="s" direction="in"/><arg name="value" type="v" direction="in"/></method>
<method name="GetAll"><arg name="interface" type="s" direction="in"/><arg name="properties" type="a{sv}" direction="out"/></method>
<signal name="PropertiesChanged"><arg name="interface" type="s"/><arg name="changed_properties" type="a{sv}"/><arg name="invalidated_properties" type="as"/></signal>)"},
        {"org.bluez.AgentManager1",
         R"(<method name="RegisterAgent"><arg name="agent" type="o" direction="in"/><arg name="capability" type="s" direction="in"/></method>
<method name="UnregisterAgent"><arg name="agent" type="o" direction="in"/></method>
<method name="RequestDefaultAgent"><arg name="agent" type="o" direction="in"/></method>)"},
        {"org.bluez.Adapter1",
         R"(<method name="StartDiscovery"/>
<method name="SetDiscoveryFilter"><arg name="properties" type="a{sv}" direction="in"/></method>
<method name="StopDiscovery"/>
<method name="RemoveDevice"><arg name="device" type="o" direction="in"/></method>
<method name="GetDiscoveryFilters"><arg name="filters" type="as" direction="out"/></method>)"},
        {"org.bluez.Device1",
         R"(<method name="Disconnect"/>
<method name="Connect"/>
<method name="ConnectProfile"><arg name="UUID" type="s" direction="in"/></method>
<method name="DisconnectProfile"><arg name="UUID" type="s" direction="in"/></method>
<method name="Pair"/>
<method name="CancelPairing"/>)"},
        {"org.bluez.GattService1", ""},
        {"org.bluez.GattCharacteristic1",
         R"(<method name="ReadValue"><arg name="options" type="a{sv}" direction="in"/><arg name="value" type="ay" direction="out"/></method>
<method name="WriteValue"><arg name="value" type="ay" direction="in"/><arg name="options" type="a{sv}" direction="in"/></method>
<method name="StartNotify"/>
<method name="StopNotify"/>)"},
        {"org.bluez.GattDescriptor1",
         R"(<method name="ReadValue"><arg name="options" type="a{sv}" direction="in"/><arg name="value" type="ay" direction="out"/></method>
<method name="WriteValue"><arg name="value" type="ay" direction="in"/><arg name="options" type="a{sv}" direction="in"/></method>)"},
    };
    return members.value(iface);
}

}  // namespace zenu::sim::bluez
