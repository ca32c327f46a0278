#!/usr/bin/python3
"""Bleak (BleakScanner, BleakClient) and plain D-Bus calls against the stand-in (run through
scripts/on_bluez.sh): a gauge answers its commands through BlueZ's API as it does on the
simulator, and the stand-in is no kinder than BlueZ (its checks, error names and texts,
its limits). Every wait is bounded."""
import asyncio
import os
import subprocess
import sys
from xml.etree import ElementTree

from bleak import BleakClient, BleakScanner
from dbus_fast import BusType, Message, MessageType, Variant
from dbus_fast.aio import MessageBus
from dbus_fast.service import ServiceInterface, method

GAUGE = "C4:7F:51:00:50:01"
THERMO = "D0:2E:AB:11:22:33"
KEYPAD = "D0:2E:AB:11:22:44"
TAG = "D0:2E:AB:11:22:55"
CHANGER = "D0:2E:AB:11:22:66"
ADAPTER = "/org/bluez/hci0"


def dev_path(address):
    return f"{ADAPTER}/dev_" + address.replace(":", "_")


THERMO_PATH = dev_path(THERMO)


def check(condition, what):
    if not condition:
        raise AssertionError(what)


class Bluez:
    def __init__(self, bus):
        self.bus = bus

    async def call(self, path, iface, member, signature="", body=()):
        reply = await asyncio.wait_for(self.bus.call(Message(
            destination="org.bluez", path=path, interface=iface, member=member,
            signature=signature, body=list(body))), 10)
        return reply

    async def ok(self, *args, **kw):
        reply = await self.call(*args, **kw)
        check(reply.message_type != MessageType.ERROR, f"{args[2]} on {args[0]}: {reply.error_name} {reply.body}")
        return reply.body

    async def fails(self, error, text, *args, **kw):
        reply = await self.call(*args, **kw)
        got = (reply.error_name, reply.body[0] if reply.body else None) if reply.message_type == MessageType.ERROR else None
        check(got == (error, text) or (text is None and got and got[0] == error),
              f"{args[2]} on {args[0]}: expected {error} {text!r}, got {got or 'success'}")

    async def prop(self, path, iface, name):
        body = await self.ok(path, "org.freedesktop.DBus.Properties", "Get", "ss", [iface, name])
        return body[0].value

    async def wait_prop(self, path, iface, name, value, timeout=5.0):
        loop = asyncio.get_running_loop()
        deadline = loop.time() + timeout
        while loop.time() < deadline:
            if await self.prop(path, iface, name) == value:
                return
            await asyncio.sleep(0.02)
        raise AssertionError(f"{path} {name} did not become {value!r}")

    async def objects(self):
        return (await self.ok("/", "org.freedesktop.DBus.ObjectManager", "GetManagedObjects"))[0]


class Agent(ServiceInterface):
    def __init__(self):
        super().__init__("org.bluez.Agent1")
        self.asked = []
        self.hold = False

    @method()
    def Release(self):
        pass

    @method()
    def RequestConfirmation(self, device: "o", passkey: "u"):  # noqa: F821
        self.asked.append(("RequestConfirmation", device, passkey))

    @method()
    async def RequestPasskey(self, device: "o") -> "u":  # noqa: F821
        self.asked.append(("RequestPasskey", device))
        if self.hold:
            await asyncio.sleep(3)  # a user who does not answer
        return 1234

    @method()
    def RequestAuthorization(self, device: "o"):  # noqa: F821
        self.asked.append(("RequestAuthorization", device))

    @method()
    def DisplayPasskey(self, device: "o", passkey: "u", entered: "q"):  # noqa: F821
        self.asked.append(("DisplayPasskey", device, passkey))

    @method()
    def Cancel(self):
        self.asked.append(("Cancel",))


