#!/usr/bin/env python3
"""Checks that every project include points down the layers (docs/architecture.md).

Each source folder may include only the folders listed for it; the most specific folder
wins. Tests, benchmarks, fuzzers and scripts may include anything. Exit status 1 lists
every include that points up or sideways.
"""
import pathlib
import re
import sys

# Folder -> folders its sources may include (itself is always allowed).
ALLOWED = {
    "platform": ["platform"],
    "texts": ["platform"],
    "sim": ["platform"],
    "corvel/sig": [],
    "corvel/core": ["corvel/sig"],
    "corvel/ble": ["corvel/core", "corvel/sig", "platform", "sim"],
    "corvel/com": ["corvel", "platform"],
    "data": ["texts", "platform"],
    "gauge": ["data", "texts", "platform"],
    "reports": ["data", "gauge", "texts", "platform"],
    "cli": ["corvel", "reports", "gauge", "data", "texts", "sim", "platform"],
    "app": ["reports", "gauge", "data", "texts", "sim", "platform"],
    "docs": ["app", "reports", "gauge", "data", "texts", "platform"],
}
UNCHECKED = ("tests", "bench", "fuzz", "scripts", "build")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def owner(path: str):
    best = None
    for folder in ALLOWED:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    faults = []
    for source in sorted(root.rglob("*")):
        if source.suffix not in (".h", ".cpp") or not source.is_file():
            continue
        rel = source.relative_to(root).as_posix()
        if rel.startswith(UNCHECKED) or rel.split("/")[0].startswith("build"):
            continue
        folder = owner(rel)
        if folder is None:
            faults.append(f"{rel}: in no known layer")
            continue
        allowed = [folder] + ALLOWED[folder]
        for target in INCLUDE.findall(source.read_text(encoding="utf-8", errors="replace")):
            if "/" not in target:
                continue  # generated or same-folder header (ui_*.h, moc)
            if not any(target == a or target.startswith(a + "/") for a in allowed):
                faults.append(f"{rel}: includes {target}, above or beside {folder}")
    for f in faults:
        print(f)
    print(f"{len(faults)} include(s) against the layering" if faults else "includes point down")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
