#!/usr/bin/python3
"""Bleak's side of bench_bluez: the same operations as the control, on the same BlueZ stand-in.

bluez_bleak.py ADDRESS CHARACTERISTIC_UUID COUNT prints one JSON line with the mean time of a
write with response and of a read (seconds), then "SUBSCRIBED" once notifications are on, then
a JSON line with the CLOCK_MONOTONIC time at which the COUNT-th notification arrived.
"""
import asyncio
import json
import sys
import time

from bleak import BleakClient, BleakScanner


async def main(address: str, uuid: str, count: int) -> None:
    device = await BleakScanner.find_device_by_address(address, timeout=10)
    if device is None:
        raise SystemExit(f"bluez_bleak.py: {address} not found")
    async with BleakClient(device) as client:
        command = b"$zenu00!"
        for _ in range(10):  # warm-up, as on the control's side
            await client.write_gatt_char(uuid, command, response=True)
            await client.read_gatt_char(uuid)
        start = time.perf_counter()
        for _ in range(count):
            await client.write_gatt_char(uuid, command, response=True)
        write = (time.perf_counter() - start) / count
        start = time.perf_counter()
        for _ in range(count):
            await client.read_gatt_char(uuid)
        read = (time.perf_counter() - start) / count
        print(json.dumps({"write": write, "read": read}), flush=True)

        received = 0
        done = asyncio.Event()
        last = 0.0

        def on_value(_sender, _data: bytearray) -> None:
            nonlocal received, last
            received += 1
            if received == count:
                last = time.monotonic()
                done.set()

        await client.start_notify(uuid, on_value)
        print("SUBSCRIBED", flush=True)
        await asyncio.wait_for(done.wait(), 60)
        await client.stop_notify(uuid)
        print(json.dumps({"last": last}), flush=True)


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1], sys.argv[2], int(sys.argv[3])))