async def bleak_part():
    found = await BleakScanner.discover(timeout=1.5, return_adv=True)
    check(GAUGE in found, f"the gauge was not found: {list(found)}")
    device, adv = found[GAUGE]
    check(device.name == "OKTA QX 20", device.name)
    check(adv.manufacturer_data == {0xFFFF: bytes.fromhex("5A515801")}, adv.manufacturer_data)
    check(-70 < adv.rssi < -40, adv.rssi)
    _, thermo = found[THERMO]
    check(thermo.service_data == {"0000180f-0000-1000-8000-00805f9b34fb": bytes([87])}, thermo.service_data)
    check(thermo.tx_power == -8, thermo.tx_power)
    check(thermo.local_name == "Thermo Beacon 2", thermo.local_name)  # advertisement + scan response
    check("0000181a-0000-1000-8000-00805f9b34fb" in thermo.service_uuids, thermo.service_uuids)

    async with BleakClient(device, timeout=10) as client:
        # Bleak takes handles from BlueZ's object paths.
        command = client.services.get_characteristic(0x22)
        check(command is not None and command.uuid.startswith("000028ca"), "command characteristic 0x0022")
        check(set(command.properties) == {"read", "write"}, command.properties)
        battery = await client.read_gatt_char(client.services.get_characteristic(0x16))
        check(len(battery) == 1, battery)

        async def ask(text):
            await client.write_gatt_char(command, text, response=True)
            for _ in range(50):
                reply = bytes(await client.read_gatt_char(command))
                if reply:
                    return reply
                await asyncio.sleep(0.02)
            raise AssertionError(f"no reply to {text}")

        identity = await ask(b"$zenu00!")
        check(identity.startswith(b"$zenu00T:QX20 ") and b"S:4711" in identity, identity)
        check(await ask(b"$gcv!") == b"$gcv?4.12!", "battery voltage")

        readings = asyncio.Queue()
        await client.start_notify(0x38, lambda _c, data: readings.put_nowait(bytes(data)))
        line = await asyncio.wait_for(readings.get(), 5)
        check(b"101.2" in line or b"99.8" in line, line)
        await client.stop_notify(0x38)
    check(not client.is_connected, "still connected")


