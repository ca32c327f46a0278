#!/usr/bin/env python3
"""Regenerates the picture files that ship beside the program.

    python3 scripts/make_pictures.py [--out DIR] [--icons DIR] [--work DIR]

Needs g++, pkg-config and the Qt 6 Gui development files.  The drawing is done
by scripts/make_pictures_qt.cpp (compiled here, outside the CMake build, and
run with the offscreen platform): it writes the PNG and JPEG files directly and
raw RGBA frames for the rest.  This script turns those frames into the
multi-size ICO files and the GIF files, then loads every file back with Qt.
--out defaults to resources/pictures; the desktop icon goes, in the hicolor
sizes, to --icons (default resources/icons: hicolor/NxN/apps/...).  --work
keeps the compiled tool and the raw frames (with 48 px icon previews) in DIR
instead of a temporary folder.
"""

import argparse
import os
import shlex
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

ICONS = ["Zenu", "BrandA", "BrandB", "BrandC", "BrandD", "BrandE"]
ICON_SIZES = [16, 32, 48]
GIFS = ["VQ", "WB", "KV"]
# Half-transparent edge pixels of GIF pictures are blended onto this
# (a light window background); GIF only knows fully transparent pixels.
GIF_MATTE = (240, 240, 240)

DRAWN = (["Zenulogo.jpg", "Rahmen.jpg", "leer.png", "bluetooth.png", "bluetooth_blink.png", "usb.png"]
         + [f"{b}_logo.jpg" for b in ICONS[1:]]
         + [f"{m}.png" for m in ["QX", "KV4000", "KV6000", "JZ", "WB470", "XK"]])


def read_frame(path):
    """Returns (width, height, rgba bytes) of a raw frame written by the Qt tool."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 8:
        raise ValueError(f"{path}: truncated frame")
    w, h = struct.unpack_from("<II", data)
    pixels = data[8:]
    if len(pixels) != w * h * 4:
        raise ValueError(f"{path}: expected {w * h * 4} pixel bytes, got {len(pixels)}")
    return w, h, pixels


# ------------------------------------------------------------------ ICO

def ico_bitmap(w, h, rgba):
    """One icon image as a 32-bit DIB with its AND mask (the classic layout every reader knows)."""
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(w):
            r, g, b, a = rgba[(y * w + x) * 4:(y * w + x) * 4 + 4]
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if rgba[(y * w + x) * 4 + 3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + b"".join(rows) + bytes(mask)


def write_ico(path, frames):
    images = [ico_bitmap(w, h, px) for w, h, px in frames]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (w, h, _), img in zip(frames, images):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


# ------------------------------------------------------------------ GIF

def median_cut(histogram, count):
    """Reduces {colour: pixels} to at most count colours; returns the palette."""
    boxes = [list(histogram.items())]
    while len(boxes) < count:
        best, best_range, channel = None, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for c in range(3):
                values = [col[c] for col, _ in box]
                span = (max(values) - min(values)) * (sum(n for _, n in box) ** 0.5)
                if span > best_range:
                    best, best_range, channel = i, span, c
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda item: item[0][channel])
        total, acc, cut = sum(n for _, n in box), 0, 1
        for k, (_, n) in enumerate(box):
            acc += n
            if acc * 2 >= total:
                cut = min(max(k + 1, 1), len(box) - 1)
                break
        boxes += [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(round(sum(col[c] * n for col, n in box) / total) for c in range(3)))
    return palette


def lzw_encode(indices, min_code_size):
    """GIF flavour of LZW: variable code width, clear code when the table is full."""
    clear, eoi = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    state = {"bits": 0, "nbits": 0, "width": min_code_size + 1, "next": eoi + 1}

    def emit(code):
        state["bits"] |= code << state["nbits"]
        state["nbits"] += state["width"]
        while state["nbits"] >= 8:
            out.append(state["bits"] & 0xFF)
            state["bits"] >>= 8
            state["nbits"] -= 8
        # The decoder widens its codes once the next free code needs another bit.
        if code != clear and state["next"] >= (1 << state["width"]) and state["width"] < 12:
            state["width"] += 1

    def reset():
        emit(clear)
        state["width"], state["next"] = min_code_size + 1, eoi + 1
        return {}

    table = reset()
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix)
        prefix = k
        table[key] = state["next"]
        state["next"] += 1
        if state["next"] == 4096:
            table = reset()
    emit(prefix)
    emit(eoi)
    if state["nbits"]:
        out.append(state["bits"] & 0xFF)
    return bytes(out)


def write_gif(path, w, h, rgba):
    transparent = 0
    pixels = []
    histogram = {}
    for i in range(w * h):
        r, g, b, a = rgba[i * 4:i * 4 + 4]
        if a < 128:
            pixels.append(None)
            continue
        col = tuple(round((v * a + m * (255 - a)) / 255) for v, m in zip((r, g, b), GIF_MATTE))
        pixels.append(col)
        histogram[col] = histogram.get(col, 0) + 1
    palette = list(histogram) if len(histogram) <= 255 else median_cut(histogram, 255)
    nearest = {}
    for col in histogram:
        nearest[col] = 1 + min(range(len(palette)),
                               key=lambda j: sum((col[c] - palette[j][c]) ** 2 for c in range(3)))
    indices = [transparent if p is None else nearest[p] for p in pixels]

    table = bytearray(bytes(GIF_MATTE))  # index 0: transparent
    for col in palette:
        table += bytes(col)
    table += bytes(256 * 3 - len(table))

    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, 0xF7, transparent, 0)  # global table of 256 colours
    out += table
    out += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x05, 0, transparent, 0)  # keep frame, transparency
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, w, h, 0)
    out.append(8)
    data = lzw_encode(indices, 8)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\x00\x3B"
    with open(path, "wb") as f:
        f.write(out)


# ------------------------------------------------------------------ driver

def build_tool(work):
    exe = os.path.join(work, "make_pictures_qt")
    flags = shlex.split(subprocess.check_output(["pkg-config", "--cflags", "--libs", "Qt6Gui"], text=True))
    subprocess.check_call(["g++", "-std=c++17", "-O1", "-fPIC", os.path.join(HERE, "make_pictures_qt.cpp"),
                           "-o", exe] + flags)
    return exe


def generate(out, icons, work):
    exe = build_tool(work)
    frames = os.path.join(work, "frames")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    if "XDG_RUNTIME_DIR" not in env:
        env["XDG_RUNTIME_DIR"] = os.path.join(work, "runtime")
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    subprocess.check_call([exe, out, frames], env=env)
    subprocess.check_call([exe, "--app-icon", icons], env=env)
    for name in ICONS:
        write_ico(os.path.join(out, name + ".ico"),
                  [read_frame(os.path.join(frames, f"{name}-{s}.rgba")) for s in ICON_SIZES])
    for name in GIFS:
        write_gif(os.path.join(out, name + ".gif"), *read_frame(os.path.join(frames, name + ".rgba")))
    files = DRAWN + [n + ".ico" for n in ICONS] + [n + ".gif" for n in GIFS]
    return subprocess.call([exe, "--check"] + [os.path.join(out, f) for f in sorted(files)], env=env)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(ROOT, "resources", "pictures"))
    parser.add_argument("--icons", default=os.path.join(ROOT, "resources", "icons"))
    parser.add_argument("--work", help="keep the tool and raw frames here")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.work:
        os.makedirs(args.work, exist_ok=True)
        return generate(args.out, args.icons, args.work)
    with tempfile.TemporaryDirectory() as work:
        return generate(args.out, args.icons, work)


if __name__ == "__main__":
    sys.exit(main())
