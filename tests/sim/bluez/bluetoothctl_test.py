#!/usr/bin/env python3
"""bluetoothctl, BlueZ's own client, against the stand-in (run through scripts/on_bluez.sh):
scan, devices, connect, the GATT menu (list-attributes, select-attribute, read, write,
notify) and the limits it must meet as BlueZ does. Every wait is bounded."""
import re
import subprocess
import sys
import threading
import time

GAUGE = "C4:7F:51:00:50:01"
GAUGE_PATH = "/org/bluez/hci0/dev_C4_7F_51_00_50_01"
ANSI = re.compile(r"\x1b\[[0-9;]*[A-Za-z]|[\x01\x02]")
PROMPT = re.compile(r"^(\[[^\]\n]*\]# ?)+")


class Ctl:
    def __init__(self):
        self.proc = subprocess.Popen(["bluetoothctl"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT)
        self.text = ""
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in iter(self.proc.stdout.readline, b""):
            with self.lock:
                self.text += PROMPT.sub("", ANSI.sub("", line.decode(errors="replace")))

    def send(self, command):
        self.mark = len(self.text)
        self.proc.stdin.write((command + "\n").encode())
        self.proc.stdin.flush()

    def expect(self, pattern, timeout=5.0, since=None):
        """Waits for the pattern in what came after the last command (or `since`)."""
        start = self.mark if since is None else since
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.lock:
                m = re.search(pattern, self.text[start:], re.M)
            if m:
                return m
            time.sleep(0.02)
        with self.lock:
            tail = self.text[start:][-3000:]
        raise AssertionError(f"no {pattern!r} within {timeout} s; bluetoothctl said:\n{tail}")

    def absent(self, pattern, seconds):
        time.sleep(seconds)
        with self.lock:
            assert not re.search(pattern, self.text[self.mark:], re.M), f"unexpected {pattern!r}"

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(5)
        except Exception:
            self.proc.kill()


def main():
    ctl = Ctl()
    try:
        ctl.send("scan on")
        ctl.expect(r"Discovery started")
        ctl.expect(r"Controller 00:1A:7D:DA:71:13 Discovering: yes")
        ctl.expect(rf"\[NEW\] Device {GAUGE} OKTA QX 20")
        # The scan response is reported with its advertisement: the complete name of both.
        ctl.expect(r"\[NEW\] Device D0:2E:AB:11:22:33 Thermo Beacon")
        ctl.expect(r"\[NEW\] Device D0:2E:AB:11:22:55 Tag")
        ctl.send("scan off")
        ctl.expect(r"Discovering: no")
        ctl.expect(r"Device D0:2E:AB:11:22:33 TxPower is nil")  # RSSI/TxPower leave with the scan

        ctl.send("devices")
        ctl.expect(rf"^Device {GAUGE} OKTA QX 20")
        ctl.send(f"info {GAUGE}")
        ctl.expect(r"ManufacturerData Key: 0xffff")
        ctl.expect(r"Paired: no")

        ctl.send("connect D0:2E:AB:11:22:55")  # advertises, does not accept connections
        ctl.expect(r"Failed to connect: org.bluez.Error.Failed le-connection-abort-by-local")

        ctl.send(f"connect {GAUGE}")
        ctl.expect(r"Connection successful")
        ctl.expect(rf"Device {GAUGE} ServicesResolved: yes")
        # BlueZ's paths: start handle of the service, declaration handle of the characteristic.
        ctl.expect(rf"{GAUGE_PATH}/service0014/char0016/desc0018", since=0)

        ctl.send("menu gatt")
        ctl.send(f"list-attributes {GAUGE}")
        ctl.expect(rf"{GAUGE_PATH}/service0020/char0022\n\s+000028ca-")

        ctl.send(f"select-attribute {GAUGE_PATH}/service0014/char0016")
        ctl.send("read")
        ctl.expect(r"^\s+([0-9a-f]{2})\s+\S\s*$")

        ctl.send(f"select-attribute {GAUGE_PATH}/service0020/char0022")
        ctl.send('write "0x24 0x67 0x63 0x76 0x21"')  # $gcv!
        ctl.expect(r"Attempting to write")
        time.sleep(0.2)
        ctl.send("read")
        ctl.expect(r"24 67 63 76 3f 34 2e 31 32 21\s+\$gcv\?4\.12!")

        ctl.send(f"select-attribute {GAUGE_PATH}/service0014/char0016/desc0018")
        ctl.send("write 0x01")  # the client configuration: only StartNotify may set it
        ctl.expect(r"Failed to write: org.bluez.Error.NotPermitted")

        ctl.send(f"select-attribute {GAUGE_PATH}/service0030/char0038")
        ctl.send("notify on")
        ctl.expect(r"Notify started")
        ctl.expect(r"char0038 Notifying: yes")
        ctl.expect(r"char0038 Value:\n(.*\n)*?.*1\s+101\.2|char0038 Value:\n(.*\n)*?.*99\.8", timeout=5)
        ctl.send("notify off")
        ctl.expect(r"Notify stopped")
        ctl.expect(r"char0038 Notifying: no")

        ctl.send("back")
        ctl.send(f"disconnect {GAUGE}")
        ctl.expect(r"Successful disconnected")
        ctl.expect(rf"Device {GAUGE} Connected: no")
        # The attributes stay (BlueZ's cache).
        ctl.send("menu gatt")
        ctl.send(f"list-attributes {GAUGE}")
        ctl.expect(rf"{GAUGE_PATH}/service0014/char0016")
    finally:
        ctl.close()
    print("bluetoothctl: all checks passed")


if __name__ == "__main__":
    try:
        main()
    except AssertionError as e:
        print(f"FAILED: {e}", file=sys.stderr)
        sys.exit(1)