async def dbus_part():
    bus = await MessageBus(bus_type=BusType.SYSTEM).connect()
    bz = Bluez(bus)
    A, D = "org.bluez.Adapter1", "org.bluez.Device1"
    C, DS = "org.bluez.GattCharacteristic1", "org.bluez.GattDescriptor1"
    adapter = (await bz.objects())[ADAPTER][A]
    check(adapter["Powered"].value and "central" in adapter["Roles"].value, adapter)

    # Discovery filters are checked as BlueZ checks them.
    inv = "org.bluez.Error.InvalidArguments"
    for bad in ({"RSSI": Variant("n", -60), "Pathloss": Variant("q", 10)}, {"Colour": Variant("b", True)},
                {"RSSI": Variant("i", -60)}, {"RSSI": Variant("n", -128)}, {"Transport": Variant("s", "radio")},
                {"UUIDs": Variant("as", ["not-a-uuid"])}):
        await bz.fails(inv, "Invalid arguments in method call", ADAPTER, A, "SetDiscoveryFilter", "a{sv}", [bad])
    await bz.fails("org.bluez.Error.Failed", "No discovery started", ADAPTER, A, "StopDiscovery")

    # DuplicateData re-emits the advertisement data with every advertisement; the UUID filter
    # keeps the other devices quiet.
    changes = {}

    def on_message(msg):
        if msg.message_type == MessageType.SIGNAL and msg.member == "PropertiesChanged":
            for key in msg.body[1]:
                changes.setdefault((msg.path, key), 0)
                changes[(msg.path, key)] += 1

    await bz.ok(ADAPTER, A, "SetDiscoveryFilter", "a{sv}", [{
        "Transport": Variant("s", "le"), "UUIDs": Variant("as", ["181A"]), "DuplicateData": Variant("b", True)}])
    await bus.call(Message(destination="org.freedesktop.DBus", path="/org/freedesktop/DBus",
                           interface="org.freedesktop.DBus", member="AddMatch", signature="s",
                           body=["type='signal',sender='org.bluez'"]))
    bus.add_message_handler(on_message)
    await bz.ok(ADAPTER, A, "StartDiscovery")
    await bz.fails("org.bluez.Error.InProgress", "Operation already in progress", ADAPTER, A, "StartDiscovery")
    await asyncio.sleep(0.8)
    await bz.ok(ADAPTER, A, "StopDiscovery")
    bus.remove_message_handler(on_message)
    check(changes.get((THERMO_PATH, "ManufacturerData"), 0) >= 3, f"DuplicateData: {changes}")
    check(changes.get((THERMO_PATH, "RSSI"), 0) >= 3, f"RSSI with a filter: {changes}")
    check(not any(p == dev_path(GAUGE) for p, _ in changes), f"filtered out, yet reported: {changes}")
    thermo = (await bz.objects())[THERMO_PATH][D]
    check("RSSI" not in thermo and "TxPower" not in thermo, f"RSSI/TxPower stay after the scan: {thermo}")

    # Changed services: the objects that went leave, the new ones arrive.
    changer = dev_path(CHANGER)
    await bz.ok(changer, D, "Connect")
    await bz.wait_prop(changer, D, "ServicesResolved", True)
    check(changer + "/service0020/char0022" in await bz.objects(), "before the change")
    for _ in range(100):
        objs = await bz.objects()
        added = [p for p, i in objs.items() if p.startswith(changer + "/service") and
                 i.get("org.bluez.GattService1", {}).get("UUID", Variant("s", "")).value.startswith("00001812")]
        if added and changer + "/service0020" not in objs:
            break
        await asyncio.sleep(0.05)
    else:
        raise AssertionError(f"services did not change: {sorted(p for p in objs if p.startswith(changer))}")
    check(changer + "/service0010/char0012" in objs, "an unchanged service went")
    check(any(p.startswith(added[0] + "/char") for p in objs), "the new service has no characteristic")
    await bz.ok(changer, D, "Disconnect")

    # A client that leaves the bus ends its discovery session.
    other = await MessageBus(bus_type=BusType.SYSTEM).connect()
    await Bluez(other).ok(ADAPTER, A, "StartDiscovery")
    await bz.wait_prop(ADAPTER, A, "Discovering", True)
    other.disconnect()
    await bz.wait_prop(ADAPTER, A, "Discovering", False)

    # Out of reach for a connection.
    await bz.fails("org.bluez.Error.Failed", "le-connection-abort-by-local", dev_path(TAG), D, "Connect")
    await bz.fails("org.bluez.Error.NotConnected", "Not Connected", THERMO_PATH, D, "Disconnect")

    await bz.ok(THERMO_PATH, D, "Connect")
    await bz.wait_prop(THERMO_PATH, D, "ServicesResolved", True)
    objs = await bz.objects()
    base = THERMO_PATH + "/service0020"
    temp, write_only, read_only = base + "/char0022", base + "/char0025", base + "/char0027"
    check(objs[temp][C]["Flags"].value == ["read", "indicate"], objs[temp][C]["Flags"])
    # Every object introspects as what it serves (QtDBus-based clients rely on it).
    for path, needle in ((temp, 'method name="StartNotify"'), (THERMO_PATH, 'node name="service0020"'),
                         ("/", 'method name="GetManagedObjects"')):
        xml = (await bz.ok(path, "org.freedesktop.DBus.Introspectable", "Introspect"))[0]
        ElementTree.fromstring(xml.split("\n", 2)[2])
        check(needle in xml, f"{path} introspection: {xml}")
    cccd = next(p for p, i in objs.items() if p.startswith(temp + "/desc") and i[DS]["UUID"].value.startswith("00002902"))

    # The client configuration: readable, never writable; subscriptions through StartNotify.
    check((await bz.ok(cccd, DS, "ReadValue", "a{sv}", [{}]))[0] == b"\x00\x00", "CCCD read")
    await bz.fails("org.bluez.Error.NotPermitted", "Write not permitted", cccd, DS, "WriteValue", "aya{sv}", [b"\x01\x00", {}])
    await bz.ok(temp, C, "StartNotify")
    await bz.wait_prop(temp, C, "Notifying", True)
    check((await bz.ok(cccd, DS, "ReadValue", "a{sv}", [{}]))[0] == b"\x02\x00", "indication configured")

    # ATT errors and BlueZ's own checks.
    await bz.fails("org.bluez.Error.NotPermitted", "Read not permitted", write_only, C, "ReadValue", "a{sv}", [{}])
    await bz.fails("org.bluez.Error.NotPermitted", "Write not permitted", read_only, C, "WriteValue", "aya{sv}",
                   [b"\x01", {"type": Variant("s", "request")}])
    await bz.fails("org.bluez.Error.NotSupported", "Operation is not supported", read_only, C, "WriteValue", "aya{sv}",
                   [b"\x01", {"type": Variant("s", "command")}])
    await bz.fails("org.bluez.Error.NotSupported", "Operation is not supported", read_only, C, "StartNotify")
    await bz.fails(inv, "Invalid Length", write_only, C, "WriteValue", "aya{sv}", [bytes(600), {}])
    await bz.fails(inv, "Invalid arguments in method call", read_only, C, "ReadValue", "a{sv}", [{"offset": Variant("u", 1)}])
    check((await bz.ok(read_only, C, "ReadValue", "a{sv}", [{"offset": Variant("q", 2)}]))[0] == b"\x03", "offset")
    await bz.fails(inv, "Invalid offset", read_only, C, "ReadValue", "a{sv}", [{"offset": Variant("q", 9)}])
    # One request per attribute at a time.
    replies = await asyncio.gather(*(bz.call(read_only, C, "ReadValue", "a{sv}", [{}]) for _ in range(2)))
    kinds = sorted((r.error_name or "ok", r.body[0] if r.error_name else None) for r in replies)
    check(kinds == sorted([("ok", None), ("org.bluez.Error.InProgress", "In Progress")]), kinds)

    # Pairing through the caller's agent.
    agent = Agent()
    bus.export("/test/agent", agent)
    await bz.ok("/org/bluez", "org.bluez.AgentManager1", "RegisterAgent", "os", ["/test/agent", "KeyboardDisplay"])
    await bz.fails("org.bluez.Error.AlreadyExists", "Already Exists",
                   "/org/bluez", "org.bluez.AgentManager1", "RegisterAgent", "os", ["/test/agent", "KeyboardDisplay"])
    await bz.ok(THERMO_PATH, D, "Pair")
    check(agent.asked == [("RequestConfirmation", THERMO_PATH, 123456)], agent.asked)
    check(await bz.prop(THERMO_PATH, D, "Paired") and await bz.prop(THERMO_PATH, D, "Bonded"), "paired")
    await bz.fails("org.bluez.Error.AlreadyExists", "Already Exists", THERMO_PATH, D, "Pair")
    # The keypad wants 4321; the agent answers 1234. Pair connects first.
    await bz.fails("org.bluez.Error.AuthenticationFailed", "Authentication Failed", dev_path(KEYPAD), D, "Pair")
    check(agent.asked[-1] == ("RequestPasskey", dev_path(KEYPAD)), agent.asked)
    # CancelPairing while the agent is asked: the agent hears Cancel, Pair ends as canceled.
    agent.hold = True
    pairing = asyncio.create_task(bz.call(dev_path(KEYPAD), D, "Pair"))
    for _ in range(100):
        if len(agent.asked) == 3:
            break
        await asyncio.sleep(0.02)
    check(agent.asked[-1] == ("RequestPasskey", dev_path(KEYPAD)), agent.asked)
    await bz.fails("org.bluez.Error.DoesNotExist", "Does Not Exist", THERMO_PATH, D, "CancelPairing")
    await bz.ok(dev_path(KEYPAD), D, "CancelPairing")
    reply = await asyncio.wait_for(pairing, 5)
    check((reply.error_name, reply.body) == ("org.bluez.Error.AuthenticationCanceled", ["Authentication Canceled"]),
          f"canceled pairing: {reply.error_name} {reply.body}")
    await asyncio.sleep(0.1)
    check(agent.asked[-1] == ("Cancel",), agent.asked)
    check(not await bz.prop(dev_path(KEYPAD), D, "Paired"), "paired after cancel")
    await bz.ok("/org/bluez", "org.bluez.AgentManager1", "UnregisterAgent", "o", ["/test/agent"])

    # Disconnected: the objects stay, requests fail; the device goes with RemoveDevice.
    await bz.ok(THERMO_PATH, D, "Disconnect")
    check(not await bz.prop(THERMO_PATH, D, "Connected"), "still connected")
    check(not await bz.prop(temp, C, "Notifying"), "notifying without a link")
    check(read_only in await bz.objects(), "GATT objects gone after disconnecting")
    await bz.fails("org.bluez.Error.Failed", "Not connected", read_only, C, "ReadValue", "a{sv}", [{}])
    await bz.ok(ADAPTER, A, "RemoveDevice", "o", [THERMO_PATH])
    check(not any(p.startswith(THERMO_PATH) for p in await bz.objects()), "removed device still there")
    await bz.fails("org.bluez.Error.DoesNotExist", "Does Not Exist", ADAPTER, A, "RemoveDevice", "o", [THERMO_PATH])
    await bz.fails("org.freedesktop.DBus.Error.UnknownMethod", None, ADAPTER, A, "StartDiscovery", "s", ["now"])

    # Switching the radio off drops the links; nothing works until it is on again.
    P, gauge = "org.freedesktop.DBus.Properties", dev_path(GAUGE)
    await bz.ok(gauge, D, "Connect")
    await bz.ok(ADAPTER, P, "Set", "ssv", [A, "Powered", Variant("b", False)])
    await bz.wait_prop(ADAPTER, A, "Powered", False)
    await bz.wait_prop(gauge, D, "Connected", False)
    await bz.fails("org.bluez.Error.NotReady", "Resource Not Ready", ADAPTER, A, "StartDiscovery")
    await bz.fails("org.bluez.Error.NotReady", "Resource Not Ready", gauge, D, "Connect")
    await bz.fails("org.freedesktop.DBus.Error.PropertyReadOnly", None, ADAPTER, P, "Set", "ssv",
                   [A, "Address", Variant("s", "00:00:00:00:00:01")])
    await bz.ok(ADAPTER, P, "Set", "ssv", [A, "Powered", Variant("b", True)])
    await bz.wait_prop(ADAPTER, A, "Powered", True)
    # Discovery after the radio came back, and again right after a stop.
    for _ in range(2):
        await bz.ok(ADAPTER, A, "StartDiscovery")
        check(await bz.prop(ADAPTER, A, "Discovering"), "not discovering after StartDiscovery")
        await bz.ok(ADAPTER, A, "StopDiscovery")
    await bz.ok(gauge, D, "Connect")
    await bz.wait_prop(gauge, D, "ServicesResolved", True)
    bus.disconnect()


def program_part(binary, scenario):
    env = {k: v for k, v in os.environ.items() if k != "DBUS_SYSTEM_BUS_ADDRESS"}
    cases = [
        (env, [binary, scenario], "DBUS_SYSTEM_BUS_ADDRESS is not set"),
        (dict(env, DBUS_SYSTEM_BUS_ADDRESS="unix:path=/run/dbus/system_bus_socket"), [binary, scenario],
         "is the machine's system bus"),
        (dict(env, DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent/bus"), [binary, "/nonexistent/scenario.json"],
         "Simulator scenario /nonexistent/scenario.json: the file cannot be read."),
    ]
    for environment, argv, message in cases:
        r = subprocess.run(argv, env=environment, capture_output=True, text=True, timeout=20)
        check(r.returncode != 0 and message in r.stderr, f"{argv}: rc {r.returncode}, {r.stderr!r}")


async def main():
    await bleak_part()
    await dbus_part()


if __name__ == "__main__":
    try:
        program_part(sys.argv[1], sys.argv[2])
        asyncio.run(asyncio.wait_for(main(), 120))
    except AssertionError as e:
        print(f"FAILED: {e}", file=sys.stderr)
        sys.exit(1)
    print("Bleak and D-Bus: all checks passed")
