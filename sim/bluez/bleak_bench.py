#!/usr/bin/python3
"""Bleak's per-operation time on the stand-in, for comparison with the control's on the same
stand-in. Run it through the private bus:
  scripts/on_bluez.sh --stand-in build/bin/zenu-bluez-sim sim/bluez/bench_scenario.json \\
      /usr/bin/python3 sim/bluez/bleak_bench.py [ROUNDS]
Prints the median and mean microseconds of a write with response, of a read, and of a
write-then-read command round trip of the gauge ($gcv!)."""
import asyncio
import statistics
import sys
import time

from bleak import BleakClient, BleakScanner

GAUGE = "C4:7F:51:00:50:01"


async def main(rounds):
    device = await BleakScanner.find_device_by_address(GAUGE, timeout=5)
    if device is None:
        sys.exit("the gauge was not found")
    async with BleakClient(device, timeout=10) as client:
        command = client.services.get_characteristic(0x22)
        times = {"write with response": [], "read": [], "command round trip": []}
        for _ in range(rounds):
            t0 = time.perf_counter()
            await client.write_gatt_char(command, b"$gcv!", response=True)
            t1 = time.perf_counter()
            await client.read_gatt_char(command)
            t2 = time.perf_counter()
            times["write with response"].append(t1 - t0)
            times["read"].append(t2 - t1)
            times["command round trip"].append(t2 - t0)
    for name, values in times.items():
        print(f"bleak {name}: median {statistics.median(values) * 1e6:.0f} us, "
              f"mean {statistics.mean(values) * 1e6:.0f} us over {len(values)}")


if __name__ == "__main__":
    asyncio.run(main(int(sys.argv[1]) if len(sys.argv) > 1 else 500))
